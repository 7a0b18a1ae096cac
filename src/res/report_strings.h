// Texts of the report mode (vellox --report), written to standard error.
#pragma once

#include <cstdint>
#include <string>

#include "res/browse_strings.h"

namespace res {

// Every line a report writes to standard error starts with the program's name.
inline constexpr char kReportPrefix[] = "vellox: ";

inline std::string ReportReadFailedText(const std::string& display, const std::string& server,
                                        const std::string& reason)
{
    return display + " of " + server + " could not be read: " + reason;
}

inline std::string ReportCutShortText(const std::string& display)
{
    return display + ": " + STR_MORE_ENTRIES + " The list was not written.";
}

inline std::string ReportNoServersText(const std::string& server)
{
    return std::string("SERVERS of ") + server + ": " + STR_NO_SERVERS;
}

inline std::string ReportRootUnlistedText(const std::string& root)
{
    return "FILES: the folder " + root + " could not be listed.";
}

inline std::string ReportNothingAnsweredText(const std::string& server)
{
    return "NETWORK: nothing answered from " + server + ".";
}

// `failed` is the window's text for a browse that ended by an exception.
inline std::string ReportBrowseFailedText(const std::string& display, const std::string& failed,
                                          const std::string& reason)
{
    return display + ": " + failed + " (" + reason + ")";
}

inline constexpr char kReportNoCredentialsText[] =
    "a report needs credentials and found none: give an authentication file with --auth-file FILE "
    "(or VELLOX_AUTH_FILE), or get a Kerberos ticket with kinit.";

inline std::string ReportLogonRefusedText(const std::string& display)
{
    return display + " was not read: the log-on was refused.";
}

// The progress line: "USERS of \\DC1: " or "FILES below /home/: ", then the count.
inline std::string ReportProgressSubject(const std::string& display, bool files, const std::string& where)
{
    return display + (files ? " below " : " of ") + where + ": ";
}

inline std::string ReportProgressText(const std::string& subject, std::uint64_t found, long long seconds)
{
    return subject + std::to_string(found) + " entries found, " + std::to_string(seconds) + " s";
}

inline constexpr char kReportStdoutFailedText[] = "standard output could not be written.";

}  // namespace res
