// Writing the result list to a text file: line selection, tab/comma conversion and a
// write that either replaces the target completely or leaves it as it was.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

enum class ExportMode { Tab, Comma };

// The filter index the save dialog opens on for a stored export method: 0 -> 1 (text),
// 1 -> 2 (CSV), anything else -> 1, the dialog's first filter.
int FilterIndexForSetting(int exportType);

// The mode the dialog's filter index chosen by the user selects: 2 -> comma, else tab.
ExportMode ModeForFilterIndex(int filterIndex);

// One list line as written in the given mode. Tab mode returns the line unchanged. Comma
// mode turns every TAB after the first character into a comma; a TAB in the first position
// (indentation) stays, as part of the first field. A field holding a comma, a double quote,
// CR or LF is written in double quotes (an indenting TAB inside them) with its quotes
// doubled; every other field is written as it is. An empty line is one empty field,
// written as "" so that a CSV reader finds that field rather than a row without any.
std::string ExportLine(std::string_view line, ExportMode mode);

// The lines of a list that are exported: the header (line 0) and the result lines
// (2 .. n-2), without the two separator lines. Empty when the list has fewer than three
// lines, which is the "not enough information" case for the caller.
std::vector<std::string> ExportedLines(const std::vector<std::string>& listLines);

struct ExportResult {
    bool ok = true;
    int error = 0;       // errno of the failed step, 0 on success
    std::string reason;  // the system's text for it

    explicit operator bool() const { return ok; }
};

// System calls the writer uses; empty members mean the real write(2) and fsync(2).
// Tests put failing functions here to simulate a full disk or a failing flush.
struct ExportIo {
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
    std::function<int(int fd)> sync;
};

// Whether a symbolic link (link, from lstat) found in folder (from stat) must not be
// followed by a process whose file-system uid is follower: the link lies in a sticky,
// world-writable folder and neither the follower nor the folder's owner owns it. This is
// the kernel's fs.protected_symlinks rule, applied whether that switch is on or not.
bool LinkFollowRefused(const struct stat& link, const struct stat& folder, uid_t follower);

// Whether an existing file (from stat) in folder must not be replaced by a process whose
// file-system uid is writer: the same rule for files, the kernel's fs.protected_regular
// (the file lies in a sticky, world-writable folder and neither the writer nor the
// folder's owner owns it). Replacing it would leave the new file where its planter can
// rename or remove it, and root's replacement would go on belonging to the planter.
bool FileReplaceRefused(const struct stat& file, const struct stat& folder, uid_t writer);

// Writes the lines, converted for the mode, each followed by one line feed, to path.
// The data goes to a new file beside the target and replaces the target by rename only
// once everything was written and flushed; on failure that file is removed and whatever
// was at path before stays untouched. A symbolic link is followed: the file it names is
// replaced; a link that LinkFollowRefused forbids fails with EACCES and
// kExportProtectedLinkText instead, a file that FileReplaceRefused forbids with EACCES and
// kExportProtectedFileText. A path that names a directory, device or pipe is refused.
ExportResult WriteExportFile(const std::string& path, const std::vector<std::string>& lines, ExportMode mode,
                             const ExportIo& io = {});

// The message text for a failed write: the fixed first line, the path, the reason.
std::string ExportFailureMessage(const std::string& path, const ExportResult& result);
