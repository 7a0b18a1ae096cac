// NetApi on Samba's libnetapi: SAMR, SRVSVC and NETLOGON over SMB to any server
// that speaks them (Samba and Windows domain controllers, member servers).
//
// libnetapi keeps one context per process and is not thread-safe, so every call of
// every SambaNetApi instance goes through one process-wide lock. Before calling a
// server that has not answered within the last minute, the back end checks, outside
// that lock and within a time limit, that it accepts connections on port 445, so a
// server that does not answer fails quickly (ERROR_BAD_NETPATH) instead of holding
// the lock. Several instances with different credentials work, each call applying
// its own; the library may reuse a connection it already holds to the same server. Calls that crash or corrupt data in
// the library are never made; see samba_netapi.cpp for what is done instead.
#pragma once

#include "platform/net/credentials.h"
#include "platform/net/netapi.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace net {

struct SambaConnection {
    std::string workgroup;     // NetBIOS domain the library works in ("VELLOX"); empty: smb.conf's
    Credentials credentials;   // user (empty: the library's default), domain, password
    bool useKerberos = false;  // log on with the Kerberos credential cache instead of the password
    // Longest wait for a server to accept a connection on port 445 (name lookup included).
    std::chrono::milliseconds connectTimeout{3000};
    // Longest time ServerEnum spends asking servers for their role bits; servers not asked
    // by then get the bits of their account kind.
    std::chrono::milliseconds serverEnumBudget{15000};
    // Preferred length of one batch of a listing, in bytes (libnetapi's prefmaxlen). The
    // lists are complete whatever the value; a small one makes the library page.
    std::uint32_t batchBytes = 0xFFFFFFFFu;
};

class SambaNetApi : public NetApi {
public:
    explicit SambaNetApi(SambaConnection connection);
    ~SambaNetApi() override;

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
    Status GroupAddUser(const std::string& server, const std::string& group, const std::string& user) override;
    Status GroupDelUser(const std::string& server, const std::string& group, const std::string& user) override;

    using NetApi::LocalGroupEnum;
    Status LocalGroupEnum(const std::string& server, std::vector<LOCALGROUP_INFO_1>& out) override;
    Status LocalGroupAddMember(const std::string& server, const std::string& group, const Sid& member) override;
    Status LocalGroupDelMember(const std::string& server, const std::string& group, const Sid& member) override;

    Status LookupAccountName(const std::string& server, const std::string& account, Sid& sid, std::string& domain,
                             SidNameUse& use) override;

private:
    // Runs `body` with the library lock held, the connection's credentials applied and
    // the host name (nullptr for this computer), after Reach(server) succeeded.
    template <class Body>
    Status Locked(const std::string& server, Body&& body);
    // NERR_Success when `server` (backslashes allowed) may be called: empty (this
    // computer), recently seen answering, or accepting a connection on port 445 now.
    Status Reach(const std::string& server);
    Status WriteUser(const std::string& server, const std::string& user, const USER_INFO_3& info);
    // The names of the accounts `filter` asks for, through the calls that are safe for it.
    Status AccountNames(const std::string& server, std::uint32_t filter, std::vector<std::string>& names);
    // The normal accounts through NetUserEnum level 3, batch by batch.
    Status UserEnumLevel3(const std::string& server, std::vector<USER_INFO_3>& out);
    Status LocalGroupChange(const std::string& server, const std::string& group, const Sid& member, bool add);
    Status ServerInfoLocked(const char* host, SERVER_INFO_101& out);
    // The controller to ask for `server`'s domain (or `domain`), into `dc`.
    Status LocateController(const std::string& server, const std::string& domain, std::string& dc);

    SambaConnection m_connection;
    std::uint64_t m_id;  // tells the library whose credentials it holds
    std::mutex m_reachMutex;
    std::map<std::string, std::chrono::steady_clock::time_point> m_answeredUntil;
};

std::unique_ptr<NetApi> CreateSambaNetApi(const SambaConnection& connection);

}  // namespace net
