// The settings record of the main window and its persistence under the registry key
// HKEY_CURRENT_USER\Software\Tavro\Vellox.
//
// Every stored field's name is also its registry value name. Flags hold 0 or 1 and are
// stored as the REG_SZ texts "TRUE"/"FALSE"; indexes are REG_DWORD; the root path is a
// REG_SZ text of up to 4,095 bytes. serverName and entryCount are run-time fields that
// are never stored.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The member initialisers are the start-up defaults.
struct AppSettings {
    std::int32_t u_disabled = 0;
    std::int32_t u_expires = 1;
    std::int32_t u_user_id = 1;
    std::int32_t u_last_logon = 0;
    std::int32_t u_num_logons = 0;
    std::int32_t u_user_name = 1;
    std::int32_t u_pw_check = 0;
    std::int32_t u_max_storage = 1;
    std::int32_t u_script_check = 0;
    std::int32_t u_profile_check = 0;
    std::int32_t u_pass_expires = 0;
    std::int32_t g_comments = 1;
    std::int32_t g_groupname = 1;
    std::int32_t g_show_members = 0;
    std::int32_t x_export_type = 0;
    std::int32_t s_AFP = 1;
    std::int32_t s_BKB = 1;
    std::int32_t s_BKDC = 1;
    std::int32_t s_comments = 1;
    std::int32_t s_DC = 1;
    std::int32_t s_DM = 1;
    std::int32_t s_DOMMEM = 0;
    std::int32_t s_MB = 1;
    std::int32_t s_MFPN = 0;
    std::int32_t s_Server_Name = 1;
    std::int32_t s_NOVELL = 0;
    std::int32_t s_NT = 1;
    std::int32_t s_NTS = 1;
    std::int32_t s_DSF = 1;  // "OSF Server" option
    std::int32_t s_PB = 1;
    std::int32_t s_PQS = 1;
    std::int32_t s_SERV = 1;
    std::int32_t s_DIALIN = 0;
    std::int32_t s_SQL = 1;
    std::int32_t s_TIMESRV = 1;
    std::int32_t s_TYPE = 0;  // "Server ID" option
    std::int32_t s_UNIX = 1;
    std::int32_t s_VMS = 1;
    std::int32_t s_WFW = 0;
    std::int32_t s_WORKS = 1;
    std::int32_t always_browse = 0;
    std::int32_t entryCount = 0;       // run-time: rows counted by the running browse
    std::int32_t browse_priority = 2;  // 0 lowest .. 4 highest; other values load unchanged
    std::string serverName;            // run-time: current server, UTF-8, with its "\\\\" prefix
    std::string f_root_path = "/home/";
    std::int32_t f_user_name = 1;
    std::int32_t f_storage = 1;
    std::int32_t f_file_denial = 1;
    std::int32_t f_directory_denial = 1;
    std::int32_t n_Net_Types = 1;
    std::int32_t n_Domains = 1;
    std::int32_t n_Domain_Members = 1;
    std::int32_t n_Shares_Disk = 0;
    std::int32_t n_Shares_Printer = 0;
};

// Stored texts (root path, version stamps) are read and written whole up to this many
// bytes; the transfer buffer is one byte larger for the terminating NUL.
inline constexpr std::size_t kSettingsTextMax = 4095;

// One stored value of the record. Exactly one of flag/index/text is set.
struct SettingsValue {
    const char* name;  // registry value name (= field name)
    std::int32_t AppSettings::*flag;
    std::int32_t AppSettings::*index;
    std::string AppSettings::*text;
};

// Every stored field in the order SaveSettings writes them (after Version and Build):
// the u_, g_ and s_ flags, the four f_ flags, f_root_path, the n_ flags,
// x_export_type, always_browse, browse_priority.
extern const std::array<SettingsValue, 52> kSettingsValues;

// Assigns the start-up defaults (before LoadSettings). Leaves serverName alone; sets
// entryCount to 0.
void AssignStartupDefaults(AppSettings& settings);

// Reads every stored value over what the record holds; values that are missing, of the
// wrong type or too long leave their field untouched. version/build become "BETA"/
// "Build007" when missing. Returns false when the key can't be opened or created (the
// caller shows "Failed to create/open registry key. Defaults will be used."); the
// record is then untouched and the stamps are "BETA"/"Build007".
bool LoadSettings(AppSettings& settings, std::string& version, std::string& build);

// Writes Version, Build and every stored field, in one replace of the settings file.
// Returns false (the caller shows "Could not write data to registry.") when the key
// can't be opened or created, when the file could not be written, or when a value
// could not be stored (a text over kSettingsTextMax bytes keeps its stored value).
bool SaveSettings(const AppSettings& settings, const std::string& version, const std::string& build);

// The main window's place, kept in values of its own beside the settings ("window_left",
// "window_top", "window_width", "window_height" as REG_DWORD, "window_maximized" as a
// flag). LoadSettings and SaveSettings neither read nor write them, and saving them
// leaves every other value as it is.
struct WindowGeometry {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool maximized = false;
    bool operator==(const WindowGeometry&) const = default;
};

// The stored geometry; nothing when a value is missing or of the wrong type, or the
// size is not positive.
std::optional<WindowGeometry> LoadWindowGeometry();
// False when the settings file can't be written.
bool SaveWindowGeometry(const WindowGeometry& geometry);
