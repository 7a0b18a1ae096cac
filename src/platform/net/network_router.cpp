#include "platform/net/network_router.h"

#include "platform/net/net_support.h"
#include "platform/threads/owned_threads.h"

#include <algorithm>
#include <cctype>
#include <future>

namespace net {
namespace {

// NetBIOS names compare without case.
constexpr auto SameName = SameHostName;

bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameName(n, name); });
}

// A domain a host announces by its DNS name ("vellox.example") is the listed domain
// whose NetBIOS name is its first label, when there is one.
const std::string* MatchingDomain(const std::vector<std::string>& names, const std::string& group)
{
    const std::string label = group.substr(0, group.find('.'));
    for (const std::string& name : names)
        if (SameName(name, group))
            return &name;
    for (const std::string& name : names)
        if (SameName(name, label))
            return &name;
    return nullptr;
}

// Discovery on a thread of its own, so that it overlaps the reads of the domains.
std::future<std::vector<DiscoveredHost>> StartDiscovery(NetApi& api)
{
    auto promise = std::make_shared<std::promise<std::vector<DiscoveredHost>>>();
    std::future<std::vector<DiscoveredHost>> hosts = promise->get_future();
    if (!threads::StartOwned([&api, promise] {
            std::vector<DiscoveredHost> found;
            api.DiscoverHosts(found);  // no source adds nothing
            promise->set_value(std::move(found));
        }))
        promise->set_value({});
    return hosts;
}

}  // namespace

Status ResourceEnum::Next(std::size_t count, std::vector<NetResource>& out)
{
    out.clear();
    for (; m_next < m_children.size() && out.size() < count; ++m_next)
        out.push_back(m_children[m_next]);
    return out.empty() ? ERROR_NO_MORE_ITEMS : NERR_Success;
}

std::unique_ptr<ResourceEnum> NetworkRouter::OpenEnum(const NetResource* container, Status& status)
{
    std::vector<NetResource> children;
    if (!container) {
        children.push_back({RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_NETWORK, RESOURCEUSAGE_CONTAINER, kSmbProvider});
        status = NERR_Success;
    } else if (!(container->usage & RESOURCEUSAGE_CONTAINER)) {
        status = ERROR_INVALID_PARAMETER;
    } else if (container->displayType == RESOURCEDISPLAYTYPE_NETWORK) {
        status = Domains(children);
    } else if (container->displayType == RESOURCEDISPLAYTYPE_DOMAIN) {
        status = Servers(container->remoteName, children);
    } else if (container->displayType == RESOURCEDISPLAYTYPE_SERVER) {
        status = Shares(container->remoteName, children);
    } else {
        status = ERROR_INVALID_PARAMETER;
    }
    if (status != NERR_Success)
        return nullptr;
    return std::make_unique<ResourceEnum>(std::move(children));
}

Status NetworkRouter::Domains(std::vector<NetResource>& out)
{
    std::future<std::vector<DiscoveredHost>> discovery = StartDiscovery(m_api);
    std::vector<std::string> names;
    const Status status = m_api.DomainEnum(m_server, names);
    if (!names.empty())
        m_ownDomain = names.front();
    std::vector<std::string> workgroups;
    m_api.BrowseListEnum("", workgroups);  // no browse list adds nothing
    for (const std::string& workgroup : workgroups)
        if (!Contains(names, workgroup)) {
            names.push_back(workgroup);
            m_browsedDomains.push_back(workgroup);
        }
    m_discovered = discovery.get();
    AddDiscoveredGroups(names);
    for (const std::string& name : names)
        out.push_back({RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_DOMAIN, RESOURCEUSAGE_CONTAINER, name});
    return names.empty() ? status : NERR_Success;
}

bool NetworkRouter::FromBrowseList(const std::string& domain) const
{
    return Contains(m_browsedDomains, domain);
}

bool NetworkRouter::FromDiscovery(const std::string& domain) const
{
    return Contains(m_discoveredGroups, domain);
}

// Each discovered host's group becomes the listed domain it names, or a new one.
void NetworkRouter::AddDiscoveredGroups(std::vector<std::string>& names)
{
    for (DiscoveredHost& host : m_discovered) {
        if (const std::string* domain = MatchingDomain(names, host.group)) {
            host.group = *domain;
            continue;
        }
        names.push_back(host.group);
        m_discoveredGroups.push_back(host.group);
    }
}

// A workgroup that only a browse list reported has no accounts the current server
// could list; the own domain and such workgroups add the servers the browse list names.
Status NetworkRouter::Servers(const std::string& domain, std::vector<NetResource>& out)
{
    std::vector<std::string> names;
    Status status = ERROR_NO_BROWSER_SERVERS_FOUND;
    if (!FromBrowseList(domain) && !FromDiscovery(domain)) {
        std::vector<SERVER_INFO_101> servers;
        std::uint32_t total = 0;
        status = m_api.ServerEnum(m_server, SV_TYPE_ALL, domain, servers, total);
        for (const SERVER_INFO_101& s : servers)
            names.push_back(s.sv101_name);
    }
    if (FromBrowseList(domain) || SameName(domain, m_ownDomain)) {
        std::vector<std::string> browsed;
        const Status browseStatus = m_api.BrowseListEnum(domain, browsed);
        for (const std::string& name : browsed)
            if (!Contains(names, name))
                names.push_back(name);
        if (FromBrowseList(domain))
            status = browseStatus;
    }
    for (const DiscoveredHost& host : m_discovered) {
        if (!SameName(host.group, domain) || Contains(names, host.name) || Contains(m_listed, host.name))
            continue;
        names.push_back(host.name);
        std::lock_guard lock(m_addressMutex);
        m_addressOf[UpperAscii(host.name)] = host.address;
    }
    m_listed.insert(m_listed.end(), names.begin(), names.end());
    for (const std::string& name : names)
        out.push_back({RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_SERVER, RESOURCEUSAGE_CONTAINER, "\\\\" + name});
    return names.empty() ? status : NERR_Success;
}

// A host only discovery found is reached at the address it announced, since its name
// may mean nothing to this computer's name resolution.
std::string NetworkRouter::ShareServerName(const std::string& server)
{
    const std::size_t name = server.find_first_not_of('\\');
    if (name == std::string::npos)
        return server;
    std::lock_guard lock(m_addressMutex);
    const auto found = m_addressOf.find(UpperAscii(server.substr(name)));
    return found == m_addressOf.end() || found->second.empty() ? server : "\\\\" + found->second;
}

Status NetworkRouter::Shares(const std::string& server, std::vector<NetResource>& out)
{
    std::vector<SHARE_INFO_1> shares;
    const Status status = m_api.ShareEnum(ShareServerName(server), shares);
    for (const SHARE_INFO_1& share : shares) {
        if (!share.shi1_netname.empty() && share.shi1_netname.back() == '$')
            continue;  // hidden, as a network browse hides it
        const std::uint32_t kind = share.shi1_type & ~STYPE_SPECIAL;
        const std::uint32_t type = kind == STYPE_DISKTREE ? RESOURCETYPE_DISK
                                   : kind == STYPE_PRINTQ ? RESOURCETYPE_PRINT
                                                          : RESOURCETYPE_ANY;
        out.push_back({type, RESOURCEDISPLAYTYPE_SHARE, RESOURCEUSAGE_CONNECTABLE, server + "\\" + share.shi1_netname});
    }
    return status;
}

}  // namespace net
