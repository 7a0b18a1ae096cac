#include "platform/net/directory/directory_netapi.h"

#include "platform/net/directory/directory_convert.h"
#include "platform/net/directory/directory_ldap.h"
#include "platform/net/directory/kerberos_logon.h"
#include "platform/net/discovery/discovery.h"
#include "platform/net/discovery/netbios_browse.h"
#include "platform/net/net_support.h"
#include "platform/threads/owned_threads.h"

#include <ldap.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <set>
#include <string_view>
#include <unordered_map>

namespace net {

using namespace directory;

namespace {

const std::string kGlobalGroupFilter = "(&(objectClass=group)(|(groupType=-2147483646)(groupType=-2147483640)))";
const std::string kLocalGroupFilter = "(&(objectClass=group)(|(groupType=-2147483644)(groupType=-2147483643)))";
const char* const kBuiltinSid = "S-1-5-32";
constexpr std::size_t kOrChunk = 200;  // values per (|...) filter

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

const std::vector<std::string> kUserAttributes = {"sAMAccountName",      "displayName",
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

// The first value of each attribute of one account, empty when it has none.
using UserValues = std::array<std::string_view, kUserAttributeCount>;

const std::vector<std::string> kGroupAttributes = {"sAMAccountName", "description", "objectSid", "member"};
enum GroupAttribute : int { kGroupName, kGroupDescription, kGroupSid, kGroupMember };
// The accounts a group's member values and primary-group members name: users and
// computers (a group member that is a global group is named by the groups' own search).
const std::string kAccountNameFilter = "(objectClass=user)";
const std::vector<std::string> kAccountNameAttributes = {"sAMAccountName", "primaryGroupID"};

std::int64_t Now()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::string SidOf(const Entry& e)
{
    return SidToString(e.Text("objectsid")).value_or(std::string());
}

std::string_view First(const AttributeView& attribute)
{
    return attribute.values.empty() ? std::string_view() : attribute.values.front();
}

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

std::string SidFilter(const std::string& sidText)
{
    const auto binary = SidFromString(sidText);
    return binary ? "(objectSid=" + EscapeFilterValue(*binary) + ")" : std::string();
}

// The value of the second RDN: "CN=NTDS Settings,CN=DC1,CN=Servers,..." -> "DC1".
std::string ServerOfNtdsSettings(const std::string& dn)
{
    const auto first = dn.find(',');
    if (first == std::string::npos)
        return {};
    const auto eq = dn.find('=', first);
    const auto next = dn.find(',', first + 1);
    if (eq == std::string::npos || eq > next)
        return {};
    return dn.substr(eq + 1, next - eq - 1);
}

Status StatusOf(int rc)
{
    return StatusOfLdapResult(rc);
}

// The account names of `entries`, each once, in order without case.
std::set<std::string, decltype(&LessNoCase)> SortedNames(const std::vector<Entry>& entries)
{
    std::set<std::string, decltype(&LessNoCase)> names(&LessNoCase);
    for (const auto& e : entries)
        names.insert(e.Text("samaccountname"));
    return names;
}

}  // namespace

struct DirectoryNetApi::Account {
    std::string dn;
    std::string name;
    std::string sid;
    std::uint32_t uac = 0;
    std::uint32_t groupType = 0;
    std::uint32_t primaryGroupId = 0;
    bool isGroup = false;
    bool isUser = false;
    Entry entry;
};

DirectoryNetApi::DirectoryNetApi(std::string server, std::string host, std::string baseDn, DirectoryLogon logon,
                                 std::shared_ptr<NetApi> fallback, DirectoryOptions options)
    : m_server(std::move(server)),
      m_host(std::move(host)),
      m_baseDn(std::move(baseDn)),
      m_logon(std::move(logon)),
      m_fallback(std::move(fallback)),
      m_options(std::move(options))
{
}

DirectoryNetApi::~DirectoryNetApi() = default;

bool DirectoryNetApi::Connect(std::string& error, bool* refusedLogon)
{
    std::lock_guard lock(m_mutex);
    const Status status = Ensure();
    error = status == NERR_Success ? std::string() : m_lastError;
    if (error.empty() && status != NERR_Success)
        error = "The directory of " + m_host + " could not be read (status " + std::to_string(status) + ").";
    if (refusedLogon)
        *refusedLogon = status != NERR_Success && m_refusedLogon;
    return status == NERR_Success;
}

std::string DirectoryNetApi::LastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

Status DirectoryNetApi::OnSession(const std::function<int(LdapSession&)>& work)
{
    return Call([&]() -> Status { return StatusOf(work(*m_session)); });
}

BrowseSearch directory::UsersBrowseSearch()
{
    return {UserEnumFilter(FILTER_NORMAL_ACCOUNT), kUserAttributes, true};
}

std::vector<BrowseSearch> directory::GroupsBrowseSearches()
{
    return {{kGlobalGroupFilter, kGroupAttributes}, {kAccountNameFilter, kAccountNameAttributes}};
}

bool DirectoryNetApi::IsOurs(const std::string& server) const
{
    const std::string name = HostOf(server);
    if (name.empty())
        return false;
    const std::string shortHost = m_host.substr(0, m_host.find('.'));
    return EqualNoCase(name, HostOf(m_server)) || EqualNoCase(name, m_host) || EqualNoCase(name, shortHost);
}

Status DirectoryNetApi::Ensure()
{
    if (m_session && m_session->Broken()) {
        m_session.reset();
    }
    if (!m_session) {
        ConnectOptions options;
        options.host = m_logon.way.host;
        options.address = m_logon.way.address;
        options.caFile = m_options.caFile;
        options.timeoutSeconds = m_options.timeoutSeconds;
        options.unpagedSizeLimit = m_options.unpagedSizeLimit;
        m_refusedLogon = false;
        if (m_logon.way.bind == DirectoryBind::Ldaps)
            options.credentials = m_logon.credentials;
        if (m_logon.way.bind == DirectoryBind::KerberosPassword) {
            if (!m_logon.kerberos)
                return ERROR_ACCESS_DENIED;
            std::string message;
            const KerberosResult ticket = m_logon.kerberos->ServiceTicket("ldap", m_logon.way.host, message);
            if (ticket != KerberosResult::Ok) {
                m_lastError = message;
                m_refusedLogon = ticket == KerberosResult::WrongPassword;
                return ticket == KerberosResult::Unreachable     ? RPC_S_SERVER_UNAVAILABLE
                       : ticket == KerberosResult::WrongPassword ? ERROR_LOGON_FAILURE
                                                                 : ERROR_ACCESS_DENIED;
            }
            options.ccache = m_logon.kerberos->CacheName();
        }
        ConnectFailure failure = ConnectFailure::None;
        std::string error;
        m_session = LdapSession::Connect(options, failure, error);
        if (!m_session) {
            m_lastError = error;
            m_refusedLogon = failure == ConnectFailure::LogonFailure;
            switch (failure) {
            case ConnectFailure::Unreachable:
                return RPC_S_SERVER_UNAVAILABLE;
            case ConnectFailure::LogonFailure:
                return ERROR_LOGON_FAILURE;
            default:
                return ERROR_ACCESS_DENIED;
            }
        }
        m_lastError.clear();
    }
    if (!m_policy) {
        Entry domain;
        int rc = m_session->ReadEntry(m_baseDn, {"lockoutDuration", "maxPwdAge", "objectSid", "fSMORoleOwner"}, domain);
        if (rc != LDAP_SUCCESS)
            return StatusOf(rc);
        Policy policy;
        policy.lockoutDuration = domain.Integer("lockoutduration");
        policy.maxPwdAge = domain.Integer("maxpwdage");
        policy.domainSid = SidOf(domain);
        policy.pdcName = UpperAscii(ServerOfNtdsSettings(domain.Text("fsmoroleowner")));
        Entry root;
        if (m_session->ReadEntry("", {"configurationNamingContext"}, root) == LDAP_SUCCESS) {
            std::vector<Entry> partitions;
            m_session->Search("CN=Partitions," + root.Text("configurationnamingcontext"), true,
                              "(&(objectClass=crossRef)(nCName=" + EscapeFilterValue(m_baseDn) + "))", {"nETBIOSName"},
                              partitions);
            if (!partitions.empty())
                policy.netbiosName = partitions.front().Text("netbiosname");
        }
        m_policy = policy;
    }
    return NERR_Success;
}

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

Status DirectoryNetApi::FindAccount(const std::string& name, Account& out, bool needSd, bool withMembers)
{
    if (name.empty())
        return NERR_UserNotFound;
    std::vector<std::string> attrs = {"sAMAccountName", "objectSid",      "userAccountControl",
                                      "groupType",      "primaryGroupID", "objectClass"};
    if (needSd)
        attrs = kUserAttributes, attrs.push_back("objectClass"), attrs.push_back("groupType");
    if (withMembers)
        attrs.push_back("member");
    std::vector<Entry> entries;
    std::unordered_map<std::string, long> ranged;
    int rc = m_session->Search(m_baseDn, true, "(sAMAccountName=" + EscapeFilterValue(name) + ")", attrs, entries,
                               needSd, &ranged);
    if (rc != LDAP_SUCCESS)
        return StatusOf(rc);
    if (entries.empty())
        return NERR_UserNotFound;
    Entry& e = entries.front();
    if (withMembers && ranged.count("member")) {
        // More members than one answer holds: read them to the end.
        Entry whole;
        rc = m_session->ReadEntry(e.dn, {"member"}, whole);
        if (rc != LDAP_SUCCESS)
            return StatusOf(rc);
        e.values["member"] = std::move(whole.values["member"]);
    }
    out.dn = e.dn;
    out.name = e.Text("samaccountname");
    out.sid = SidOf(e);
    out.uac = static_cast<std::uint32_t>(e.Integer("useraccountcontrol"));
    out.groupType = static_cast<std::uint32_t>(e.Integer("grouptype"));
    out.primaryGroupId = static_cast<std::uint32_t>(e.Integer("primarygroupid"));
    if (const auto* classes = e.All("objectclass")) {
        for (const auto& c : *classes) {
            out.isGroup |= EqualNoCase(c, "group");
            out.isUser |= EqualNoCase(c, "user");
        }
    }
    out.entry = std::move(e);
    return NERR_Success;
}

Status DirectoryNetApi::FindGroup(const std::string& name, GroupKind kind, Account& out, bool withMembers)
{
    const Status status = FindAccount(name, out, false, withMembers);
    if (status == NERR_UserNotFound)
        return NERR_GroupNotFound;
    if (status != NERR_Success)
        return status;
    const std::uint32_t wanted = kind == GroupKind::Global ? (GROUP_TYPE_GLOBAL | GROUP_TYPE_UNIVERSAL)
                                                           : (GROUP_TYPE_DOMAIN_LOCAL | GROUP_TYPE_BUILTIN);
    if (!out.isGroup || !(out.groupType & GROUP_TYPE_SECURITY) || !(out.groupType & wanted))
        return NERR_GroupNotFound;
    return NERR_Success;
}

Status DirectoryNetApi::FindUser(const std::string& name, Account& out, bool needSd)
{
    const Status status = FindAccount(name, out, needSd);
    if (status != NERR_Success)
        return status;
    if (!out.isUser || out.isGroup)
        return NERR_UserNotFound;
    return NERR_Success;
}

Status DirectoryNetApi::UserAndGroups(const std::string& user, const std::string& groupFilter, Account& account,
                                      std::vector<Entry>& groups)
{
    if (const Status status = FindUser(user, account))
        return status;
    return StatusOf(m_session->Search(m_baseDn, true,
                                      "(&" + groupFilter + "(member=" + EscapeFilterValue(account.dn) + "))",
                                      {"sAMAccountName"}, groups));
}

// ---- servers ------------------------------------------------------------------------

Status DirectoryNetApi::GetDCName(const std::string& server, const std::string& domain, std::string& dcName)
{
    if (!server.empty() && !IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GetDCName(server, domain, dcName); });
    return Call([&]() -> Status {
        if (!domain.empty() && !EqualNoCase(domain, m_policy->netbiosName)) {
            const std::string dns =
                m_host.substr(m_host.find('.') == std::string::npos ? m_host.size() : m_host.find('.') + 1);
            if (!EqualNoCase(domain, dns))
                return NERR_DCNotFound;
        }
        if (m_policy->pdcName.empty())
            return NERR_DCNotFound;
        dcName = "\\\\" + m_policy->pdcName;
        return NERR_Success;
    });
}

namespace {

// Role bits from the computer account alone.
std::uint32_t DerivedServerType(std::uint32_t uac, bool isPdc, const std::string& operatingSystem)
{
    std::uint32_t type = SV_TYPE_WORKSTATION | SV_TYPE_SERVER | SV_TYPE_NT;
    if (uac & UF_SERVER_TRUST_ACCOUNT) {
        type |= SV_TYPE_SERVER_NT | (isPdc ? SV_TYPE_DOMAIN_CTRL : SV_TYPE_DOMAIN_BAKCTRL);
    } else {
        const std::string os = LowerAscii(operatingSystem);
        if (os.find("server") != std::string::npos || os.find("samba") != std::string::npos)
            type |= SV_TYPE_SERVER_NT;
    }
    return type;
}

// What the servers themselves report (NetServerGetInfo level 101), asked through the
// fallback route side by side; no request starts after the time limit or once the
// browse is stopped, and answers that come after the time limit are dropped.
std::vector<std::optional<SERVER_INFO_101>> AskServers(const std::shared_ptr<NetApi>& fallback,
                                                       const std::vector<std::string>& names, int seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    const auto ask = [fallback, names](std::size_t i) -> std::optional<SERVER_INFO_101> {
        SERVER_INFO_101 info;
        if (fallback->ServerGetInfo("\\\\" + names[i], info) != NERR_Success)
            return std::nullopt;
        return info;
    };
    return AskAtOnce<SERVER_INFO_101>(names.size(), kServersAtOnce, deadline, ask);
}

}  // namespace

Status DirectoryNetApi::DomainEnum(const std::string& server, std::vector<std::string>& out)
{
    out.clear();
    if (!server.empty() && !IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.DomainEnum(server, out); });
    return Call([&]() -> Status {
        out = {m_policy->netbiosName};
        std::vector<Entry> trusts;
        const int rc = m_session->Search(m_baseDn, true, "(objectClass=trustedDomain)", {"flatName"}, trusts);
        if (rc != LDAP_SUCCESS)
            return NERR_Success;  // the own domain still counts
        for (const Entry& t : trusts)
            if (!t.Text("flatname").empty())
                out.push_back(t.Text("flatname"));
        return NERR_Success;
    });
}

Status DirectoryNetApi::ServerEnum(const std::string& server, std::uint32_t serverType, const std::string& domain,
                                   std::vector<SERVER_INFO_101>& out, std::uint32_t& totalEntries)
{
    out.clear();
    totalEntries = 0;
    if (!server.empty() && !IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.ServerEnum(server, serverType, domain, out, totalEntries); });
    std::vector<Entry> computers;
    std::string pdc;
    bool otherDomain = false;
    const Status status = Call([&]() -> Status {
        if (!domain.empty() && !EqualNoCase(domain, m_policy->netbiosName)) {
            otherDomain = true;
            return NERR_Success;
        }
        pdc = m_policy->pdcName;
        computers.clear();
        return StatusOf(m_session->Search(m_baseDn, true, "(objectCategory=computer)",
                                          {"sAMAccountName", "userAccountControl", "operatingSystem",
                                           "operatingSystemVersion", "description", "dNSHostName"},
                                          computers));
    });
    if (otherDomain)
        return OnFallback([&](NetApi& api) { return api.ServerEnum(server, serverType, domain, out, totalEntries); },
                          NERR_DCNotFound);
    if (status != NERR_Success)
        return status;
    std::vector<SERVER_INFO_101> all;
    std::vector<std::string> addresses;
    for (const auto& c : computers) {
        SERVER_INFO_101 info;
        std::string name = c.Text("samaccountname");
        if (!name.empty() && name.back() == '$')
            name.pop_back();
        info.sv101_name = UpperAscii(name);
        const auto uac = static_cast<std::uint32_t>(c.Integer("useraccountcontrol"));
        info.sv101_type = DerivedServerType(uac, EqualNoCase(info.sv101_name, pdc), c.Text("operatingsystem"));
        const std::string version = c.Text("operatingsystemversion");
        info.sv101_version_major = static_cast<std::uint32_t>(std::strtoul(version.c_str(), nullptr, 10));
        if (const auto dot = version.find('.'); dot != std::string::npos)
            info.sv101_version_minor = static_cast<std::uint32_t>(std::strtoul(version.c_str() + dot + 1, nullptr, 10));
        info.sv101_comment = c.Text("description");
        addresses.push_back(c.Text("dnshostname").empty() ? name : c.Text("dnshostname"));
        all.push_back(info);
    }
    if (m_fallback && !all.empty()) {
        const auto answers = AskServers(m_fallback, addresses, m_options.serverInfoSeconds);
        constexpr std::uint32_t kRoles = SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (!answers[i])
                continue;
            // The account kind decides the controller roles (a Samba DC doesn't report them).
            all[i].sv101_type = (answers[i]->sv101_type & ~kRoles) | (all[i].sv101_type & kRoles);
            all[i].sv101_version_major = answers[i]->sv101_version_major;
            all[i].sv101_version_minor = answers[i]->sv101_version_minor;
            if (!answers[i]->sv101_comment.empty())
                all[i].sv101_comment = answers[i]->sv101_comment;
        }
    }
    for (auto& info : all)
        if (info.sv101_type & serverType)
            out.push_back(std::move(info));
    std::sort(out.begin(), out.end(), [](const SERVER_INFO_101& a, const SERVER_INFO_101& b) {
        return LessNoCase(a.sv101_name, b.sv101_name);
    });
    totalEntries = static_cast<std::uint32_t>(out.size());
    return NERR_Success;
}

Status DirectoryNetApi::ServerGetInfo(const std::string& server, SERVER_INFO_101& out)
{
    return OnFallback([&](NetApi& api) { return api.ServerGetInfo(server, out); }, ERROR_NOT_SUPPORTED);
}

Status DirectoryNetApi::ShareEnum(const std::string& server, std::vector<SHARE_INFO_1>& out)
{
    return OnFallback([&](NetApi& api) { return api.ShareEnum(server, out); }, ERROR_NOT_SUPPORTED);
}

// ---- users ----------------------------------------------------------------------------

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

Status DirectoryNetApi::WritePassword(const std::string& dn, const std::string& password)
{
    if (!m_session->Encrypted())
        return ERROR_ACCESS_DENIED;  // unicodePwd travels only over a protected connection
    const auto value = EncodeUnicodePwd(password);
    if (!value)
        return ERROR_INVALID_PARAMETER;
    const int rc = m_session->Modify(dn, {{Modification::Replace, "unicodePwd", {*value}}});
    if (rc == LDAP_CONSTRAINT_VIOLATION || rc == LDAP_UNWILLING_TO_PERFORM)
        return NERR_PasswordTooShort;  // the domain's password policy refused it
    return StatusOf(rc);
}

Status DirectoryNetApi::UserSetInfo(const std::string& server, const std::string& user, const USER_INFO_3& asked,
                                    const UserFields& fields)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.UserSetInfo(server, user, asked, fields); });
    if (fields.Empty())
        return NERR_Success;
    return Call([&]() -> Status {
        Account account;
        Status status = FindUser(user, account, true);
        if (status != NERR_Success)
            return status;
        const Entry& e = account.entry;
        const std::int64_t now = Now();
        const USER_INFO_3 info = WithUserFields(ToUserInfo(e, now), asked, fields);
        std::int64_t pwdLastSet = e.Integer("pwdlastset");
        bool expired = PasswordExpired(pwdLastSet, m_policy->maxPwdAge, account.uac, now);
        // The password first: it is the write most likely to be refused (policy), and
        // then nothing else has changed.
        if (info.usri3_password) {
            status = WritePassword(account.dn, *info.usri3_password);
            if (status != NERR_Success)
                return status;
            pwdLastSet = UnixToFileTime(now);
            expired = false;
        }
        std::vector<Modification> mods;
        auto text = [&](const char* attribute, const std::string& lower, const std::string& wanted) {
            const auto current = e.Optional(lower);
            if (current.value_or(std::string()) == wanted)
                return;
            if (wanted.empty())
                mods.push_back({Modification::Replace, attribute, {}});
            else
                mods.push_back({Modification::Replace, attribute, {wanted}});
        };
        text("displayName", "displayname", info.usri3_full_name);
        text("description", "description", info.usri3_comment);
        const std::uint32_t uac = ComposeAccountControl(account.uac, info.usri3_flags);
        if (uac != account.uac)
            mods.push_back({Modification::Replace, "userAccountControl", {std::to_string(uac)}});
        if (IsLockedOut(e.Integer("lockouttime"), m_policy->lockoutDuration, now) && !(info.usri3_flags & UF_LOCKOUT))
            mods.push_back({Modification::Replace, "lockoutTime", {"0"}});
        const bool wantExpired = info.usri3_password_expired != 0;
        if (wantExpired && pwdLastSet != 0)
            mods.push_back({Modification::Replace, "pwdLastSet", {"0"}});
        else if (!wantExpired && expired)
            mods.push_back({Modification::Replace, "pwdLastSet", {"-1"}});
        if (!mods.empty()) {
            const int rc = m_session->Modify(account.dn, mods);
            if (rc != LDAP_SUCCESS)
                return StatusOf(rc);
        }
        const std::string sd = e.Text("ntsecuritydescriptor");
        const bool cannotChange = DeniesPasswordChange(sd);
        const bool wantCannotChange = (info.usri3_flags & UF_PASSWD_CANT_CHANGE) != 0;
        if (cannotChange != wantCannotChange) {
            const auto changed = WithPasswordChangeDenied(sd, wantCannotChange);
            if (!changed)
                return ERROR_UNEXP_NET_ERR;
            const int rc =
                m_session->Modify(account.dn, {{Modification::Replace, "nTSecurityDescriptor", {*changed}}}, true);
            if (rc != LDAP_SUCCESS)
                return StatusOf(rc);
        }
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

// ---- global groups ----------------------------------------------------------------------

Status DirectoryNetApi::GroupEnum(const std::string& server, std::vector<GROUP_INFO_2>& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupEnum(server, out); });
    return Call([&]() -> Status {
        out.clear();
        std::vector<Entry> entries;
        const int rc = m_session->Search(m_baseDn, true, kGlobalGroupFilter,
                                         {"sAMAccountName", "description", "objectSid"}, entries);
        if (rc != LDAP_SUCCESS)
            return StatusOf(rc);
        for (const auto& e : entries)
            out.push_back(
                {e.Text("samaccountname"), e.Text("description"), RidOf(SidOf(e)), SE_GROUP_DEFAULT_ATTRIBUTES});
        std::sort(out.begin(), out.end(),
                  [](const GROUP_INFO_2& a, const GROUP_INFO_2& b) { return LessNoCase(a.grpi2_name, b.grpi2_name); });
        return NERR_Success;
    });
}

Status DirectoryNetApi::GroupGetInfo(const std::string& server, const std::string& group, GROUP_INFO_2& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupGetInfo(server, group, out); });
    return Call([&]() -> Status {
        Account account;
        const Status status = FindGroup(group, GroupKind::Global, account);
        if (status != NERR_Success)
            return status;
        std::vector<Entry> entries;
        const int rc = m_session->Search(account.dn, false, "(objectClass=*)", {"description"}, entries);
        if (rc != LDAP_SUCCESS)
            return StatusOf(rc);
        out.grpi2_name = account.name;
        out.grpi2_comment = entries.empty() ? std::string() : entries.front().Text("description");
        out.grpi2_group_id = RidOf(account.sid);
        out.grpi2_attributes = SE_GROUP_DEFAULT_ATTRIBUTES;
        return NERR_Success;
    });
}

Status DirectoryNetApi::GroupSetInfo(const std::string& server, const std::string& group, const GROUP_INFO_2& info)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupSetInfo(server, group, info); });
    return Call([&]() -> Status {
        Account account;
        const Status status = FindGroup(group, GroupKind::Global, account);
        if (status != NERR_Success)
            return status;
        Modification mod{Modification::Replace, "description", {}};
        if (!info.grpi2_comment.empty())
            mod.values.push_back(info.grpi2_comment);
        int rc = m_session->Modify(account.dn, {mod});
        if (rc == LDAP_NO_SUCH_ATTRIBUTE && info.grpi2_comment.empty())
            rc = LDAP_SUCCESS;  // clearing a description that was never set
        return StatusOf(rc);
    });
}

Status DirectoryNetApi::GroupGetUsers(const std::string& server, const std::string& group,
                                      std::vector<GROUP_USERS_INFO_0>& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupGetUsers(server, group, out); });
    return Call([&]() -> Status {
        out.clear();
        Account account;
        Status status = FindGroup(group, GroupKind::Global, account, true);
        if (status != NERR_Success)
            return status;
        // The names of the member values, and of the accounts whose primary group this
        // is (members without a member value), asked together in the first search.
        std::string any = "(&(objectClass=user)(primaryGroupID=" + std::to_string(RidOf(account.sid)) + "))";
        const std::vector<std::string> none;
        const auto* dns = account.entry.All("member");
        const std::vector<std::string>& values = dns ? *dns : none;
        std::vector<Entry> members;
        std::size_t at = 0;
        do {
            for (std::size_t end = std::min(values.size(), at + kOrChunk); at < end; ++at)
                any += "(distinguishedName=" + EscapeFilterValue(values[at]) + ")";
            const int rc = m_session->Search(m_baseDn, true, "(|" + any + ")", {"sAMAccountName"}, members);
            if (rc != LDAP_SUCCESS)
                return StatusOf(rc);
            any.clear();
        } while (at < values.size());
        std::set<std::string, decltype(&LessNoCase)> names(&LessNoCase);
        for (const auto& m : members)
            if (const auto name = m.Optional("samaccountname"))
                names.insert(*name);
        for (const auto& n : names)
            out.push_back({n});
        return NERR_Success;
    });
}

namespace {

// A global group of a GROUPS browse as its entry arrives: the level-2 record and the
// member values.
struct GroupRead {
    GROUP_INFO_2 info;
    std::string dn;
    std::vector<std::string> members;
    bool ranged = false;  // more member values than the answer held
};

class GroupReader final : public EntrySink {
public:
    explicit GroupReader(std::vector<GroupRead>& out) : m_out(out) { }
    void Take(const EntryView& entry) override
    {
        GroupRead group;
        group.dn = entry.dn;
        group.info.grpi2_attributes = SE_GROUP_DEFAULT_ATTRIBUTES;
        bool seen[4] = {};
        for (std::size_t i = 0; i < entry.count; ++i) {
            const AttributeView& attribute = entry.attributes[i];
            const int at = m_index.Of(i, attribute.name);
            if (at < 0 || seen[at])
                continue;
            seen[at] = true;
            if (at == kGroupName)
                group.info.grpi2_name = First(attribute);
            else if (at == kGroupDescription)
                group.info.grpi2_comment = First(attribute);
            else if (at == kGroupSid)
                group.info.grpi2_group_id = RidOf(SidToString(First(attribute)).value_or(std::string()));
            else {
                group.members.assign(attribute.values.begin(), attribute.values.end());
                group.ranged = attribute.rangeEnd != -1;
            }
        }
        m_out.push_back(std::move(group));
    }
    void Restart() override { m_out.clear(); }

private:
    std::vector<GroupRead>& m_out;
    AttributeIndex m_index{kGroupAttributes};
};

// Hashes and compares std::string keys with std::string_view lookups.
struct TransparentHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// The account names a GROUPS browse needs, from one search of every account: those of
// the member values asked for, and the accounts whose primary group is one of the
// groups (they have no member value).
class AccountNameReader final : public EntrySink {
public:
    using Names = std::unordered_map<std::string, std::optional<std::string>, TransparentHash, std::equal_to<>>;
    using Primary = std::unordered_map<std::uint32_t, std::vector<std::string>>;

    AccountNameReader(Names& byDn, Primary& byPrimaryGroup) : m_byDn(byDn), m_byPrimaryGroup(byPrimaryGroup) { }
    void Take(const EntryView& entry) override
    {
        std::string_view name, primaryGroup;
        for (std::size_t i = 0; i < entry.count; ++i) {
            const int at = m_index.Of(i, entry.attributes[i].name);
            if (at == 0 && name.data() == nullptr)
                name = First(entry.attributes[i]);
            else if (at == 1 && primaryGroup.data() == nullptr)
                primaryGroup = First(entry.attributes[i]);
        }
        if (name.data() == nullptr)
            return;
        if (const auto found = m_byDn.find(entry.dn); found != m_byDn.end())
            found->second.emplace(name);
        if (const auto rid = ParseInteger(primaryGroup)) {
            if (const auto group = m_byPrimaryGroup.find(static_cast<std::uint32_t>(*rid));
                group != m_byPrimaryGroup.end())
                group->second.emplace_back(name);
        }
    }
    void Restart() override
    {
        for (auto& [dn, name] : m_byDn)
            name.reset();
        for (auto& [rid, names] : m_byPrimaryGroup)
            names.clear();
    }

private:
    Names& m_byDn;
    Primary& m_byPrimaryGroup;
    AttributeIndex m_index{kAccountNameAttributes};
};

}  // namespace

Status DirectoryNetApi::ReadGroupsWithUsers(std::vector<GroupWithUsers>& out)
{
    // The groups with their member values, then the names of every user and computer
    // in one search: two searches instead of two per group.
    std::vector<GroupRead> groups;
    {
        GroupReader reader(groups);
        const int rc = m_session->Search(m_baseDn, true, kGlobalGroupFilter, kGroupAttributes, reader);
        if (rc != LDAP_SUCCESS)
            return StatusOf(rc);
    }
    std::sort(groups.begin(), groups.end(),
              [](const GroupRead& a, const GroupRead& b) { return LessNoCase(a.info.grpi2_name, b.info.grpi2_name); });
    out.resize(groups.size());
    AccountNameReader::Names byDn;
    AccountNameReader::Primary byPrimaryGroup;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        GroupRead& group = groups[i];
        out[i].group = group.info;
        out[i].status = NERR_Success;
        if (group.ranged) {
            // More members than one answer holds: read them to the end.
            Entry whole;
            const int rc = m_session->ReadEntry(group.dn, {"member"}, whole);
            if (rc != LDAP_SUCCESS) {
                out[i].status = StatusOf(rc);
                if (m_session->Broken())
                    return out[i].status;
                continue;
            }
            group.members = std::move(whole.values["member"]);
        }
        for (const auto& dn : group.members)
            byDn.try_emplace(dn);
        byPrimaryGroup.try_emplace(group.info.grpi2_group_id);
    }
    AccountNameReader reader(byDn, byPrimaryGroup);
    const int rc = m_session->Search(m_baseDn, true, kAccountNameFilter, kAccountNameAttributes, reader);
    if (rc != LDAP_SUCCESS) {
        for (auto& group : out)
            if (group.status == NERR_Success)
                group.status = StatusOf(rc);
        return NERR_Success;  // the groups without their members, as when each group's query fails
    }
    for (const auto& group : groups)
        if (const auto member = byDn.find(group.dn); member != byDn.end())
            member->second = group.info.grpi2_name;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (out[i].status != NERR_Success)
            continue;
        std::set<std::string, decltype(&LessNoCase)> names(&LessNoCase);
        // Member values that named no account above (objects without an account name,
        // or a DN the server spelled otherwise) are asked for as GroupGetUsers does.
        std::vector<const std::string*> unnamed;
        for (const auto& dn : groups[i].members) {
            if (const auto& name = byDn.find(dn)->second)
                names.insert(*name);
            else
                unnamed.push_back(&dn);
        }
        const auto& primary = byPrimaryGroup.find(groups[i].info.grpi2_group_id)->second;
        names.insert(primary.begin(), primary.end());
        std::vector<Entry> found;
        for (std::size_t at = 0; at < unnamed.size() && out[i].status == NERR_Success;) {
            std::string any;
            for (const std::size_t end = std::min(unnamed.size(), at + kOrChunk); at < end; ++at)
                any += "(distinguishedName=" + EscapeFilterValue(*unnamed[at]) + ")";
            const int more = m_session->Search(m_baseDn, true, "(|" + any + ")", {"sAMAccountName"}, found);
            if (more != LDAP_SUCCESS)
                out[i].status = StatusOf(more);
        }
        if (out[i].status != NERR_Success)
            continue;
        for (const auto& e : found)
            if (const auto name = e.Optional("samaccountname"))
                names.insert(*name);
        for (const auto& name : names)
            out[i].users.push_back({name});
    }
    return NERR_Success;
}

Status DirectoryNetApi::GroupEnumWithUsers(const std::string& server, std::vector<GroupWithUsers>& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupEnumWithUsers(server, out); });
    return Call([&]() -> Status {
        out.clear();
        return ReadGroupsWithUsers(out);
    });
}

Status DirectoryNetApi::FindGroupAndUser(const std::string& group, const std::string& user, Account& g, Account& u)
{
    Status status = FindGroup(group, GroupKind::Global, g);
    if (status != NERR_Success)
        return status;
    return FindUser(user, u);
}

Status DirectoryNetApi::GroupAddUser(const std::string& server, const std::string& group, const std::string& user)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupAddUser(server, group, user); });
    return Call([&]() -> Status {
        Account g, u;
        if (const Status status = FindGroupAndUser(group, user, g, u))
            return status;
        if (u.primaryGroupId == RidOf(g.sid))
            return ERROR_MEMBER_IN_GROUP;
        const int rc = m_session->Modify(g.dn, {{Modification::Add, "member", {u.dn}}});
        if (rc == LDAP_TYPE_OR_VALUE_EXISTS || rc == LDAP_ALREADY_EXISTS)
            return ERROR_MEMBER_IN_GROUP;
        return StatusOf(rc);
    });
}

Status DirectoryNetApi::GroupDelUser(const std::string& server, const std::string& group, const std::string& user)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupDelUser(server, group, user); });
    return Call([&]() -> Status {
        Account g, u;
        if (const Status status = FindGroupAndUser(group, user, g, u))
            return status;
        if (u.primaryGroupId == RidOf(g.sid))
            return ERROR_MEMBERS_PRIMARY_GROUP;
        const int rc = m_session->Modify(g.dn, {{Modification::Delete, "member", {u.dn}}});
        if (rc == LDAP_NO_SUCH_ATTRIBUTE || rc == LDAP_UNWILLING_TO_PERFORM)
            return ERROR_MEMBER_NOT_IN_GROUP;
        return StatusOf(rc);
    });
}

// ---- local groups -------------------------------------------------------------------------

Status DirectoryNetApi::ReadLocalGroups(std::vector<LOCALGROUP_INFO_1>& out)
{
    std::vector<Entry> entries;
    const int rc =
        m_session->Search(m_baseDn, true, kLocalGroupFilter, {"sAMAccountName", "description", "groupType"}, entries);
    if (rc != LDAP_SUCCESS)
        return StatusOf(rc);
    // Builtin groups first, then the domain's own, each by name.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const bool ab = a.Integer("grouptype") & GROUP_TYPE_BUILTIN;
        const bool bb = b.Integer("grouptype") & GROUP_TYPE_BUILTIN;
        if (ab != bb)
            return ab;
        return LessNoCase(a.Text("samaccountname"), b.Text("samaccountname"));
    });
    for (const auto& e : entries)
        out.push_back({e.Text("samaccountname"), e.Text("description")});
    return NERR_Success;
}

Status DirectoryNetApi::LocalGroupEnum(const std::string& server, std::vector<LOCALGROUP_INFO_1>& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.LocalGroupEnum(server, out); });
    return Call([&]() -> Status {
        out.clear();
        return ReadLocalGroups(out);
    });
}

namespace {

// The member value for a SID: the account's DN when the domain holds it, else the
// SID form, which the server resolves (or refuses).
std::string MemberValue(const std::vector<Entry>& found, const std::string& sidText)
{
    return found.empty() ? "<SID=" + sidText + ">" : found.front().dn;
}

}  // namespace

Status DirectoryNetApi::FindLocalGroupAndMember(const std::string& group, const Sid& member, Account& g,
                                                std::string& value)
{
    const Status status = FindGroup(group, GroupKind::Local, g);
    if (status != NERR_Success)
        return status;
    const std::string filter = SidFilter(member.text);
    if (filter.empty())
        return ERROR_NO_SUCH_MEMBER;
    std::vector<Entry> found;
    const int rc = m_session->Search(m_baseDn, true, filter, {"objectClass"}, found);
    if (rc != LDAP_SUCCESS)
        return StatusOf(rc);
    if (found.empty() && DomainPartOf(member.text) == m_policy->domainSid)
        return ERROR_NO_SUCH_MEMBER;
    value = MemberValue(found, member.text);
    return NERR_Success;
}

Status DirectoryNetApi::LocalGroupAddMember(const std::string& server, const std::string& group, const Sid& member)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.LocalGroupAddMember(server, group, member); });
    return Call([&]() -> Status {
        Account g;
        std::string value;
        if (const Status status = FindLocalGroupAndMember(group, member, g, value))
            return status;
        const int rc = m_session->Modify(g.dn, {{Modification::Add, "member", {value}}});
        if (rc == LDAP_TYPE_OR_VALUE_EXISTS || rc == LDAP_ALREADY_EXISTS)
            return ERROR_MEMBER_IN_ALIAS;
        if (rc == LDAP_NO_SUCH_OBJECT)
            return ERROR_NO_SUCH_MEMBER;
        return StatusOf(rc);
    });
}

Status DirectoryNetApi::LocalGroupDelMember(const std::string& server, const std::string& group, const Sid& member)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.LocalGroupDelMember(server, group, member); });
    return Call([&]() -> Status {
        Account g;
        std::string value;
        if (const Status status = FindLocalGroupAndMember(group, member, g, value))
            return status;
        const int rc = m_session->Modify(g.dn, {{Modification::Delete, "member", {value}}});
        if (rc == LDAP_NO_SUCH_ATTRIBUTE || rc == LDAP_UNWILLING_TO_PERFORM || rc == LDAP_NO_SUCH_OBJECT)
            return ERROR_MEMBER_NOT_IN_ALIAS;
        return StatusOf(rc);
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

// ---- choosing the route -------------------------------------------------------------------

namespace {

struct RootFacts {
    std::string baseDn;
    std::string dnsHostName;
    std::string realm;
};

// The rootDSE of `host` when it answers as an Active Directory controller.
std::optional<RootFacts> ReadAdRoot(const std::string& host, const std::string& domain, int timeoutSeconds,
                                    std::string& error)
{
    const auto root = LdapSession::ReadRootDse(host, timeoutSeconds, error);
    if (!root)
        return std::nullopt;
    const auto* capabilities = root->All("supportedcapabilities");
    const bool isAd = capabilities && std::find(capabilities->begin(), capabilities->end(), "1.2.840.113556.1.4.800") !=
                                          capabilities->end();
    RootFacts facts;
    facts.baseDn = root->Text("defaultnamingcontext");
    if (!isAd || facts.baseDn.empty())
        return std::nullopt;
    facts.dnsHostName = root->Text("dnshostname");
    facts.realm = RealmOfDirectory(root->Text("ldapservicename"), facts.baseDn, domain);
    return facts;
}

// One way of the plan: its log-on, bound now. `refused` tells a refused password,
// `stop` an account the KDC refuses whatever the way (disabled, locked, expired).
std::unique_ptr<DirectoryNetApi> TryWay(const std::string& server, const RootFacts& root, const LogonWay& way,
                                        const std::optional<Credentials>& credentials, const DirectoryOptions& options,
                                        bool& refused, bool& stop, std::string& message)
{
    DirectoryLogon logon{way, std::nullopt, nullptr};
    refused = false;
    stop = false;
    if (way.bind == DirectoryBind::Ldaps)
        logon.credentials = credentials;
    if (way.bind == DirectoryBind::KerberosPassword) {
        std::shared_ptr<KerberosLogon> kerberos = KerberosLogon::Create(root.realm, way.address, message);
        if (!kerberos)
            return nullptr;
        const KerberosResult result = kerberos->LogOn(*credentials, message);
        refused = result == KerberosResult::WrongPassword;
        stop = result == KerberosResult::AccountRefused;
        if (result != KerberosResult::Ok)
            return nullptr;
        logon.kerberos = std::move(kerberos);
    }
    const std::string host = root.dnsHostName.empty() ? way.host : root.dnsHostName;
    auto api = std::make_unique<DirectoryNetApi>(server, host, root.baseDn, std::move(logon), nullptr, options);
    if (!api->Connect(message, &refused))
        return nullptr;
    return api;
}

// What would let the program use the directory of `named`.
std::string EnableHint(const std::string& named, bool havePassword)
{
    if (!havePassword)
        return "To use the directory, give an authentication file (--auth-file) or get a Kerberos ticket with kinit.";
    std::string hint = "To use the directory, let the controller's Kerberos service (port 88) answer at " + named;
    if (!IsAddress(named))
        hint += ", or name the file of the CA that issued its LDAPS certificate in LDAPTLS_CACERT (the certificate "
                "must carry the name " +
                named + ")";
    return hint + ".";
}

}  // namespace

DirectoryAttempt AttachDirectory(const std::string& server, const std::optional<Credentials>& credentials,
                                 std::unique_ptr<NetApi>& fallback, const std::string& domain, DirectoryOptions options)
{
    DirectoryAttempt attempt;
    const std::string named = HostOf(server);
    if (named.empty())
        return attempt;
    const int probeSeconds = std::min(options.timeoutSeconds, 3);
    std::string probeError;
    const auto root =
        ReadAdRoot(named, domain.empty() && credentials ? credentials->domain : domain, probeSeconds, probeError);
    if (!root) {
        if (!probeError.empty() && !TcpReachable(named, kSmbPort, probeSeconds)) {
            attempt.outcome = DirectoryAttempt::Unreachable;
            attempt.message = "The server " + server + " does not answer (LDAP: " + probeError +
                              "; SMB port 445 closed or silent). Browses will fail until it answers.";
        }
        return attempt;
    }
    const bool havePassword = credentials && !credentials->password.empty();
    const auto ways = PlanDirectoryLogon(named, root->dnsHostName, havePassword, !havePassword && HasKerberosTicket());
    std::string reasons;
    for (const LogonWay& way : ways) {
        bool refused = false;
        bool stop = false;
        std::string message;
        attempt.api = TryWay(server, *root, way, credentials, options, refused, stop, message);
        if (attempt.api) {
            attempt.outcome = DirectoryAttempt::Bound;
            attempt.api->SetFallback(std::shared_ptr<NetApi>(std::move(fallback)));
            return attempt;
        }
        if (refused) {
            attempt.outcome = DirectoryAttempt::WrongPassword;
            attempt.message = "The password of " + credentials->user + " was refused by " + server + ": " + message;
            return attempt;
        }
        reasons += (reasons.empty() ? "" : "\n") + DescribeBind(way.bind) + ": " + message;
        if (stop)
            break;
    }
    attempt.outcome = DirectoryAttempt::Refused;
    attempt.message = "The directory of " + server +
                      " can't be used securely, so every call goes through "
                      "SMB (libnetapi) instead.\n\n" +
                      (reasons.empty() ? std::string() : reasons + "\n\n") + EnableHint(named, havePassword);
    return attempt;
}

std::unique_ptr<NetApi> CreateDomainNetApi(const std::string& server, std::optional<Credentials> credentials,
                                           std::unique_ptr<NetApi> fallback, std::string* error,
                                           DirectoryOptions options)
{
    DirectoryAttempt attempt = AttachDirectory(server, credentials, fallback, {}, std::move(options));
    switch (attempt.outcome) {
    case DirectoryAttempt::Bound:
        return std::move(attempt.api);
    case DirectoryAttempt::NoDirectory:
    case DirectoryAttempt::Unreachable:
        return fallback;
    default:
        if (error)
            *error = attempt.message;
        return nullptr;
    }
}

// The machine's master browsers, asked in a process of their own; no server is involved.
Status DirectoryNetApi::BrowseListEnum(const std::string& workgroup, std::vector<std::string>& out)
{
    return NetbiosBrowseList(workgroup, out);
}

// The hosts that announce themselves on this computer's networks; no server is involved.
Status DirectoryNetApi::DiscoverHosts(std::vector<DiscoveredHost>& out)
{
    out = net::DiscoverHosts(kDiscoveryBudget);
    return NERR_Success;
}

}  // namespace net
