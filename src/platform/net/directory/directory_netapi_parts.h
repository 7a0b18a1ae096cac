// What the files of DirectoryNetApi share: the searches' filters and attributes, the
// small readers of entries, the account record and the call wrapper.
#pragma once

#include "platform/net/directory/directory_convert.h"
#include "platform/net/directory/directory_ldap.h"
#include "platform/net/directory/directory_netapi.h"
#include "platform/threads/owned_threads.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace net {

namespace directory_parts {

using namespace directory;

inline const std::string kGlobalGroupFilter = "(&(objectClass=group)(|(groupType=-2147483646)(groupType=-2147483640)))";
inline const std::string kLocalGroupFilter = "(&(objectClass=group)(|(groupType=-2147483644)(groupType=-2147483643)))";
inline const char* const kBuiltinSid = "S-1-5-32";
inline constexpr std::size_t kOrChunk = 200;  // values per (|...) filter

// The attributes of an account that a level-3 read asks for, by their place in
// kUserAttributes.
enum UserAttribute : std::size_t {
    kSamAccountName,
    kDisplayName,
    kDescription,
    kLogonCount,
    kLastLogon,
    kLastLogonTimestamp,
    kAccountExpires,
    kUserAccountControl,
    kLockoutTime,
    kPwdLastSet,
    kProfilePath,
    kScriptPath,
    kHomeDirectory,
    kHomeDrive,
    kObjectSid,
    kPrimaryGroupId,
    kBadPwdCount,
    kComment,
    kUserWorkstations,
    kMaxStorage,
    kCountryCode,
    kCodePage,
    kUserParameters,
    kLogonHours,
    kNtSecurityDescriptor,
    kUserAttributeCount
};

inline const std::vector<std::string> kUserAttributes = {"sAMAccountName",      "displayName",
                                                         "description",         "logonCount",
                                                         "lastLogon",           "lastLogonTimestamp",
                                                         "accountExpires",      "userAccountControl",
                                                         "lockoutTime",         "pwdLastSet",
                                                         "profilePath",         "scriptPath",
                                                         "homeDirectory",       "homeDrive",
                                                         "objectSid",           "primaryGroupID",
                                                         "badPwdCount",         "comment",
                                                         "userWorkstations",    "maxStorage",
                                                         "countryCode",         "codePage",
                                                         "userParameters",      "logonHours",
                                                         "nTSecurityDescriptor"};

inline std::int64_t Now()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

inline std::string SidOf(const Entry& e)
{
    return SidToString(e.Text("objectsid")).value_or(std::string());
}

inline std::string_view First(const AttributeView& attribute)
{
    return attribute.values.empty() ? std::string_view() : attribute.values.front();
}

inline std::string SidFilter(const std::string& sidText)
{
    const auto binary = SidFromString(sidText);
    return binary ? "(objectSid=" + EscapeFilterValue(*binary) + ")" : std::string();
}

inline Status StatusOf(int rc)
{
    return StatusOfLdapResult(rc);
}

}  // namespace directory_parts

struct DirectoryNetApi::Account {
    std::string dn;
    std::string name;
    std::string sid;
    std::uint32_t uac = 0;
    std::uint32_t groupType = 0;
    std::uint32_t primaryGroupId = 0;
    bool isGroup = false;
    bool isUser = false;
    directory::Entry entry;
};

// Runs `work` on a bound session; a connection that broke on the way is made again
// and the work repeated once.
template <class Work>
Status DirectoryNetApi::Call(Work&& work)
{
    std::lock_guard lock(m_mutex);
    if (threads::StopRequested())
        return ERROR_CANCELLED;  // stopped while another call held the session
    for (int attempt = 0;; ++attempt) {
        Status status = Ensure();
        if (status != NERR_Success)
            return status;
        status = work();
        if (!m_session->Broken() || attempt == 1)
            return status;
    }
}

}  // namespace net
