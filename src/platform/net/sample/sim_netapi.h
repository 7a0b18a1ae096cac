// The sample network: domains, servers, accounts and shares held in memory, loaded
// from a JSON file (data/sample-domain.json; format in data/README.md).
//
// Answers every NetApi call as the Net functions do: exact-case account names, the
// same status codes, complete lists. Domain controllers hold their domain's accounts;
// a backup controller answers reads and refuses every write with ERROR_ACCESS_DENIED;
// other servers of the network answer ServerGetInfo and ShareEnum but refuse account
// calls with ERROR_ACCESS_DENIED; names that are no server of the network fail with
// ERROR_BAD_NETPATH. Writes change the in-memory network for the rest of the run and
// are never written back to the file. Passwords are checked and then forgotten.
//
// Thread-safe: one mutex guards the network, so a worker thread and the window thread
// may call at once. The test switches below change how calls behave.
#pragma once

#include "platform/net/netapi.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace net {

// A domain of the sample network as the network tree shows it.
struct SimDomainInfo {
    std::string name;
    std::string controller;            // the primary controller, with leading backslashes
    std::vector<std::string> servers;  // every server of the domain, without backslashes
};

class SimNetApi final : public NetApi {
public:
    // Loads a network from a JSON file or text; nullptr and a message on failure.
    static std::unique_ptr<SimNetApi> FromFile(const std::string& path, std::string& error);
    static std::unique_ptr<SimNetApi> FromJson(const std::string& json, std::string& error);
    ~SimNetApi() override;

    Status GetDCName(const std::string& server, const std::string& domain, std::string& dcName) override;
    Status ServerEnum(const std::string& server, std::uint32_t serverType, const std::string& domain,
                      std::vector<SERVER_INFO_101>& out, std::uint32_t& totalEntries) override;
    Status DomainEnum(const std::string& server, std::vector<std::string>& out) override;
    Status BrowseListEnum(const std::string& workgroup, std::vector<std::string>& out) override;
    Status DiscoverHosts(std::vector<DiscoveredHost>& out) override;
    Status ServerGetInfo(const std::string& server, SERVER_INFO_101& out) override;
    Status ShareEnum(const std::string& server, std::vector<SHARE_INFO_1>& out) override;

    using NetApi::UserEnum;
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

    // The domains of the network, in file order, each with its servers.
    std::vector<SimDomainInfo> ListDomains() const;

    // Test switches. Method names are those of NetApi ("UserEnum" covers both levels);
    // an unknown name throws std::invalid_argument.
    //
    // Makes the next `times` calls of `method` (every call when negative) fail with
    // `status` before doing anything; status 0 clears the failure.
    void FailCall(const std::string& method, Status status, int times = -1);
    void ClearFailures();
    // Waits this long before each request to the "server" (every batch of a list is
    // one request), outside the lock, so other threads go on meanwhile.
    void SetCallDelay(std::chrono::milliseconds delay);
    // Calls `observer` with the method's name as each request begins, before its delay,
    // on the calling thread; an empty function removes it.
    void SetRequestObserver(std::function<void(const std::string& method)> observer);
    // Reads lists in batches of at most `entries` (0: everything at once), following
    // the resume handle internally; the caller still gets the complete list.
    void SetBatchSize(std::size_t entries);
    // Gives the network a NetBIOS browse list: the workgroups under "", each workgroup's
    // servers under its name. Without any, BrowseListEnum answers ERROR_NOT_SUPPORTED;
    // a workgroup without a list answers ERROR_NO_BROWSER_SERVERS_FOUND.
    void SetBrowseList(const std::string& workgroup, std::vector<std::string> names);
    // Gives the network hosts that announce themselves; without any, DiscoverHosts
    // answers ERROR_NOT_SUPPORTED.
    void SetDiscoveredHosts(std::vector<DiscoveredHost> hosts);
    // Calls of `method` made so far, and the requests (batches) they needed.
    std::size_t CallCount(const std::string& method) const;
    std::size_t RequestCount(const std::string& method) const;

private:
    struct Impl;
    explicit SimNetApi(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace net
