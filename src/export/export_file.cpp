#include "export/export_file.h"

#include "res/export_strings.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kFlushSize = 64 * 1024;
constexpr int kMaxLinkHops = 40;
constexpr int kMaxNameTries = 100;
constexpr std::size_t kMaxTempBase = 200;  // keeps ".<base>.XXXXXX" within NAME_MAX

bool NeedsQuotes(std::string_view field)
{
    return field.find_first_of(",\"\r\n") != std::string_view::npos;
}

void AppendField(std::string& out, std::string_view field)
{
    if (!NeedsQuotes(field)) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// An entry of a sticky, world-writable folder (such as /tmp) that neither user nor the
// folder's owner owns: another user placed it there.
bool ForeignInSharedFolder(const struct stat& entry, const struct stat& folder, uid_t user)
{
    constexpr mode_t kShared = S_ISVTX | S_IWOTH;
    return (folder.st_mode & kShared) == kShared && entry.st_uid != user && entry.st_uid != folder.st_uid;
}

ExportResult Failure(int error)
{
    return {false, error, std::strerror(error)};
}

ExportResult Failure(int error, const char* reason)
{
    return {false, error, reason};
}

std::string DirectoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a write to path really replaces: symbolic links followed, even a dangling one
// (then the file it names is created). Fills st when that file exists. Every link on the
// way is checked against the protected-link rule before it is read; nothing later opens
// the path itself (the data arrives by rename), so no step follows a refused link.
ExportResult ResolveTarget(const std::string& path, std::string& target, bool& exists, struct stat& st)
{
    target = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        if (::lstat(target.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return Failure(errno);
            exists = false;
            return {};
        }
        if (!S_ISLNK(st.st_mode)) {
            exists = true;
            return {};
        }
        struct stat folder { };
        if (::stat(DirectoryOf(target).c_str(), &folder) != 0)
            return Failure(errno);
        // The file-system uid: this program never sets it apart from the effective one.
        if (LinkFollowRefused(st, folder, ::geteuid()))
            return Failure(EACCES, kExportProtectedLinkText);
        char link[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), link, sizeof link - 1);
        if (n < 0)
            return Failure(errno);
        const std::string dest(link, static_cast<std::size_t>(n));
        target = dest.starts_with('/') ? dest : DirectoryOf(target) + "/" + dest;
    }
    return Failure(ELOOP);
}

ExportResult CheckTarget(const std::string& path, std::string& target, bool& exists, struct stat& st)
{
    if (path.empty())
        return Failure(ENOENT);
    if (path.ends_with('/'))
        return Failure(EISDIR);
    auto result = ResolveTarget(path, target, exists, st);
    if (!result || !exists)
        return result;
    if (S_ISDIR(st.st_mode))
        return Failure(EISDIR);
    if (!S_ISREG(st.st_mode))
        return Failure(EINVAL, kExportNotRegularFileText);
    struct stat folder { };
    if (::stat(DirectoryOf(target).c_str(), &folder) != 0)
        return Failure(errno);
    if (FileReplaceRefused(st, folder, ::geteuid()))
        return Failure(EACCES, kExportProtectedFileText);
    return {};
}

std::string RandomSuffix()
{
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 engine{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    std::string suffix(6, ' ');
    for (char& c : suffix)
        c = kChars[pick(engine)];
    return suffix;
}

// Creates a new, unique file beside target. Mode 0666 less the umask, like any new file.
int CreateTempBeside(const std::string& target, std::string& tempPath)
{
    const std::string prefix = DirectoryOf(target) + "/." + BaseNameOf(target).substr(0, kMaxTempBase) + ".";
    for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
        tempPath = prefix + RandomSuffix();
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Replacing an existing file keeps its permissions (and, for root, its owner), as an
// ordinary overwrite would.
void TakeOverAttributes(int fd, const struct stat& old)
{
    ::fchmod(fd, old.st_mode & 0777);
    if (::geteuid() == 0 && (old.st_uid != 0 || old.st_gid != 0))
        (void)::fchown(fd, old.st_uid, old.st_gid);
}

ExportResult WriteAll(int fd, std::string_view data, const ExportIo& io)
{
    while (!data.empty()) {
        const ssize_t n = io.write ? io.write(fd, data.data(), data.size()) : ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Failure(errno);
        }
        if (n == 0)
            return Failure(EIO);
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

ExportResult WriteLines(int fd, const std::vector<std::string>& lines, ExportMode mode, const ExportIo& io)
{
    std::string buffer;
    buffer.reserve(kFlushSize * 2);
    for (const auto& line : lines) {
        buffer += ExportLine(line, mode);
        buffer += '\n';
        if (buffer.size() >= kFlushSize) {
            if (auto result = WriteAll(fd, buffer, io); !result)
                return result;
            buffer.clear();
        }
    }
    return WriteAll(fd, buffer, io);
}

ExportResult SyncAndClose(int fd, const ExportIo& io)
{
    const int synced = io.sync ? io.sync(fd) : ::fsync(fd);
    const int syncError = errno;
    const int closed = ::close(fd);
    if (synced != 0)
        return Failure(syncError);
    if (closed != 0)
        return Failure(errno);
    return {};
}

// Makes the rename itself durable; the file is already in place, so a failure here
// changes nothing the user could act on.
void SyncDirectory(const std::string& directory)
{
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool LinkFollowRefused(const struct stat& link, const struct stat& folder, uid_t follower)
{
    return ForeignInSharedFolder(link, folder, follower);
}

bool FileReplaceRefused(const struct stat& file, const struct stat& folder, uid_t writer)
{
    return ForeignInSharedFolder(file, folder, writer);
}

int FilterIndexForSetting(int exportType)
{
    return exportType == 1 ? 2 : 1;
}

ExportMode ModeForFilterIndex(int filterIndex)
{
    return filterIndex == 2 ? ExportMode::Comma : ExportMode::Tab;
}

std::string ExportLine(std::string_view line, ExportMode mode)
{
    if (mode == ExportMode::Tab)
        return std::string(line);
    // A blank line reads as a row without fields; the empty field goes in quotes.
    if (line.empty())
        return "\"\"";

    std::string out;
    out.reserve(line.size() + 2);
    // A TAB in the first position is indentation and part of the first field: when that
    // field needs quotes the TAB goes inside them, or a CSV reader would take the quotes
    // for part of the text.
    std::size_t start = 0;
    std::size_t pos = line.starts_with('\t') ? 1 : 0;
    for (;;) {
        const auto tab = line.find('\t', pos);
        AppendField(out, line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos)
            break;
        out += ',';
        start = pos = tab + 1;
    }
    return out;
}

std::vector<std::string> ExportedLines(const std::vector<std::string>& listLines)
{
    if (listLines.size() < 3)
        return {};
    std::vector<std::string> lines;
    lines.reserve(listLines.size() - 2);
    lines.push_back(listLines.front());
    lines.insert(lines.end(), listLines.begin() + 2, listLines.end() - 1);
    return lines;
}

ExportResult WriteExportFile(const std::string& path, const std::vector<std::string>& lines, ExportMode mode,
                             const ExportIo& io)
{
    std::string target;
    bool exists = false;
    struct stat old { };
    if (auto result = CheckTarget(path, target, exists, old); !result)
        return result;

    std::string tempPath;
    const int fd = CreateTempBeside(target, tempPath);
    if (fd < 0)
        return Failure(errno);
    if (exists)
        TakeOverAttributes(fd, old);

    auto result = WriteLines(fd, lines, mode, io);
    if (!result)
        ::close(fd);
    else
        result = SyncAndClose(fd, io);
    if (result && ::rename(tempPath.c_str(), target.c_str()) != 0)
        result = Failure(errno);

    if (!result) {
        ::unlink(tempPath.c_str());
        return result;
    }
    SyncDirectory(DirectoryOf(target));
    return result;
}

std::string ExportFailureMessage(const std::string& path, const ExportResult& result)
{
    return std::string(kExportWriteFailedText) + "\n" + path + "\n" + result.reason;
}
