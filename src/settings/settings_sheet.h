// The Settings command: the sheet "Settings" with its seven pages over a copy of the
// record; OK copies the pages back, saves the record and says whether to browse again.
#pragma once

#include <string>

#include "settings/app_settings.h"

class CWnd;

// The tab the sheet opens on for the text of the Display box: "GROUPS" 1, "NETWORK" 2,
// "SERVERS" 3, "USERS" 4, anything else (FILES included) 0.
int SettingsStartPage(const std::string& displayText);

// The root path with its trailing separator: "/" after a local or smb:// path ("" gives
// "/"), "\" after a path written as \\server\share\dir.
std::string WithTrailingSeparator(const std::string& path);

// Runs the sheet modally on `settings`, opening on the page of `displayText`. The
// Servers page shows settings.serverName. Cancel changes nothing and returns false. OK
// copies every page into `settings`, adds the root path's trailing separator and saves
// the record with the two version stamps; when the save fails, "Could not write data to
// registry." is shown (owned by `owner`) and the new values stay in `settings`. Returns
// true when the caller must browse again (OK with always_browse set).
bool OnSettingsCommand(AppSettings& settings, const std::string& displayText, const std::string& version,
                       const std::string& build, CWnd* owner);
