// Texts and file types of the Export command.
#pragma once

// The save dialog's file types, in the order the filter index counts them (1-based).
struct ExportFileFilter {
    const char* text;
    const char* pattern;
};

inline constexpr ExportFileFilter kExportFileFilters[] = {
    {"Text files (*.txt)", "*.txt"},
    {"CSV (*.csv)", "*.csv"},
};

inline constexpr const char* kExportDefaultExtension = "TXT";

inline constexpr int IDS_EXPORT_NOT_ENOUGH = 59200;
inline constexpr const char* kExportNotEnoughText =
    "There is not enough information to be exported. Re-apply selection with different settings.";

// First line of the message shown when the file could not be written; the path and the
// system's reason follow on lines of their own.
inline constexpr const char* kExportWriteFailedText = "Could not write the export file.";

// Reason given when the chosen path names something other than a regular file (a device,
// a pipe, a socket), which export refuses to replace.
inline constexpr const char* kExportNotRegularFileText = "Not a regular file.";

// Reason given when the chosen path is a symbolic link that another user placed in a shared
// sticky folder such as /tmp: export does not follow it, as such a link can point the write
// at any file the exporting user may change.
inline constexpr const char* kExportProtectedLinkText =
    "The file is a link that another user placed in a shared folder; it was not followed.";

// Reason given when the chosen file belongs to another user and lies in a shared sticky
// folder such as /tmp: export does not replace it, as that user placed it there and could
// take the new file over.
inline constexpr const char* kExportProtectedFileText =
    "The file belongs to another user and lies in a shared folder; it was not replaced.";
