// DirectoryNetApi: reads of user accounts.
#include "platform/net/directory/directory_netapi.h"

#include "platform/net/directory/directory_netapi_parts.h"
#include "platform/net/net_support.h"

#include <ldap.h>

#include <algorithm>
#include <array>
#include <set>

namespace net {

using namespace directory;
using namespace directory_parts;

namespace {

// The first value of each attribute of one account, empty when it has none.
using UserValues = std::array<std::string_view, kUserAttributeCount>;

std::int64_t IntegerOf(std::string_view value, std::int64_t otherwise = 0)
{
    return ParseInteger(value).value_or(otherwise);
}

UserValues UserValuesOf(const Entry& e)
{
    static const std::vector<std::string> lowerNames = [] {
        std::vector<std::string> names;
        for (const auto& name : kUserAttributes)
            names.push_back(LowerAscii(name));
        return names;
    }();
    UserValues values{};
    for (std::size_t i = 0; i < kUserAttributeCount; ++i)
        if (const auto* all = e.All(lowerNames[i]); all && !all->empty())
            values[i] = all->front();
    return values;
}

// The level-3 record of an account from its attributes and the domain's lockout and
// password-age policy.
USER_INFO_3 UserInfoOf(const UserValues& v, std::int64_t lockoutDuration, std::int64_t maxPwdAge, std::int64_t now)
{
    USER_INFO_3 u;
    const std::uint32_t uac = static_cast<std::uint32_t>(IntegerOf(v[kUserAccountControl]));
    const std::int64_t pwdLastSet = IntegerOf(v[kPwdLastSet]);
    const bool locked = IsLockedOut(IntegerOf(v[kLockoutTime]), lockoutDuration, now);
    const bool cannotChange = DeniesPasswordChange(v[kNtSecurityDescriptor]);
    u.usri3_name = v[kSamAccountName];
    u.usri3_full_name = v[kDisplayName];
    u.usri3_comment = v[kDescription];
    u.usri3_usr_comment = v[kComment];
    u.usri3_num_logons = static_cast<std::uint32_t>(IntegerOf(v[kLogonCount]));
    u.usri3_bad_pw_count = static_cast<std::uint32_t>(IntegerOf(v[kBadPwdCount]));
    u.usri3_last_logon =
        std::max(FileTimeToUnix(IntegerOf(v[kLastLogon])), FileTimeToUnix(IntegerOf(v[kLastLogonTimestamp])));
    u.usri3_acct_expires = AccountExpiresToNet(IntegerOf(v[kAccountExpires]));
    u.usri3_flags = NetFlagsFromDirectory(uac, locked, cannotChange);
    u.usri3_password_age = PasswordAge(pwdLastSet, now);
    u.usri3_password_expired = PasswordExpired(pwdLastSet, maxPwdAge, uac, now) ? 1 : 0;
    if (u.usri3_password_expired)
        u.usri3_flags |= UF_PASSWORD_EXPIRED;  // as the Net functions compute it
    // The Net functions give an account without profilePath an empty profile text.
    u.usri3_profile = std::string(v[kProfilePath]);
    u.usri3_script_path = v[kScriptPath];
    u.usri3_home_dir = v[kHomeDirectory];
    u.usri3_home_dir_drive = v[kHomeDrive];
    u.usri3_workstations = v[kUserWorkstations];
    u.usri3_parms = v[kUserParameters];
    const std::int64_t storage = IntegerOf(v[kMaxStorage], -1);
    u.usri3_max_storage =
        storage < 0 || storage >= 0xFFFFFFFFLL ? USER_MAXSTORAGE_UNLIMITED : static_cast<std::uint32_t>(storage);
    u.usri3_country_code = static_cast<std::uint32_t>(IntegerOf(v[kCountryCode]));
    u.usri3_code_page = static_cast<std::uint32_t>(IntegerOf(v[kCodePage]));
    u.usri3_user_id = RidOf(SidToString(v[kObjectSid]).value_or(std::string()));
    u.usri3_primary_group_id = static_cast<std::uint32_t>(IntegerOf(v[kPrimaryGroupId], DOMAIN_GROUP_RID_USERS));
    u.usri3_priv = u.usri3_user_id == DOMAIN_USER_RID_ADMIN   ? USER_PRIV_ADMIN
                   : u.usri3_user_id == DOMAIN_USER_RID_GUEST ? USER_PRIV_GUEST
                                                              : USER_PRIV_USER;
    u.usri3_logon_hours.assign(v[kLogonHours].begin(), v[kLogonHours].end());
    if (u.usri3_logon_hours.empty())
        u.usri3_logon_hours.assign(21, 0xFF);
    u.usri3_logon_server = "\\\\*";
    return u;
}

// Turns each account of a level-3 enumeration into its record while the answer
// still arrives.
class UserReader final : public EntrySink {
public:
    UserReader(std::int64_t lockoutDuration, std::int64_t maxPwdAge, std::int64_t now, std::vector<USER_INFO_3>& out)
        : m_lockoutDuration(lockoutDuration), m_maxPwdAge(maxPwdAge), m_now(now), m_out(out)
    {
    }
    void Take(const EntryView& entry) override
    {
        UserValues values{};
        for (std::size_t i = 0; i < entry.count; ++i) {
            const int at = m_index.Of(i, entry.attributes[i].name);
            if (at >= 0 && values[at].data() == nullptr)  // the first of a name given twice, as Entry keeps it
                values[at] = First(entry.attributes[i]);
        }
        m_out.push_back(UserInfoOf(values, m_lockoutDuration, m_maxPwdAge, m_now));
    }
    void Restart() override { m_out.clear(); }

private:
    std::int64_t m_lockoutDuration, m_maxPwdAge, m_now;
    std::vector<USER_INFO_3>& m_out;
    AttributeIndex m_index{kUserAttributes};
};

// The account names of `entries`, each once, in order without case.
std::set<std::string, decltype(&LessNoCase)> SortedNames(const std::vector<Entry>& entries)
{
    std::set<std::string, decltype(&LessNoCase)> names(&LessNoCase);
    for (const auto& e : entries)
        names.insert(e.Text("samaccountname"));
    return names;
}

}  // namespace

BrowseSearch directory::UsersBrowseSearch()
{
    return {UserEnumFilter(FILTER_NORMAL_ACCOUNT), kUserAttributes, true};
}

USER_INFO_3 DirectoryNetApi::ToUserInfo(const Entry& e, std::int64_t now) const
{
    return UserInfoOf(UserValuesOf(e), m_policy->lockoutDuration, m_policy->maxPwdAge, now);
}

Status DirectoryNetApi::ReadUsers(const std::string& filter, std::vector<USER_INFO_3>& out)
{
    UserReader reader(m_policy->lockoutDuration, m_policy->maxPwdAge, Now(), out);
    const int rc = m_session->Search(m_baseDn, true, filter, kUserAttributes, reader, true);
    if (rc != LDAP_SUCCESS)
        return StatusOf(rc);
    std::sort(out.begin(), out.end(),
              [](const USER_INFO_3& a, const USER_INFO_3& b) { return LessNoCase(a.usri3_name, b.usri3_name); });
    return NERR_Success;
}

Status DirectoryNetApi::UserEnum(const std::string& server, std::uint32_t filter, std::vector<USER_INFO_0>& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.UserEnum(server, filter, out); });
    out.clear();
    std::vector<Entry> entries;
    const Status status = Call([&]() -> Status {
        entries.clear();
        return StatusOf(m_session->Search(m_baseDn, true, UserEnumFilter(filter), {"sAMAccountName"}, entries));
    });
    if (status != NERR_Success)
        return status;
    for (const auto& e : entries)
        out.push_back({e.Text("samaccountname")});
    std::sort(out.begin(), out.end(),
              [](const USER_INFO_0& a, const USER_INFO_0& b) { return LessNoCase(a.usri0_name, b.usri0_name); });
    return NERR_Success;
}

Status DirectoryNetApi::UserEnum(const std::string& server, std::uint32_t filter, std::vector<USER_INFO_3>& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.UserEnum(server, filter, out); });
    return Call([&]() -> Status {
        out.clear();
        return ReadUsers(UserEnumFilter(filter), out);
    });
}

Status DirectoryNetApi::UserGetInfo(const std::string& server, const std::string& user, USER_INFO_3& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.UserGetInfo(server, user, out); });
    return Call([&]() -> Status {
        Account account;
        if (const Status status = FindUser(user, account, true))
            return status;
        out = ToUserInfo(account.entry, Now());
        return NERR_Success;
    });
}

Status DirectoryNetApi::UserGetGroups(const std::string& server, const std::string& user,
                                      std::vector<GROUP_USERS_INFO_1>& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.UserGetGroups(server, user, out); });
    return Call([&]() -> Status {
        out.clear();
        Account account;
        std::vector<Entry> groups;
        if (const Status status = UserAndGroups(user, kGlobalGroupFilter, account, groups))
            return status;
        if (account.primaryGroupId != 0) {
            const std::string filter = SidFilter(m_policy->domainSid + "-" + std::to_string(account.primaryGroupId));
            if (!filter.empty()) {
                const int rc = m_session->Search(m_baseDn, true, "(&(objectClass=group)" + filter + ")",
                                                 {"sAMAccountName"}, groups);
                if (rc != LDAP_SUCCESS)
                    return StatusOf(rc);
            }
        }
        for (const auto& name : SortedNames(groups))
            out.push_back({name, SE_GROUP_DEFAULT_ATTRIBUTES});
        return NERR_Success;
    });
}

Status DirectoryNetApi::UserGetLocalGroups(const std::string& server, const std::string& user, std::uint32_t flags,
                                           std::vector<LOCALGROUP_USERS_INFO_0>& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.UserGetLocalGroups(server, user, flags, out); });
    return Call([&]() -> Status {
        out.clear();
        Account account;
        std::vector<Entry> groups;
        if (const Status status = UserAndGroups(user, kLocalGroupFilter, account, groups))
            return status;
        if (flags & LG_INCLUDE_INDIRECT) {
            // tokenGroups: every group the account is in, through any chain of groups and
            // its primary group; the local ones among them.
            Entry token;
            int rc = m_session->ReadEntry(account.dn, {"tokenGroups"}, token);
            if (rc != LDAP_SUCCESS)
                return StatusOf(rc);
            const auto* sids = token.All("tokengroups");
            std::vector<std::string> filters;
            if (sids)
                for (const auto& s : *sids)
                    filters.push_back("(objectSid=" + EscapeFilterValue(s) + ")");
            for (std::size_t at = 0; at < filters.size(); at += kOrChunk) {
                std::string any;
                for (std::size_t i = at; i < std::min(filters.size(), at + kOrChunk); ++i)
                    any += filters[i];
                rc = m_session->Search(m_baseDn, true, "(&" + kLocalGroupFilter + "(|" + any + "))", {"sAMAccountName"},
                                       groups);
                if (rc != LDAP_SUCCESS)
                    return StatusOf(rc);
            }
        }
        for (const auto& name : SortedNames(groups))
            out.push_back({name});
        return NERR_Success;
    });
}

Status DirectoryNetApi::LookupAccountName(const std::string& server, const std::string& account, Sid& sid,
                                          std::string& domain, SidNameUse& use)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.LookupAccountName(server, account, sid, domain, use); });
    return Call([&]() -> Status {
        const auto [wantedDomain, name] = SplitAccount(account);
        Account found;
        const Status status = FindAccount(name, found);
        if (status == NERR_UserNotFound)
            return ERROR_NONE_MAPPED;
        if (status != NERR_Success)
            return status;
        const bool builtin = DomainPartOf(found.sid) == kBuiltinSid;
        const std::string foundDomain = builtin ? "BUILTIN" : m_policy->netbiosName;
        if (!wantedDomain.empty() && !EqualNoCase(wantedDomain, foundDomain))
            return ERROR_NONE_MAPPED;
        sid.text = found.sid;
        domain = foundDomain;
        if (found.isGroup)
            use = (found.groupType & (GROUP_TYPE_DOMAIN_LOCAL | GROUP_TYPE_BUILTIN)) ? SidNameUse::Alias
                                                                                     : SidNameUse::Group;
        else
            use = SidNameUse::User;
        return NERR_Success;
    });
}

}  // namespace net
