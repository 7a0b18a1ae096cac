// A per-user registry: keys under HKEY_CURRENT_USER holding typed values (REG_SZ,
// REG_DWORD), with the Windows calls and outcomes.
//
// The keys live in one text file, $XDG_CONFIG_HOME/Tavro/Vellox.reg (default
// ~/.config), in the .reg syntax: a "[HKEY_CURRENT_USER\Software\...]" line per key
// followed by its "name"="text" and "name"=dword:0000000a lines. An open key reads the
// file once; its writes are collected and go to the file on RegFlushKey or RegCloseKey
// as one atomic replace (temporary file in the same folder, fsync, rename), merged
// into what the file holds at that moment, so values and lines this program doesn't
// know survive. A failed write is returned by RegFlushKey/RegCloseKey.
//
// Value and key names are compared without regard to ASCII case, as on Windows.
#pragma once

#include <cstdint>
#include <string>

namespace reg {

using LONG = std::int32_t;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;
using REGSAM = DWORD;

struct RegKey;
using HKEY = RegKey*;

// The predefined root key.
extern const HKEY HKEY_CURRENT_USER;

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_DWORD = 4;

// RegCreateKeyEx options, access and dispositions (options and access are accepted
// and not enforced: a key opened here may always be read and written).
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Results.
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;  // no such value
inline constexpr LONG ERROR_PATH_NOT_FOUND = 3;  // settings folder can't be made
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_DISK_FULL = 112;
inline constexpr LONG ERROR_MORE_DATA = 234;                // buffer too small; size holds the need
inline constexpr LONG ERROR_NO_UNICODE_TRANSLATION = 1113;  // REG_SZ data not UTF-8
inline constexpr LONG ERROR_REGISTRY_IO_FAILED = 1016;
inline constexpr LONG ERROR_UNSUPPORTED_TYPE = 1630;

// Opens subKey below root (HKEY_CURRENT_USER or an open key), creating it if needed.
// The settings folder is created here (mode 0700); when it can't be, the call fails
// and *result is null. The file itself is written only when a value is.
LONG RegCreateKeyEx(HKEY root, const char* subKey, DWORD reserved, char* keyClass, DWORD options, REGSAM samDesired,
                    const void* security, HKEY* result, DWORD* disposition);

// Reads a value. type (optional) receives REG_SZ or REG_DWORD. With data null only
// the needed size is returned. When *size is too small the result is ERROR_MORE_DATA
// and *size the needed size. REG_SZ data comes back with its terminating NUL, counted
// in the size. A missing value gives ERROR_FILE_NOT_FOUND.
LONG RegQueryValueEx(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);

// Sets a value. REG_SZ: the text up to its first NUL (or size bytes), which must be
// UTF-8. REG_DWORD: size must be 4.
LONG RegSetValueEx(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);

// Writes the key's collected changes to the file.
LONG RegFlushKey(HKEY key);

// Writes the key's collected changes and releases the handle (also when the write
// fails; the error is returned).
LONG RegCloseKey(HKEY key);

// The file that holds the keys for the current environment, or "" when no home
// folder can be found.
std::string RegStorePath();

}  // namespace reg
