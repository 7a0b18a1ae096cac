// The walk of an SMB tree, over a small client interface so that the walk itself can
// run against a tree in memory; LibSmbClient is the libsmbclient implementation.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
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
    // The owner of the file `url` as its SID text (`system.nt_sec_desc.owner`, no name
    // lookup: "S-1-5-21-..."; empty when the descriptor names no owner), or false with
    // an errno value.
    virtual bool OwnerSid(const std::string& url, std::string& sid, int& error) = 0;
    // The `system.nt_sec_desc.owner+` text of the file `url` ("DOMAIN\name", or the SID
    // when no lookup names it), or false with an errno value.
    virtual bool OwnerText(const std::string& url, std::string& text, int& error) = 0;
};

// A libsmbclient context logged on with the options' credentials; null with an errno
// value when the library can't be set up.
std::unique_ptr<SmbClient> OpenLibSmbClient(const WalkOptions& options, int& error);

// True when the Samba libraries keep their scratch memory per thread, so that
// contexts can be used on several threads at once (see smb_client.cpp); otherwise a
// walk keeps to one connection.
bool SambaThreadsSet();

// Opens one more connection for a helper thread of the walk; null when none can be had.
using SmbClientFactory = std::function<std::unique_ptr<SmbClient>()>;

// Walks the directory `url` (ending in '/') and everything below it. The calling
// thread lists the directories on `client`; with `connections` above 1 the owners of
// each directory's files are read over that many connections at once, the calling
// thread's and connections - 1 from `more`, each used by one thread of its own.
WalkResult WalkSmbTree(const std::string& url, SmbClient& client, const WalkOptions& options,
                       const std::atomic<bool>& stop, unsigned connections = 1, const SmbClientFactory& more = {});

}  // namespace files::detail
