#include "platform/net/directory/directory_netapi.h"

#include "platform/net/directory/directory_netapi_parts.h"
#include "platform/net/directory/kerberos_logon.h"
#include "platform/net/discovery/discovery.h"
#include "platform/net/discovery/netbios_browse.h"
#include "platform/net/net_support.h"

#include <ldap.h>

#include <unordered_map>

namespace net {

using namespace directory;
using namespace directory_parts;

namespace {

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

}  // namespace

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
        // More members than one answer holds: read the rest, from where it stopped.
        rc = m_session->ReadRestOfRange(e.dn, "member", ranged["member"], e.values["member"]);
        if (rc != LDAP_SUCCESS)
            return StatusOf(rc);
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
