// A NetApi whose back end is still being opened. Each call waits until it is, or until
// the calling thread's work is stopped (ERROR_CANCELLED), then goes to it; so the window
// shows at once while start-up finds the controller and logs on, and a browse started
// meanwhile waits inside its worker.
#pragma once

#include "platform/net/netapi.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace net {

class DeferredNetApi final : public NetApi {
public:
    // Hands over the opened back end; the waiting calls go on. nullptr when none could
    // be opened: every call then fails with ERROR_BAD_NETPATH.
    void SetBackend(std::unique_ptr<NetApi> api);
    bool Opened() const;
    // Waits until the opening is done (true) or the calling thread's work is stopped
    // (false); `backend` is the back end then, possibly nullptr.
    bool WaitForBackend(NetApi*& backend);

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
    template <class Call>
    Status Forward(Call&& call)
    {
        NetApi* api = nullptr;
        if (!WaitForBackend(api))
            return ERROR_CANCELLED;
        return api ? call(*api) : ERROR_BAD_NETPATH;
    }

    mutable std::mutex m_mutex;
    std::condition_variable_any m_ready;
    std::unique_ptr<NetApi> m_backend;
    bool m_opened = false;
};

}  // namespace net
