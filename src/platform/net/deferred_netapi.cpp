#include "platform/net/deferred_netapi.h"

#include "platform/threads/owned_threads.h"

namespace net {

void DeferredNetApi::SetBackend(std::unique_ptr<NetApi> api)
{
    {
        std::lock_guard lock(m_mutex);
        m_backend = std::move(api);
        m_opened = true;
    }
    m_ready.notify_all();
}

bool DeferredNetApi::Opened() const
{
    std::lock_guard lock(m_mutex);
    return m_opened;
}

bool DeferredNetApi::WaitForBackend(NetApi*& backend)
{
    std::unique_lock lock(m_mutex);
    if (!m_ready.wait(lock, threads::CurrentStop(), [&] { return m_opened; }))
        return false;
    backend = m_backend.get();
    return true;
}

Status DeferredNetApi::GetDCName(const std::string& server, const std::string& domain, std::string& dcName)
{
    return Forward([&](NetApi& api) { return api.GetDCName(server, domain, dcName); });
}

Status DeferredNetApi::ServerEnum(const std::string& server, std::uint32_t serverType, const std::string& domain,
                                  std::vector<SERVER_INFO_101>& out, std::uint32_t& totalEntries)
{
    return Forward([&](NetApi& api) { return api.ServerEnum(server, serverType, domain, out, totalEntries); });
}

Status DeferredNetApi::DomainEnum(const std::string& server, std::vector<std::string>& out)
{
    return Forward([&](NetApi& api) { return api.DomainEnum(server, out); });
}

Status DeferredNetApi::DiscoverHosts(std::vector<DiscoveredHost>& out)
{
    return Forward([&](NetApi& api) { return api.DiscoverHosts(out); });
}

Status DeferredNetApi::BrowseListEnum(const std::string& workgroup, std::vector<std::string>& out)
{
    return Forward([&](NetApi& api) { return api.BrowseListEnum(workgroup, out); });
}

Status DeferredNetApi::ServerGetInfo(const std::string& server, SERVER_INFO_101& out)
{
    return Forward([&](NetApi& api) { return api.ServerGetInfo(server, out); });
}

Status DeferredNetApi::ShareEnum(const std::string& server, std::vector<SHARE_INFO_1>& out)
{
    return Forward([&](NetApi& api) { return api.ShareEnum(server, out); });
}

Status DeferredNetApi::UserEnum(const std::string& server, std::uint32_t filter, std::vector<USER_INFO_0>& out)
{
    return Forward([&](NetApi& api) { return api.UserEnum(server, filter, out); });
}

Status DeferredNetApi::UserEnum(const std::string& server, std::uint32_t filter, std::vector<USER_INFO_3>& out)
{
    return Forward([&](NetApi& api) { return api.UserEnum(server, filter, out); });
}

Status DeferredNetApi::UserGetInfo(const std::string& server, const std::string& user, USER_INFO_3& out)
{
    return Forward([&](NetApi& api) { return api.UserGetInfo(server, user, out); });
}

Status DeferredNetApi::UserSetInfo(const std::string& server, const std::string& user, const USER_INFO_3& info,
                                   const UserFields& fields)
{
    return Forward([&](NetApi& api) { return api.UserSetInfo(server, user, info, fields); });
}

Status DeferredNetApi::UserGetGroups(const std::string& server, const std::string& user,
                                     std::vector<GROUP_USERS_INFO_1>& out)
{
    return Forward([&](NetApi& api) { return api.UserGetGroups(server, user, out); });
}

Status DeferredNetApi::UserGetLocalGroups(const std::string& server, const std::string& user, std::uint32_t flags,
                                          std::vector<LOCALGROUP_USERS_INFO_0>& out)
{
    return Forward([&](NetApi& api) { return api.UserGetLocalGroups(server, user, flags, out); });
}

Status DeferredNetApi::GroupEnum(const std::string& server, std::vector<GROUP_INFO_2>& out)
{
    return Forward([&](NetApi& api) { return api.GroupEnum(server, out); });
}

Status DeferredNetApi::GroupGetInfo(const std::string& server, const std::string& group, GROUP_INFO_2& out)
{
    return Forward([&](NetApi& api) { return api.GroupGetInfo(server, group, out); });
}

Status DeferredNetApi::GroupSetInfo(const std::string& server, const std::string& group, const GROUP_INFO_2& info)
{
    return Forward([&](NetApi& api) { return api.GroupSetInfo(server, group, info); });
}

Status DeferredNetApi::GroupGetUsers(const std::string& server, const std::string& group,
                                     std::vector<GROUP_USERS_INFO_0>& out)
{
    return Forward([&](NetApi& api) { return api.GroupGetUsers(server, group, out); });
}

Status DeferredNetApi::GroupEnumWithUsers(const std::string& server, std::vector<GroupWithUsers>& out)
{
    return Forward([&](NetApi& api) { return api.GroupEnumWithUsers(server, out); });
}

Status DeferredNetApi::GroupAddUser(const std::string& server, const std::string& group, const std::string& user)
{
    return Forward([&](NetApi& api) { return api.GroupAddUser(server, group, user); });
}

Status DeferredNetApi::GroupDelUser(const std::string& server, const std::string& group, const std::string& user)
{
    return Forward([&](NetApi& api) { return api.GroupDelUser(server, group, user); });
}

Status DeferredNetApi::LocalGroupEnum(const std::string& server, std::vector<LOCALGROUP_INFO_1>& out)
{
    return Forward([&](NetApi& api) { return api.LocalGroupEnum(server, out); });
}

Status DeferredNetApi::LocalGroupAddMember(const std::string& server, const std::string& group, const Sid& member)
{
    return Forward([&](NetApi& api) { return api.LocalGroupAddMember(server, group, member); });
}

Status DeferredNetApi::LocalGroupDelMember(const std::string& server, const std::string& group, const Sid& member)
{
    return Forward([&](NetApi& api) { return api.LocalGroupDelMember(server, group, member); });
}

Status DeferredNetApi::LookupAccountName(const std::string& server, const std::string& account, Sid& sid,
                                         std::string& domain, SidNameUse& use)
{
    return Forward([&](NetApi& api) { return api.LookupAccountName(server, account, sid, domain, use); });
}

}  // namespace net
