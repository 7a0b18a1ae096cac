#include "settings/app_settings.h"

#include "platform/registry/registry.h"

#include <cstdint>
#include <cstring>

using namespace reg;

namespace {

constexpr char kSettingsKey[] = "Software\\Tavro\\Vellox";
constexpr DWORD kTextBufferSize = kSettingsTextMax + 1;

constexpr SettingsValue Flag(const char* name, std::int32_t AppSettings::*member)
{
    return {name, member, nullptr, nullptr};
}
constexpr SettingsValue Index(const char* name, std::int32_t AppSettings::*member)
{
    return {name, nullptr, member, nullptr};
}
constexpr SettingsValue Text(const char* name, std::string AppSettings::*member)
{
    return {name, nullptr, nullptr, member};
}

HKEY OpenSettingsKey()
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyEx(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, &key, nullptr);
    return rc == ERROR_SUCCESS ? key : nullptr;
}

// A REG_SZ value read through the text buffer; nothing when it is missing, of another
// type or longer than the buffer.
std::optional<std::string> ReadText(HKEY key, const char* name)
{
    char buffer[kTextBufferSize];
    DWORD type = REG_NONE;
    DWORD size = sizeof buffer;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::string(buffer, strnlen(buffer, size));
}

void ReadFlag(HKEY key, const char* name, std::int32_t& flag)
{
    if (auto text = ReadText(key, name))
        flag = *text == "TRUE" ? 1 : 0;
}

void ReadIndex(HKEY key, const char* name, std::int32_t& index)
{
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
        type == REG_DWORD)
        index = static_cast<std::int32_t>(value);
}

// A text longer than the read buffer could be written but never read back, so it is
// refused (the stored value stays) rather than cut.
bool WriteText(HKEY key, const char* name, const std::string& text)
{
    if (text.size() > kSettingsTextMax || text.find('\0') != std::string::npos)
        return false;
    return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool WriteFlag(HKEY key, const char* name, std::int32_t flag)
{
    const char* text = flag == 1 ? "TRUE" : "FALSE";
    return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                         static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

bool WriteIndex(HKEY key, const char* name, std::int32_t index)
{
    DWORD value = static_cast<DWORD>(index);
    return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS;
}

}  // namespace

const std::array<SettingsValue, 52> kSettingsValues = {{
    Flag("u_disabled", &AppSettings::u_disabled),
    Flag("u_expires", &AppSettings::u_expires),
    Flag("u_user_id", &AppSettings::u_user_id),
    Flag("u_last_logon", &AppSettings::u_last_logon),
    Flag("u_num_logons", &AppSettings::u_num_logons),
    Flag("u_user_name", &AppSettings::u_user_name),
    Flag("u_pw_check", &AppSettings::u_pw_check),
    Flag("u_max_storage", &AppSettings::u_max_storage),
    Flag("u_script_check", &AppSettings::u_script_check),
    Flag("u_profile_check", &AppSettings::u_profile_check),
    Flag("u_pass_expires", &AppSettings::u_pass_expires),
    Flag("g_comments", &AppSettings::g_comments),
    Flag("g_groupname", &AppSettings::g_groupname),
    Flag("g_show_members", &AppSettings::g_show_members),
    Flag("s_AFP", &AppSettings::s_AFP),
    Flag("s_BKB", &AppSettings::s_BKB),
    Flag("s_BKDC", &AppSettings::s_BKDC),
    Flag("s_comments", &AppSettings::s_comments),
    Flag("s_DC", &AppSettings::s_DC),
    Flag("s_DM", &AppSettings::s_DM),
    Flag("s_DOMMEM", &AppSettings::s_DOMMEM),
    Flag("s_MB", &AppSettings::s_MB),
    Flag("s_MFPN", &AppSettings::s_MFPN),
    Flag("s_Server_Name", &AppSettings::s_Server_Name),
    Flag("s_NOVELL", &AppSettings::s_NOVELL),
    Flag("s_NT", &AppSettings::s_NT),
    Flag("s_NTS", &AppSettings::s_NTS),
    Flag("s_DSF", &AppSettings::s_DSF),
    Flag("s_PB", &AppSettings::s_PB),
    Flag("s_PQS", &AppSettings::s_PQS),
    Flag("s_SERV", &AppSettings::s_SERV),
    Flag("s_DIALIN", &AppSettings::s_DIALIN),
    Flag("s_SQL", &AppSettings::s_SQL),
    Flag("s_TIMESRV", &AppSettings::s_TIMESRV),
    Flag("s_TYPE", &AppSettings::s_TYPE),
    Flag("s_UNIX", &AppSettings::s_UNIX),
    Flag("s_VMS", &AppSettings::s_VMS),
    Flag("s_WFW", &AppSettings::s_WFW),
    Flag("s_WORKS", &AppSettings::s_WORKS),
    Flag("f_user_name", &AppSettings::f_user_name),
    Flag("f_storage", &AppSettings::f_storage),
    Flag("f_file_denial", &AppSettings::f_file_denial),
    Flag("f_directory_denial", &AppSettings::f_directory_denial),
    Text("f_root_path", &AppSettings::f_root_path),
    Flag("n_Net_Types", &AppSettings::n_Net_Types),
    Flag("n_Domains", &AppSettings::n_Domains),
    Flag("n_Domain_Members", &AppSettings::n_Domain_Members),
    Flag("n_Shares_Disk", &AppSettings::n_Shares_Disk),
    Flag("n_Shares_Printer", &AppSettings::n_Shares_Printer),
    Index("x_export_type", &AppSettings::x_export_type),
    Flag("always_browse", &AppSettings::always_browse),
    Index("browse_priority", &AppSettings::browse_priority),
}};

void AssignStartupDefaults(AppSettings& settings)
{
    std::string serverName = std::move(settings.serverName);
    settings = AppSettings{};
    settings.serverName = std::move(serverName);
}

bool LoadSettings(AppSettings& settings, std::string& version, std::string& build)
{
    HKEY key = OpenSettingsKey();
    if (!key) {
        // The stamps read as missing, so the About box still shows them.
        version = "BETA";
        build = "Build007";
        return false;
    }
    version = ReadText(key, "Version").value_or("BETA");
    build = ReadText(key, "Build").value_or("Build007");
    for (const SettingsValue& value : kSettingsValues) {
        if (value.flag) {
            ReadFlag(key, value.name, settings.*value.flag);
        } else if (value.index) {
            ReadIndex(key, value.name, settings.*value.index);
        } else if (auto text = ReadText(key, value.name)) {
            settings.*value.text = std::move(*text);
        }
    }
    RegCloseKey(key);  // nothing was written: closing can't lose anything
    return true;
}

bool SaveSettings(const AppSettings& settings, const std::string& version, const std::string& build)
{
    HKEY key = OpenSettingsKey();
    if (!key)
        return false;
    bool written = WriteText(key, "Version", version);
    written = WriteText(key, "Build", build) && written;
    for (const SettingsValue& value : kSettingsValues) {
        bool ok = value.flag    ? WriteFlag(key, value.name, settings.*value.flag)
                  : value.index ? WriteIndex(key, value.name, settings.*value.index)
                                : WriteText(key, value.name, settings.*value.text);
        written = ok && written;
    }
    // The values reach the file only here, in one replace.
    return RegCloseKey(key) == ERROR_SUCCESS && written;
}

namespace {

constexpr const char* kGeometryValues[] = {"window_left", "window_top", "window_width", "window_height"};

std::optional<std::int32_t> ReadDword(HKEY key, const char* name)
{
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<WindowGeometry> LoadWindowGeometry()
{
    HKEY key = OpenSettingsKey();
    if (!key)
        return std::nullopt;
    std::optional<std::int32_t> v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = ReadDword(key, kGeometryValues[i]);
    std::int32_t maximized = 0;
    ReadFlag(key, "window_maximized", maximized);
    RegCloseKey(key);
    if (!v[0] || !v[1] || !v[2] || !v[3] || *v[2] <= 0 || *v[3] <= 0)
        return std::nullopt;
    return WindowGeometry{*v[0], *v[1], *v[2], *v[3], maximized == 1};
}

bool SaveWindowGeometry(const WindowGeometry& geometry)
{
    HKEY key = OpenSettingsKey();
    if (!key)
        return false;
    const std::int32_t values[] = {geometry.left, geometry.top, geometry.width, geometry.height};
    bool written = true;
    for (int i = 0; i < 4; ++i)
        written = WriteIndex(key, kGeometryValues[i], values[i]) && written;
    written = WriteFlag(key, "window_maximized", geometry.maximized ? 1 : 0) && written;
    return RegCloseKey(key) == ERROR_SUCCESS && written;
}
