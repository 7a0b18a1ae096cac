#include "platform/registry/reg_file.h"

#include "platform/registry/reg_text.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace reg::file {
namespace {

// Far beyond any settings file; a bigger one is not ours.
constexpr off_t kMaxStoreBytes = 16 * 1024 * 1024;
constexpr auto kLockWait = std::chrono::seconds(3);

std::string ParentOf(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads the whole of fd; false on a read error.
bool ReadAll(int fd, std::string& out)
{
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buffer, static_cast<std::size_t>(n));
        if (out.size() > static_cast<std::size_t>(kMaxStoreBytes))
            return false;
    }
}

int WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

void SyncFolder(const std::string& dir)
{
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Renames from to to unless to exists: 0, EEXIST or another errno.
int RenameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // The file system can't refuse to replace; check first (we hold the folder lock).
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

ReadResult ReadStore(const std::string& path)
{
    ReadResult result;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        result.state = errno == ENOENT ? ReadState::Absent : ReadState::Unreadable;
        return result;
    }
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxStoreBytes && ReadAll(fd, result.text);
    ::close(fd);
    ok = ok && result.text.find('\0') == std::string::npos && text::IsUtf8(result.text);
    result.state = ok ? ReadState::Ok : ReadState::Unreadable;
    if (!ok)
        result.text.clear();
    return result;
}

int MakeFolders(const std::string& dir)
{
    if (dir.empty())
        return ENOENT;
    for (std::size_t pos = 1;; ++pos) {
        pos = dir.find('/', pos);
        std::string part = dir.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        struct stat st;
        if (::stat(part.c_str(), &st) != 0)
            return errno;
        if (!S_ISDIR(st.st_mode))
            return ENOTDIR;
        if (pos == std::string::npos)
            return 0;
    }
}

FolderLock::FolderLock(const std::string& dir)
{
    m_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        return;
    auto deadline = std::chrono::steady_clock::now() + kLockWait;
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_held = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return;
        if (std::chrono::steady_clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

FolderLock::~FolderLock()
{
    if (m_fd >= 0)
        ::close(m_fd);  // releases the lock
}

std::string TempPrefix(const std::string& path)
{
    return path + ".tmp-";
}

void RemoveLeftovers(const std::string& path)
{
    std::string dir = ParentOf(path);
    std::string prefix = BaseName(TempPrefix(path));
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;
    while (dirent* entry = ::readdir(d)) {
        std::string_view name = entry->d_name;
        if (name.starts_with(prefix))
            ::unlinkat(::dirfd(d), entry->d_name, 0);
    }
    ::closedir(d);
}

int MoveAside(const std::string& path, std::string* movedTo)
{
    for (int n = 0; n < 1000; ++n) {
        std::string target = path + ".bad";
        if (n > 0)
            target += "." + std::to_string(n);
        int rc = RenameNoReplace(path, target);
        if (rc == EEXIST || rc == ENOTEMPTY)
            continue;
        if (rc == 0 && movedTo)
            *movedTo = target;
        return rc;
    }
    return EEXIST;
}

int ReplaceAtomically(const std::string& path, std::string_view text)
{
    std::string temp = TempPrefix(path) + "XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    int rc = ::fchmod(fd, 0600) == 0 ? 0 : errno;
    if (rc == 0)
        rc = WriteAll(fd, text);
    if (rc == 0 && ::fsync(fd) != 0)
        rc = errno;
    if (::close(fd) != 0 && rc == 0)
        rc = errno;
    if (rc == 0 && ::rename(temp.c_str(), path.c_str()) != 0)
        rc = errno;
    if (rc != 0) {
        ::unlink(temp.c_str());
        return rc;
    }
    // The new file is in place; making the rename itself durable is best effort.
    SyncFolder(ParentOf(path));
    return 0;
}

}  // namespace reg::file
