// The multiple-provider router's stand-in: the network as a tree of containers that
// are opened, read in batches and closed. One provider, "SMB Network", whose domains
// are the current server's own and those it trusts, whose servers are each domain's
// computer accounts and controllers, and whose servers' shares are their visible disk
// shares and printer queues (names ending in '$' are hidden, as a network browse does).
#pragma once

#include "platform/net/netapi.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace net {

inline constexpr std::uint32_t RESOURCETYPE_ANY = 0;
inline constexpr std::uint32_t RESOURCETYPE_DISK = 1;
inline constexpr std::uint32_t RESOURCETYPE_PRINT = 2;
inline constexpr std::uint32_t RESOURCEDISPLAYTYPE_GENERIC = 0;
inline constexpr std::uint32_t RESOURCEDISPLAYTYPE_DOMAIN = 1;
inline constexpr std::uint32_t RESOURCEDISPLAYTYPE_SERVER = 2;
inline constexpr std::uint32_t RESOURCEDISPLAYTYPE_SHARE = 3;
inline constexpr std::uint32_t RESOURCEDISPLAYTYPE_NETWORK = 6;
inline constexpr std::uint32_t RESOURCEUSAGE_CONNECTABLE = 1;
inline constexpr std::uint32_t RESOURCEUSAGE_CONTAINER = 2;

inline constexpr char kSmbProvider[] = "SMB Network";

struct NetResource {
    std::uint32_t type = RESOURCETYPE_ANY;
    std::uint32_t displayType = RESOURCEDISPLAYTYPE_GENERIC;
    std::uint32_t usage = 0;
    std::string remoteName;  // "SMB Network", "VELLOX", "\\FS01", "\\FS01\Public"
};

// The domains also take the workgroups that NetBIOS browse lists report, and the own
// domain and those workgroups take the servers the lists name. Hosts that announce
// themselves (WS-Discovery, DNS-SD) join the domain or workgroup they name, or one of
// that name after the others; a host already listed under a domain is not listed again.

// One open container (WNetOpenEnum's handle); closing is destroying it.
class ResourceEnum {
public:
    explicit ResourceEnum(std::vector<NetResource> children) : m_children(std::move(children)) { }
    // WNetEnumResource: at most `count` resources; NERR_Success while any came,
    // ERROR_NO_MORE_ITEMS once every resource was given.
    Status Next(std::size_t count, std::vector<NetResource>& out);

private:
    std::vector<NetResource> m_children;
    std::size_t m_next = 0;
};

class NetworkRouter {
public:
    // `server` is the current server: its domain is the first, and it is asked for
    // the domains and their servers.
    NetworkRouter(NetApi& api, std::string server) : m_api(api), m_server(std::move(server)) { }

    // WNetOpenEnum of `container` (nullptr: the root of the network). nullptr and the
    // status when the container can't be opened.
    std::unique_ptr<ResourceEnum> OpenEnum(const NetResource* container, Status& status);

private:
    Status Domains(std::vector<NetResource>& out);
    Status Servers(const std::string& domain, std::vector<NetResource>& out);
    Status Shares(const std::string& server, std::vector<NetResource>& out);
    bool FromBrowseList(const std::string& domain) const;
    bool FromDiscovery(const std::string& domain) const;
    void AddDiscoveredGroups(std::vector<std::string>& names);
    std::string ShareServerName(const std::string& server);

    NetApi& m_api;
    std::string m_server;
    std::string m_ownDomain;                         // the first domain, once the domains were read
    std::vector<std::string> m_browsedDomains;       // workgroups only a browse list reported
    std::vector<DiscoveredHost> m_discovered;        // with the group named as in the domain list
    std::vector<std::string> m_discoveredGroups;     // groups only announcing hosts named
    std::vector<std::string> m_listed;               // servers listed so far, under any domain
    std::mutex m_addressMutex;                       // the share reads run side by side
    std::map<std::string, std::string> m_addressOf;  // upper-case name of a host only
                                                     // discovery found -> its address
};

}  // namespace net
