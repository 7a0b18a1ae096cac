// The Net functions answered from an Active Directory controller's directory over
// LDAP: users, computers, global, domain-local and builtin groups, memberships and
// the account writes. SRVSVC calls (NetServerGetInfo, NetShareEnum), calls naming
// another server and anything else the directory can't answer go to the fallback
// NetApi (normally the libnetapi route).
//
// Security: never a simple bind over plain LDAP. The connection is a SASL GSSAPI bind,
// signed and sealed, with a Kerberos ticket (the program's own, got with the password,
// or the user's cache), or LDAPS with the certificate verified for the name the user
// gave. A password goes only to a server proven by Kerberos or by that certificate.
#pragma once

#include "platform/net/credentials.h"
#include "platform/net/directory/directory_logon.h"
#include "platform/net/netapi.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace net {

class KerberosLogon;

namespace directory {
class LdapSession;
struct Entry;

// One search a browse makes: a subtree search of the domain's naming context.
struct BrowseSearch {
    std::string filter;
    std::vector<std::string> attributes;
    bool daclOnly = false;  // the security descriptor's DACL alone
};

// The search of a USERS browse (NetUserEnum level 3 of the normal accounts), and the
// searches of a GROUPS browse with members: the global groups with their member
// values, then the accounts whose names those values and primary groups stand for.
BrowseSearch UsersBrowseSearch();
std::vector<BrowseSearch> GroupsBrowseSearches();
}  // namespace directory

// How a DirectoryNetApi logs on: one way of the plan, with what it needs.
struct DirectoryLogon {
    LogonWay way;
    std::optional<Credentials> credentials;   // LDAPS: the simple bind's
    std::shared_ptr<KerberosLogon> kerberos;  // KerberosPassword: the program's own tickets
};

struct DirectoryOptions {
    std::string caFile;         // CA certificates for LDAPS; empty: LDAPTLS_CACERT, else ldap.conf's, else libldap's
    int timeoutSeconds = 20;    // per request and for connecting
    int serverInfoSeconds = 5;  // time limit of the NetServerGetInfo round in ServerEnum
    int unpagedSizeLimit = 0;   // tests: stand in for a server that caps unpaged answers
};

class DirectoryNetApi : public NetApi {
public:
    // `server` is the controller ("\\DC1", "dc1.example.org"); `host` its DNS name as
    // the rootDSE gives it; `baseDn` the domain's naming context.
    DirectoryNetApi(std::string server, std::string host, std::string baseDn, DirectoryLogon logon,
                    std::shared_ptr<NetApi> fallback, DirectoryOptions options = {});
    ~DirectoryNetApi() override;

    // Binds now (instead of at the first call). False with a message for the user and,
    // in `refusedLogon`, whether the server refused the account's password.
    bool Connect(std::string& error, bool* refusedLogon = nullptr);
    // Where calls this route can't answer go; set before the first call.
    void SetFallback(std::shared_ptr<NetApi> fallback) { m_fallback = std::move(fallback); }
    DirectoryBind Bind() const { return m_logon.way.bind; }
    // The message of the last failed connection, empty when none failed.
    std::string LastError() const;
    // Runs `work` (which returns an LDAP result code) on the route's own bound
    // connection, as one call: benchmarks time raw reads through it.
    Status OnSession(const std::function<int(directory::LdapSession&)>& work);
    const std::string& BaseDn() const { return m_baseDn; }

    Status GetDCName(const std::string& server, const std::string& domain, std::string& dcName) override;
    Status ServerEnum(const std::string& server, std::uint32_t serverType, const std::string& domain,
                      std::vector<SERVER_INFO_101>& out, std::uint32_t& totalEntries) override;
    Status DomainEnum(const std::string& server, std::vector<std::string>& out) override;
    Status BrowseListEnum(const std::string& workgroup, std::vector<std::string>& out) override;
    Status DiscoverHosts(std::vector<DiscoveredHost>& out) override;
    Status ServerGetInfo(const std::string& server, SERVER_INFO_101& out) override;
    Status ShareEnum(const std::string& server, std::vector<SHARE_INFO_1>& out) override;

    Status UserEnum(const std::string& server, std::uint32_t filter, std::vector<USER_INFO_0>& out) override;
    Status UserEnum(const std::string& server, std::uint32_t filter, std::vector<USER_INFO_3>& out) override;
    Status UserGetInfo(const std::string& server, const std::string& user, USER_INFO_3& out) override;
    using NetApi::UserSetInfo;
    Status UserSetInfo(const std::string& server, const std::string& user, const USER_INFO_3& info,
                       const UserFields& fields) override;
    Status UserGetGroups(const std::string& server, const std::string& user,
                         std::vector<GROUP_USERS_INFO_1>& out) override;
    Status UserGetLocalGroups(const std::string& server, const std::string& user, std::uint32_t flags,
                              std::vector<LOCALGROUP_USERS_INFO_0>& out) override;

    using NetApi::GroupEnum;
    Status GroupEnum(const std::string& server, std::vector<GROUP_INFO_2>& out) override;
    Status GroupGetInfo(const std::string& server, const std::string& group, GROUP_INFO_2& out) override;
    Status GroupSetInfo(const std::string& server, const std::string& group, const GROUP_INFO_2& info) override;
    Status GroupGetUsers(const std::string& server, const std::string& group,
                         std::vector<GROUP_USERS_INFO_0>& out) override;
    Status GroupEnumWithUsers(const std::string& server, std::vector<GroupWithUsers>& out) override;
    Status GroupAddUser(const std::string& server, const std::string& group, const std::string& user) override;
    Status GroupDelUser(const std::string& server, const std::string& group, const std::string& user) override;

    using NetApi::LocalGroupEnum;
    Status LocalGroupEnum(const std::string& server, std::vector<LOCALGROUP_INFO_1>& out) override;
    Status LocalGroupAddMember(const std::string& server, const std::string& group, const Sid& member) override;
    Status LocalGroupDelMember(const std::string& server, const std::string& group, const Sid& member) override;

    Status LookupAccountName(const std::string& server, const std::string& account, Sid& sid, std::string& domain,
                             SidNameUse& use) override;

private:
    struct Account;
    struct Policy {
        std::int64_t lockoutDuration = 0;
        std::int64_t maxPwdAge = 0;
        std::string domainSid;
        std::string netbiosName;
        std::string pdcName;  // short name of the PDC emulator, upper case
    };
    enum class GroupKind { Global, Local };

    bool IsOurs(const std::string& server) const;
    // A call this route does not answer, handed to the fallback route: `call(fallback)`,
    // or `none` without one.
    template <class Forward>
    Status OnFallback(Forward&& call, Status none = ERROR_BAD_NETPATH)
    {
        return m_fallback ? call(*m_fallback) : none;
    }
    Status Ensure();  // m_session bound and m_policy read; under m_mutex
    template <class Work>
    Status Call(Work&& work);
    Status ReadUsers(const std::string& filter, std::vector<USER_INFO_3>& out);
    USER_INFO_3 ToUserInfo(const directory::Entry& entry, std::int64_t now) const;
    // `withMembers` reads the group's member values too, whole.
    Status FindAccount(const std::string& name, Account& out, bool needSd = false, bool withMembers = false);
    Status FindGroup(const std::string& name, GroupKind kind, Account& out, bool withMembers = false);
    // A user or computer account, not a group.
    Status FindUser(const std::string& name, Account& out, bool needSd = false);
    // The user account `user` and the groups of `groupFilter` that name it as a member.
    Status UserAndGroups(const std::string& user, const std::string& groupFilter, Account& account,
                         std::vector<directory::Entry>& groups);
    // A global group and a user account, as the membership writes need them.
    Status FindGroupAndUser(const std::string& group, const std::string& user, Account& g, Account& u);
    // A local group and the member value that names `member` in it (its DN, or
    // "<SID=...>" for an account of another domain).
    Status FindLocalGroupAndMember(const std::string& group, const Sid& member, Account& g, std::string& value);
    Status ReadLocalGroups(std::vector<LOCALGROUP_INFO_1>& out);
    // The global groups with their members in a fixed number of searches.
    Status ReadGroupsWithUsers(std::vector<GroupWithUsers>& out);
    Status WritePassword(const std::string& dn, const std::string& password);

    std::string m_server;
    std::string m_host;
    std::string m_baseDn;
    DirectoryLogon m_logon;
    std::shared_ptr<NetApi> m_fallback;
    DirectoryOptions m_options;

    mutable std::mutex m_mutex;  // one request at a time on the connection
    std::unique_ptr<directory::LdapSession> m_session;
    std::optional<Policy> m_policy;
    std::string m_lastError;
    bool m_refusedLogon = false;  // the last failed connection was a refused password
};

// What became of an attempt to answer `server` through its directory.
struct DirectoryAttempt {
    enum Outcome {
        NoDirectory,    // nothing answers as an Active Directory controller there
        Unreachable,    // the server answers neither LDAP nor SMB
        NotFound,       // no way of finding names knows the server (DNS, hosts file, NetBIOS)
        Bound,          // `api` is bound through `way`
        WrongPassword,  // the server refused the password (Kerberos or LDAPS)
        Refused,        // a directory, but no protected log-on worked
    } outcome = NoDirectory;
    std::unique_ptr<DirectoryNetApi> api;
    // Why the directory is not used and what would enable it (empty when bound or none).
    std::string message;
};

// Reads `server`'s rootDSE and, for an Active Directory controller, binds by the ways
// PlanDirectoryLogon gives for `credentials` (a password) or the ticket cache. On
// success `fallback` moves into the route; otherwise it stays with the caller.
DirectoryAttempt AttachDirectory(const std::string& server, const std::optional<Credentials>& credentials,
                                 std::unique_ptr<NetApi>& fallback, const std::string& domain = {},
                                 DirectoryOptions options = {});

// The NetApi for the domain controller `server`: DirectoryNetApi when the server's
// rootDSE answers as an Active Directory controller, else `fallback` itself. When the
// directory answers but no protected connection can be made (certificate not
// verified, no Kerberos ticket, refused log-on) the result is nullptr and `error`
// says why and what to do.
std::unique_ptr<NetApi> CreateDomainNetApi(const std::string& server, std::optional<Credentials> credentials,
                                           std::unique_ptr<NetApi> fallback, std::string* error = nullptr,
                                           DirectoryOptions options = {});

}  // namespace net
