// The LAN Manager network management functions the program calls, as one interface.
//
// Every method mirrors one Net function: the same arguments (server names keep their
// two leading backslashes; an empty server means the local computer), the same info
// levels as plain structs with UTF-8 std::string fields, and the same status codes.
// Lists always come back complete: the back end follows resume handles and
// ERROR_MORE_DATA itself, so callers never see a partial batch.
//
// Back ends: SambaNetApi (libnetapi), DirectoryNetApi (LDAP, Active Directory) and
// SimNetApi (the sample domain, in memory).
#pragma once

#include "platform/net/discovered_host.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace net {

using Status = std::uint32_t;  // NET_API_STATUS

// Status codes, as the Net functions return them.
inline constexpr Status NERR_Success = 0;
inline constexpr Status ERROR_FILE_NOT_FOUND = 2;
inline constexpr Status ERROR_ACCESS_DENIED = 5;
inline constexpr Status ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr Status ERROR_NOT_SUPPORTED = 50;
inline constexpr Status ERROR_BAD_NETPATH = 53;
inline constexpr Status ERROR_UNEXP_NET_ERR = 59;
inline constexpr Status ERROR_INVALID_PARAMETER = 87;
inline constexpr Status ERROR_SEM_TIMEOUT = 121;
inline constexpr Status ERROR_INVALID_LEVEL = 124;
inline constexpr Status ERROR_MORE_DATA = 234;
inline constexpr Status ERROR_NO_MORE_ITEMS = 259;
inline constexpr Status ERROR_CANNOT_COMPLETE = 1003;
inline constexpr Status ERROR_CANCELLED = 1223;  // the browse was stopped: no request was sent
inline constexpr Status ERROR_CONNECTION_REFUSED = 1225;
inline constexpr Status ERROR_SOME_NOT_MAPPED = 1301;
inline constexpr Status ERROR_NO_SUCH_USER = 1317;
inline constexpr Status ERROR_NO_SUCH_GROUP = 1319;
inline constexpr Status ERROR_MEMBER_IN_GROUP = 1320;
inline constexpr Status ERROR_MEMBER_NOT_IN_GROUP = 1321;
inline constexpr Status ERROR_LOGON_FAILURE = 1326;
inline constexpr Status ERROR_NONE_MAPPED = 1332;
inline constexpr Status ERROR_INVALID_SID = 1337;
inline constexpr Status ERROR_NO_SUCH_DOMAIN = 1355;
inline constexpr Status ERROR_INTERNAL_DB_CORRUPTION = 1358;
inline constexpr Status ERROR_MEMBERS_PRIMARY_GROUP = 1374;  // removing a user from its primary group
inline constexpr Status ERROR_NO_SUCH_ALIAS = 1376;
inline constexpr Status ERROR_MEMBER_NOT_IN_ALIAS = 1377;
inline constexpr Status ERROR_MEMBER_IN_ALIAS = 1378;
inline constexpr Status ERROR_NO_SUCH_MEMBER = 1387;  // a member identifier that names no account
inline constexpr Status ERROR_INVALID_MEMBER = 1388;  // a local group or domain identifier as a member
inline constexpr Status ERROR_TIMEOUT = 1460;
inline constexpr Status RPC_S_SERVER_UNAVAILABLE = 1722;
inline constexpr Status ERROR_INVALID_DATATYPE = 1804;
inline constexpr Status NERR_GroupNotFound = 2220;
inline constexpr Status NERR_UserNotFound = 2221;
inline constexpr Status NERR_GroupExists = 2223;
inline constexpr Status NERR_UserExists = 2224;
inline constexpr Status NERR_PasswordTooShort = 2245;
inline constexpr Status NERR_InvalidComputer = 2351;
inline constexpr Status NERR_DCNotFound = 2453;
inline constexpr Status ERROR_NO_BROWSER_SERVERS_FOUND = 6118;

// NetUserEnum filters.
inline constexpr std::uint32_t FILTER_TEMP_DUPLICATE_ACCOUNT = 0x0001;
inline constexpr std::uint32_t FILTER_NORMAL_ACCOUNT = 0x0002;
inline constexpr std::uint32_t FILTER_INTERDOMAIN_TRUST_ACCOUNT = 0x0008;
inline constexpr std::uint32_t FILTER_WORKSTATION_TRUST_ACCOUNT = 0x0010;
inline constexpr std::uint32_t FILTER_SERVER_TRUST_ACCOUNT = 0x0020;

// usri3_flags bits.
inline constexpr std::uint32_t UF_SCRIPT = 0x0001;
inline constexpr std::uint32_t UF_ACCOUNTDISABLE = 0x0002;
inline constexpr std::uint32_t UF_HOMEDIR_REQUIRED = 0x0008;
inline constexpr std::uint32_t UF_LOCKOUT = 0x0010;
inline constexpr std::uint32_t UF_PASSWD_NOTREQD = 0x0020;
inline constexpr std::uint32_t UF_PASSWD_CANT_CHANGE = 0x0040;
inline constexpr std::uint32_t UF_TEMP_DUPLICATE_ACCOUNT = 0x0100;
inline constexpr std::uint32_t UF_NORMAL_ACCOUNT = 0x0200;
inline constexpr std::uint32_t UF_INTERDOMAIN_TRUST_ACCOUNT = 0x0800;
inline constexpr std::uint32_t UF_WORKSTATION_TRUST_ACCOUNT = 0x1000;
inline constexpr std::uint32_t UF_SERVER_TRUST_ACCOUNT = 0x2000;
inline constexpr std::uint32_t UF_DONT_EXPIRE_PASSWD = 0x10000;
inline constexpr std::uint32_t UF_PASSWORD_EXPIRED = 0x800000;  // computed on reading, never written

inline constexpr std::uint32_t TIMEQ_FOREVER = 0xFFFFFFFFu;
inline constexpr std::uint32_t USER_MAXSTORAGE_UNLIMITED = 0xFFFFFFFFu;
inline constexpr std::uint32_t USER_PRIV_GUEST = 0;
inline constexpr std::uint32_t USER_PRIV_USER = 1;
inline constexpr std::uint32_t USER_PRIV_ADMIN = 2;

// Well-known relative identifiers of an account domain.
inline constexpr std::uint32_t DOMAIN_USER_RID_ADMIN = 500;
inline constexpr std::uint32_t DOMAIN_USER_RID_GUEST = 501;
inline constexpr std::uint32_t DOMAIN_GROUP_RID_USERS = 513;

// The attributes a global group membership reports (mandatory, enabled by default, enabled).
inline constexpr std::uint32_t SE_GROUP_DEFAULT_ATTRIBUTES = 0x7;

// NetUserGetLocalGroups flags.
inline constexpr std::uint32_t LG_INCLUDE_INDIRECT = 0x0001;

// sv101_type bits (the SERVERS display tests them one by one).
inline constexpr std::uint32_t SV_TYPE_WORKSTATION = 0x00000001;
inline constexpr std::uint32_t SV_TYPE_SERVER = 0x00000002;
inline constexpr std::uint32_t SV_TYPE_SQLSERVER = 0x00000004;
inline constexpr std::uint32_t SV_TYPE_DOMAIN_CTRL = 0x00000008;
inline constexpr std::uint32_t SV_TYPE_DOMAIN_BAKCTRL = 0x00000010;
inline constexpr std::uint32_t SV_TYPE_TIME_SOURCE = 0x00000020;
inline constexpr std::uint32_t SV_TYPE_AFP = 0x00000040;
inline constexpr std::uint32_t SV_TYPE_NOVELL = 0x00000080;
inline constexpr std::uint32_t SV_TYPE_DOMAIN_MEMBER = 0x00000100;
inline constexpr std::uint32_t SV_TYPE_PRINTQ_SERVER = 0x00000200;
inline constexpr std::uint32_t SV_TYPE_DIALIN_SERVER = 0x00000400;
inline constexpr std::uint32_t SV_TYPE_XENIX_SERVER = 0x00000800;
inline constexpr std::uint32_t SV_TYPE_NT = 0x00001000;
inline constexpr std::uint32_t SV_TYPE_WFW = 0x00002000;
inline constexpr std::uint32_t SV_TYPE_SERVER_MFPN = 0x00004000;
inline constexpr std::uint32_t SV_TYPE_SERVER_NT = 0x00008000;
inline constexpr std::uint32_t SV_TYPE_POTENTIAL_BROWSER = 0x00010000;
inline constexpr std::uint32_t SV_TYPE_BACKUP_BROWSER = 0x00020000;
inline constexpr std::uint32_t SV_TYPE_MASTER_BROWSER = 0x00040000;
inline constexpr std::uint32_t SV_TYPE_DOMAIN_MASTER = 0x00080000;
inline constexpr std::uint32_t SV_TYPE_SERVER_OSF = 0x00100000;
inline constexpr std::uint32_t SV_TYPE_SERVER_VMS = 0x00200000;
inline constexpr std::uint32_t SV_TYPE_DOMAIN_ENUM = 0x80000000u;  // ServerEnum lists the domains instead
inline constexpr std::uint32_t SV_TYPE_ALL = 0xFFFFFFFFu;

inline constexpr std::uint32_t PLATFORM_ID_NT = 500;

// shi1_type values.
inline constexpr std::uint32_t STYPE_DISKTREE = 0;
inline constexpr std::uint32_t STYPE_PRINTQ = 1;
inline constexpr std::uint32_t STYPE_DEVICE = 2;
inline constexpr std::uint32_t STYPE_IPC = 3;
inline constexpr std::uint32_t STYPE_SPECIAL = 0x80000000u;

struct USER_INFO_0 {
    std::string usri0_name;
};

struct USER_INFO_3 {
    std::string usri3_name;
    // Read: always empty. Write: a value sets a new password, nullopt leaves it.
    std::optional<std::string> usri3_password;
    std::uint32_t usri3_password_age = 0;  // seconds since the last change; 0 = must change
    std::uint32_t usri3_priv = USER_PRIV_USER;
    std::string usri3_home_dir;
    std::string usri3_comment;
    std::uint32_t usri3_flags = UF_SCRIPT | UF_NORMAL_ACCOUNT;
    std::string usri3_script_path;
    std::uint32_t usri3_auth_flags = 0;
    std::string usri3_full_name;
    std::string usri3_usr_comment;
    std::string usri3_parms;
    std::string usri3_workstations;
    std::uint32_t usri3_last_logon = 0;  // seconds since 1970 (UTC); 0 = never
    std::uint32_t usri3_last_logoff = 0;
    std::uint32_t usri3_acct_expires = TIMEQ_FOREVER;  // seconds since 1970, or TIMEQ_FOREVER
    std::uint32_t usri3_max_storage = USER_MAXSTORAGE_UNLIMITED;
    std::uint32_t usri3_units_per_week = 168;
    std::vector<std::uint8_t> usri3_logon_hours;
    std::uint32_t usri3_bad_pw_count = 0;
    std::uint32_t usri3_num_logons = 0;
    std::string usri3_logon_server;
    std::uint32_t usri3_country_code = 0;
    std::uint32_t usri3_code_page = 0;
    std::uint32_t usri3_user_id = 0;
    std::uint32_t usri3_primary_group_id = DOMAIN_GROUP_RID_USERS;
    // nullopt: the server returned no profile text at all (distinct from an empty one).
    std::optional<std::string> usri3_profile;
    std::string usri3_home_dir_drive;
    std::uint32_t usri3_password_expired = 0;
};

// The fields of a USER_INFO_3 that a UserSetInfo writes.
struct UserFields {
    bool fullName = false;         // usri3_full_name
    bool comment = false;          // usri3_comment
    bool password = false;         // usri3_password, when it holds a value
    bool passwordExpired = false;  // usri3_password_expired: "must change password at next logon"
    // The usri3_flags bits to write: UF_ACCOUNTDISABLE, UF_DONT_EXPIRE_PASSWD and
    // UF_PASSWD_CANT_CHANGE set or cleared as `info` says; UF_LOCKOUT only cleared (unlock).
    std::uint32_t flags = 0;

    static constexpr std::uint32_t kWritableFlags =
        UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD | UF_PASSWD_CANT_CHANGE | UF_LOCKOUT;
    static UserFields All() { return {true, true, true, true, kWritableFlags}; }
    bool Empty() const { return !fullName && !comment && !password && !passwordExpired && flags == 0; }
    bool operator==(const UserFields&) const = default;
};

// `current` (the account as the server holds it now) with the fields `fields` names
// taken from `info`: what a write of those fields asks for. A lockout is only ever
// cleared, never set.
USER_INFO_3 WithUserFields(USER_INFO_3 current, const USER_INFO_3& info, const UserFields& fields);

struct GROUP_INFO_0 {
    std::string grpi0_name;
};

struct GROUP_INFO_2 {
    std::string grpi2_name;
    std::string grpi2_comment;
    std::uint32_t grpi2_group_id = 0;
    std::uint32_t grpi2_attributes = 0;
};

struct GROUP_USERS_INFO_0 {
    std::string grui0_name;
};

// A global group with its members, as NetGroupEnum level 2 and NetGroupGetUsers level 0
// give them; `status` is that of the members' query.
struct GroupWithUsers {
    GROUP_INFO_2 group;
    Status status = 0;
    std::vector<GROUP_USERS_INFO_0> users;
};

struct GROUP_USERS_INFO_1 {
    std::string grui1_name;
    std::uint32_t grui1_attributes = 0;
};

struct LOCALGROUP_INFO_0 {
    std::string lgrpi0_name;
};

struct LOCALGROUP_INFO_1 {
    std::string lgrpi1_name;
    std::string lgrpi1_comment;
};

struct LOCALGROUP_USERS_INFO_0 {
    std::string lgrui0_name;
};

struct SERVER_INFO_101 {
    std::uint32_t sv101_platform_id = PLATFORM_ID_NT;
    std::string sv101_name;  // without leading backslashes
    std::uint32_t sv101_version_major = 0;
    std::uint32_t sv101_version_minor = 0;
    std::uint32_t sv101_type = 0;
    std::string sv101_comment;
};

struct SHARE_INFO_1 {
    std::string shi1_netname;
    std::uint32_t shi1_type = STYPE_DISKTREE;
    std::string shi1_remark;
};

// A security identifier in its string form ("S-1-5-21-...-1104").
struct Sid {
    std::string text;
    bool operator==(const Sid&) const = default;
};

enum class SidNameUse { User = 1, Group, Domain, Alias, WellKnownGroup, DeletedAccount, Invalid, Unknown, Computer };

class NetApi {
public:
    virtual ~NetApi() = default;

    // NetGetDCName: the primary domain controller of `domain` (empty: the server's own
    // domain) as known to `server` (empty: this computer). dcName keeps its backslashes.
    virtual Status GetDCName(const std::string& server, const std::string& domain, std::string& dcName) = 0;

    // NetServerEnum, level 101, of `domain` (empty: the primary domain) as seen from
    // `server` (empty: this computer). totalEntries is what the browser knows in all;
    // it exceeds out.size() only when the back end could not read everything.
    virtual Status ServerEnum(const std::string& server, std::uint32_t serverType, const std::string& domain,
                              std::vector<SERVER_INFO_101>& out, std::uint32_t& totalEntries) = 0;
    // The domains `server` knows, by their NetBIOS names: its own first, then the ones
    // its domain trusts. ERROR_NOT_SUPPORTED where a back end can't tell.
    virtual Status DomainEnum(const std::string& server, std::vector<std::string>& out)
    {
        (void)server;
        out.clear();
        return ERROR_NOT_SUPPORTED;
    }
    // The NetBIOS browse list: the workgroups and domains the master browsers list
    // when `workgroup` is empty, else the servers of `workgroup`. ERROR_NOT_SUPPORTED
    // where a back end has no browse list.
    virtual Status BrowseListEnum(const std::string& workgroup, std::vector<std::string>& out)
    {
        (void)workgroup;
        out.clear();
        return ERROR_NOT_SUPPORTED;
    }
    // The hosts that announce themselves on this computer's networks (WS-Discovery,
    // DNS-SD), each with its domain or workgroup. ERROR_NOT_SUPPORTED where a back end
    // has no such source.
    virtual Status DiscoverHosts(std::vector<DiscoveredHost>& out)
    {
        out.clear();
        return ERROR_NOT_SUPPORTED;
    }
    // NetServerGetInfo, level 101.
    virtual Status ServerGetInfo(const std::string& server, SERVER_INFO_101& out) = 0;
    // NetShareEnum, level 1.
    virtual Status ShareEnum(const std::string& server, std::vector<SHARE_INFO_1>& out) = 0;

    // NetUserEnum, level 3.
    virtual Status UserEnum(const std::string& server, std::uint32_t filter, std::vector<USER_INFO_3>& out) = 0;
    // Level 0: the names of the level-3 list, in its order. Virtual because the real
    // routes read names alone far faster than whole accounts (libnetapi about 100 times
    // on a large domain), and the Group Properties dialog lists every account's name.
    virtual Status UserEnum(const std::string& server, std::uint32_t filter, std::vector<USER_INFO_0>& out)
    {
        std::vector<USER_INFO_3> users;
        const Status status = UserEnum(server, filter, users);
        return NamesOf(status, users, &USER_INFO_3::usri3_name, out);
    }
    // NetUserGetInfo, level 3.
    virtual Status UserGetInfo(const std::string& server, const std::string& user, USER_INFO_3& out) = 0;
    // NetUserSetInfo, level 3, of the fields `fields` names, and only those: every other
    // field stays as the server holds it, whatever `info` says of it, so that a change
    // another administrator made meanwhile survives. The order is the password, then
    // usri3_password_expired, then the rest, the unlock last. A field the back end
    // can't write fails with ERROR_NOT_SUPPORTED before anything is written; any
    // other failure stops the write there and returns its status.
    virtual Status UserSetInfo(const std::string& server, const std::string& user, const USER_INFO_3& info,
                               const UserFields& fields) = 0;
    // Every field the level-3 write covers.
    Status UserSetInfo(const std::string& server, const std::string& user, const USER_INFO_3& info)
    {
        return UserSetInfo(server, user, info, UserFields::All());
    }
    // NetUserGetGroups, level 1: the user's global groups.
    virtual Status UserGetGroups(const std::string& server, const std::string& user,
                                 std::vector<GROUP_USERS_INFO_1>& out) = 0;
    // NetUserGetLocalGroups, level 0; flags 0 or LG_INCLUDE_INDIRECT.
    virtual Status UserGetLocalGroups(const std::string& server, const std::string& user, std::uint32_t flags,
                                      std::vector<LOCALGROUP_USERS_INFO_0>& out) = 0;

    // NetGroupEnum, level 2.
    virtual Status GroupEnum(const std::string& server, std::vector<GROUP_INFO_2>& out) = 0;
    // Level 0: the names of the level-2 list, in its order.
    Status GroupEnum(const std::string& server, std::vector<GROUP_INFO_0>& out)
    {
        std::vector<GROUP_INFO_2> groups;
        const Status status = GroupEnum(server, groups);
        return NamesOf(status, groups, &GROUP_INFO_2::grpi2_name, out);
    }
    // NetGroupGetInfo / NetGroupSetInfo, level 2 (SetInfo writes the comment).
    virtual Status GroupGetInfo(const std::string& server, const std::string& group, GROUP_INFO_2& out) = 0;
    virtual Status GroupSetInfo(const std::string& server, const std::string& group, const GROUP_INFO_2& info) = 0;
    // NetGroupGetUsers, level 0.
    virtual Status GroupGetUsers(const std::string& server, const std::string& group,
                                 std::vector<GROUP_USERS_INFO_0>& out) = 0;
    // Every global group (NetGroupEnum level 2) with its members (NetGroupGetUsers
    // level 0), read together; ERROR_NOT_SUPPORTED where a back end asks group by group.
    virtual Status GroupEnumWithUsers(const std::string& server, std::vector<GroupWithUsers>& out)
    {
        (void)server;
        out.clear();
        return ERROR_NOT_SUPPORTED;
    }
    virtual Status GroupAddUser(const std::string& server, const std::string& group, const std::string& user) = 0;
    virtual Status GroupDelUser(const std::string& server, const std::string& group, const std::string& user) = 0;

    // NetLocalGroupEnum, level 1.
    virtual Status LocalGroupEnum(const std::string& server, std::vector<LOCALGROUP_INFO_1>& out) = 0;
    // Level 0: the names of the level-1 list, in its order.
    Status LocalGroupEnum(const std::string& server, std::vector<LOCALGROUP_INFO_0>& out)
    {
        std::vector<LOCALGROUP_INFO_1> groups;
        const Status status = LocalGroupEnum(server, groups);
        return NamesOf(status, groups, &LOCALGROUP_INFO_1::lgrpi1_name, out);
    }
    // NetLocalGroupAddMembers / DelMembers with one member given by its identifier.
    virtual Status LocalGroupAddMember(const std::string& server, const std::string& group, const Sid& member) = 0;
    virtual Status LocalGroupDelMember(const std::string& server, const std::string& group, const Sid& member) = 0;

    // LookupAccountName on `server`: the account's identifier, its domain and kind.
    virtual Status LookupAccountName(const std::string& server, const std::string& account, Sid& sid,
                                     std::string& domain, SidNameUse& use) = 0;

private:
    // A level-0 list from a fuller one: each entry's name, and the fuller list's status.
    template <class Name, class Full>
    static Status NamesOf(Status status, std::vector<Full>& full, std::string Full::*name, std::vector<Name>& out)
    {
        out.clear();
        out.reserve(full.size());
        for (Full& entry : full)
            out.push_back({std::move(entry.*name)});
        return status;
    }
};

}  // namespace net
