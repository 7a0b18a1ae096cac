#include "platform/registry/registry.h"

#include "platform/registry/reg_file.h"
#include "platform/registry/reg_text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace reg {

struct RegKey {
    std::string storePath;                                     // the file this key lives in
    std::string name;                                          // full key name, HKEY_CURRENT_USER\...
    text::Document view;                                       // what reads see: the file as read, plus our writes
    std::vector<std::pair<std::string, text::Value>> pending;  // writes not yet in the file
};

namespace {

RegKey g_currentUser{"", "HKEY_CURRENT_USER", {}, {}};

std::mutex g_openMutex;
std::set<RegKey*> g_openKeys;

bool IsOpen(HKEY key)
{
    std::lock_guard lock(g_openMutex);
    return g_openKeys.count(key) != 0;
}

LONG FromErrno(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOENT:
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    std::vector<char> buffer(16384);
    passwd entry;
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    return "";
}

// base\sub with empty components dropped ("a\\b\" is a\b).
std::string JoinKey(const std::string& base, const char* subKey)
{
    std::string out = base;
    std::string part;
    for (const char* p = subKey ? subKey : "";; ++p) {
        if (*p == '\\' || *p == '\0') {
            if (!part.empty())
                out += "\\" + part;
            part.clear();
            if (*p == '\0')
                break;
        } else {
            part += *p;
        }
    }
    return out;
}

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('/'));
}

void ReadInto(RegKey& key)
{
    std::string dir = FolderOf(key.storePath);
    file::FolderLock lock(dir);
    if (lock.held())
        file::RemoveLeftovers(key.storePath);
    file::ReadResult read = file::ReadStore(key.storePath);
    if (read.state == file::ReadState::Ok)
        key.view = text::Parse(read.text);
}

// Merges the pending writes into the file as it is now and replaces it.
LONG Flush(RegKey& key)
{
    if (key.pending.empty())
        return ERROR_SUCCESS;
    std::string dir = FolderOf(key.storePath);
    if (int e = file::MakeFolders(dir))
        return FromErrno(e);
    file::FolderLock lock(dir);
    if (lock.held())
        file::RemoveLeftovers(key.storePath);
    file::ReadResult read = file::ReadStore(key.storePath);
    text::Document doc;
    if (read.state == file::ReadState::Ok) {
        doc = text::Parse(read.text);
    } else if (read.state == file::ReadState::Unreadable) {
        if (int e = file::MoveAside(key.storePath))
            return FromErrno(e);
    }
    for (const auto& [name, value] : key.pending)
        text::SetValue(doc, key.name, name, value);
    if (int e = file::ReplaceAtomically(key.storePath, text::Format(doc)))
        return FromErrno(e);
    key.pending.clear();
    key.view = std::move(doc);
    return ERROR_SUCCESS;
}

}  // namespace

const HKEY HKEY_CURRENT_USER = &g_currentUser;

std::string RegStorePath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        base = HomeFolder();
        if (base.empty())
            return "";
        base += "/.config";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/Tavro/Vellox.reg";
}

LONG RegCreateKeyEx(HKEY root, const char* subKey, DWORD reserved, char* /*keyClass*/, DWORD /*options*/,
                    REGSAM /*samDesired*/, const void* /*security*/, HKEY* result, DWORD* disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (reserved != 0)
        return ERROR_INVALID_PARAMETER;
    if (root != HKEY_CURRENT_USER && !IsOpen(root))
        return ERROR_INVALID_HANDLE;

    auto key = std::make_unique<RegKey>();
    key->storePath = root == HKEY_CURRENT_USER ? RegStorePath() : root->storePath;
    if (key->storePath.empty())
        return ERROR_PATH_NOT_FOUND;
    key->name = JoinKey(root->name, subKey);
    if (int e = file::MakeFolders(FolderOf(key->storePath)))
        return FromErrno(e);
    ReadInto(*key);
    if (disposition)
        *disposition = text::HasKey(key->view, key->name) ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    std::lock_guard lock(g_openMutex);
    g_openKeys.insert(key.get());
    *result = key.release();
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size)
{
    if (reserved)
        return ERROR_INVALID_PARAMETER;
    if (!IsOpen(key))
        return ERROR_INVALID_HANDLE;
    const text::Line* line = text::FindValue(key->view, key->name, name ? name : "");
    if (!line)
        return ERROR_FILE_NOT_FOUND;
    if (line->kind != text::Line::Kind::Value)
        return ERROR_UNSUPPORTED_TYPE;

    const text::Value& value = line->value;
    std::string bytes;
    if (value.type == REG_DWORD) {
        bytes.resize(sizeof value.number);
        std::memcpy(bytes.data(), &value.number, sizeof value.number);
    } else {
        bytes = value.text;
        bytes += '\0';
    }
    DWORD needed = static_cast<DWORD>(bytes.size());
    if (type)
        *type = value.type;
    if (!data) {
        if (size)
            *size = needed;
        return ERROR_SUCCESS;
    }
    if (!size)
        return ERROR_INVALID_PARAMETER;
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    if (reserved != 0 || (!data && size != 0))
        return ERROR_INVALID_PARAMETER;
    if (!IsOpen(key))
        return ERROR_INVALID_HANDLE;
    std::string valueName = name ? name : "";
    if (!text::IsUtf8(valueName))
        return ERROR_NO_UNICODE_TRANSLATION;

    text::Value value;
    value.type = type;
    if (type == REG_SZ) {
        std::string_view bytes(reinterpret_cast<const char*>(data), size);
        value.text = std::string(bytes.substr(0, bytes.find('\0')));
        if (!text::IsUtf8(value.text))
            return ERROR_NO_UNICODE_TRANSLATION;
    } else if (type == REG_DWORD) {
        if (size != sizeof value.number)
            return ERROR_INVALID_PARAMETER;
        std::memcpy(&value.number, data, sizeof value.number);
    } else {
        return ERROR_UNSUPPORTED_TYPE;
    }
    text::SetValue(key->view, key->name, valueName, value);
    key->pending.emplace_back(std::move(valueName), std::move(value));
    return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key)
{
    if (key == HKEY_CURRENT_USER)
        return ERROR_SUCCESS;
    if (!IsOpen(key))
        return ERROR_INVALID_HANDLE;
    return Flush(*key);
}

LONG RegCloseKey(HKEY key)
{
    if (key == HKEY_CURRENT_USER)
        return ERROR_SUCCESS;
    {
        std::lock_guard lock(g_openMutex);
        if (g_openKeys.erase(key) == 0)
            return ERROR_INVALID_HANDLE;
    }
    std::unique_ptr<RegKey> owned(key);
    return Flush(*owned);
}

}  // namespace reg
