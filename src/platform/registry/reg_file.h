// File handling of the registry store: reading it safely, replacing it atomically,
// moving an unreadable one aside and clearing temporary files left by a crash.
// Functions return 0 or an errno value.
#pragma once

#include <string>
#include <string_view>

namespace reg::file {

enum class ReadState {
    Absent,      // no file: an empty store
    Ok,          // text holds the file (UTF-8)
    Unreadable,  // can't be opened or read, not a regular file, not UTF-8 text
};

struct ReadResult {
    ReadState state = ReadState::Absent;
    std::string text;
};

ReadResult ReadStore(const std::string& path);

// Creates dir and its missing parents with mode 0700.
int MakeFolders(const std::string& dir);

// Holds an advisory lock on a folder while the store in it is read and replaced, so
// that two processes saving at once don't interleave. Waits a bounded time; when the
// lock can't be had the work goes on without it (held() is false).
class FolderLock {
public:
    explicit FolderLock(const std::string& dir);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return m_held; }

private:
    int m_fd = -1;
    bool m_held = false;
};

// Name prefix of the temporary files a replace makes next to the store.
std::string TempPrefix(const std::string& path);

// Removes temporary files that an interrupted replace left next to path. Call only
// while holding the folder lock: another process may be writing its own.
void RemoveLeftovers(const std::string& path);

// Renames path to path.bad (or path.bad.1, .2, ... when those exist), never replacing
// an earlier one. The moved name goes to *movedTo when given.
int MoveAside(const std::string& path, std::string* movedTo = nullptr);

// Replaces path by a file holding text, mode 0600: writes a temporary file in the
// same folder, flushes it to disk and renames it over path.
int ReplaceAtomically(const std::string& path, std::string_view text);

}  // namespace reg::file
