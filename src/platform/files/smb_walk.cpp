// SMB walk: the same order rules as the local walk on one thread. A directory is
// listed completely, each file's owner read from its security descriptor, and its
// subdirectories are walked afterwards by URL, so no handle stays open across levels.
#include "platform/files/smb_walk.h"

#include <cerrno>
#include <deque>
#include <optional>
#include <unordered_map>

#include "platform/files/walk_order.h"

namespace files::detail {
namespace {

struct SmbFrame {
  std::string url;  // ends with '/'
  std::vector<std::string> subdirs;
  std::size_t next = 0;
  std::vector<PendingOwner> pending;
  std::size_t pendingNext = 0;
};

class SmbWalker {
 public:
  SmbWalker(SmbClient& client, const WalkOptions& options, const std::atomic<bool>& stop)
      : m_client(client), m_options(options), m_stop(stop) {}

  WalkResult Walk(const std::string& url);

 private:
  bool Stopped() const { return m_stop.load(std::memory_order_relaxed); }
  bool List(SmbFrame& frame, const std::string& url);
  std::uint32_t FileOwnerId(const std::string& url);
  std::uint32_t KindId(OwnerKind kind, int error = 0);
  std::uint32_t Track(std::uint32_t id);

  SmbClient& m_client;
  const WalkOptions& m_options;
  const std::atomic<bool>& m_stop;
  OwnerRegistry m_registry;
  std::deque<Sequence> m_tasks{1};
  OrderRecorder m_order;
  std::vector<std::uint64_t> m_bytes;
  std::vector<bool> m_counted;
  std::unordered_map<std::string, std::uint32_t> m_textIds;
  std::deque<SmbFrame> m_frames;  // references stay valid while levels are added
  std::vector<SmbEntry> m_entries;
  std::uint64_t m_files = 0;
  std::uint64_t m_directories = 0;
};

std::uint32_t SmbWalker::Track(std::uint32_t id) {
  if (id >= m_bytes.size()) {
    m_bytes.resize(id + 1, 0);
    m_counted.resize(id + 1, false);
  }
  m_counted[id] = true;
  m_order.Reserve(id);
  return id;
}

std::uint32_t SmbWalker::KindId(OwnerKind kind, int error) {
  return Track(m_registry.Intern({kind, {}, error}));
}

std::uint32_t SmbWalker::FileOwnerId(const std::string& url) {
  std::string text;
  int error = 0;
  if (!m_client.OwnerText(url, text, error)) {
    if (error == EACCES || error == EPERM) return KindId(OwnerKind::AccessDenied);
    return KindId(OwnerKind::ErrorNumber, error);
  }
  auto known = m_textIds.find(text);
  if (known != m_textIds.end()) return known->second;
  DescriptorOwner parsed = OwnerFromDescriptorText(text);
  if (!parsed.valid) {
    // Shown for every such file, as each one is a separate fault on the server.
    if (m_options.onInvalidDescriptor) m_options.onInvalidDescriptor(url);
    return KindId(OwnerKind::Unknown);
  }
  std::uint32_t id = Track(m_registry.Intern(parsed.owner));
  m_textIds.emplace(std::move(text), id);
  return id;
}

bool SmbWalker::List(SmbFrame& frame, const std::string& url) {
  int error = 0;
  if (!m_client.List(url, m_entries, error)) return false;
  m_order.StartListing();
  ++m_directories;
  frame = SmbFrame{};
  frame.url = url;
  for (const SmbEntry& entry : m_entries) {
    if (Stopped()) break;
    if (entry.name.empty() || entry.name == "." || entry.name == "..") continue;
    if (entry.directory) {
      frame.subdirs.push_back(entry.name);
      continue;
    }
    std::uint32_t id = FileOwnerId(url + EncodeUrlComponent(entry.name));
    m_bytes[id] += entry.size;
    ++m_files;
    m_order.NoteListed(id, static_cast<std::uint32_t>(frame.subdirs.size()), frame.pending);
  }
  return true;
}

WalkResult SmbWalker::Walk(const std::string& url) {
  m_order.StartTask(&m_tasks[0]);
  auto denied = [this] {
    std::uint32_t id = KindId(OwnerKind::DirlistDenied);
    m_bytes[id] += 1;
    m_order.Emit(id);
  };
  std::size_t depth = 0;
  m_frames.emplace_back();
  if (List(m_frames[0], url))
    depth = 1;
  else
    denied();
  while (depth > 0 && !Stopped()) {
    SmbFrame& frame = m_frames[depth - 1];
    if (frame.next == frame.subdirs.size()) {
      m_order.Flush(frame.pending, frame.pendingNext, SIZE_MAX);
      --depth;
      continue;
    }
    m_order.Flush(frame.pending, frame.pendingNext, frame.next);
    std::string child = frame.url + EncodeUrlComponent(frame.subdirs[frame.next++]) + "/";
    if (m_frames.size() == depth) m_frames.emplace_back();
    if (List(m_frames[depth], child))
      ++depth;
    else
      denied();
  }
  WalkResult result;
  result.owners = BuildTotals(m_registry, MergeFirstMet(m_tasks, m_registry.Size()), m_bytes, m_counted);
  result.stopped = m_stop.load();
  result.files = m_files;
  result.directories = m_directories;
  return result;
}

}  // namespace

WalkResult WalkSmbTree(const std::string& url, SmbClient& client, const WalkOptions& options,
                       const std::atomic<bool>& stop) {
  return SmbWalker(client, options, stop).Walk(url);
}

}  // namespace files::detail
