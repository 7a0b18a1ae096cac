// The walk of an SMB tree, over a small client interface so that the walk itself can
// run against a tree in memory; LibSmbClient is the libsmbclient implementation.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/files/owner_walk.h"

namespace files::detail {

struct SmbEntry {
  std::string name;
  bool directory = false;
  std::uint64_t size = 0;
};

class SmbClient {
 public:
  virtual ~SmbClient() = default;
  // Every entry of the directory `url` (ending in '/'), or false with an errno value.
  virtual bool List(const std::string& url, std::vector<SmbEntry>& entries, int& error) = 0;
  // The `system.nt_sec_desc.owner+` text of the file `url`, or false with an errno value.
  virtual bool OwnerText(const std::string& url, std::string& text, int& error) = 0;
};

// A libsmbclient context logged on with the options' credentials; null with an errno
// value when the library can't be set up.
std::unique_ptr<SmbClient> OpenLibSmbClient(const WalkOptions& options, int& error);

// Walks the directory `url` (ending in '/') and everything below it, one thread.
WalkResult WalkSmbTree(const std::string& url, SmbClient& client, const WalkOptions& options,
                       const std::atomic<bool>& stop);

}  // namespace files::detail
