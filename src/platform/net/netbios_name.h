// NetBIOS name resolution, as Samba's libraries do it for a server name that DNS and
// the hosts file don't know: a name query (RFC 1002) for NAME<20> to each WINS server
// of the configuration, then a broadcast on every IPv4 interface. Also finds a classic
// domain's primary controller, its domain master browser (DOMAIN<1B>), by name.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace net {

// How a name is to be resolved: the order of Samba's `name resolve order` (only its
// "wins" and "bcast" take part here) and the WINS servers' addresses.
struct NetbiosResolveOrder {
    bool wins = true;
    bool broadcast = true;
    std::vector<std::string> winsServers;
};

// The order that this computer's Samba configuration gives (none when it disables NetBIOS).
NetbiosResolveOrder NetbiosOrderFromSambaConfig();

constexpr std::uint8_t kNetbiosServerSuffix = 0x20;
constexpr std::uint8_t kNetbiosDomainMasterSuffix = 0x1B;

// A name query for `name` (by default the server service, suffix 0x20) with transaction
// `id`; `broadcast` sets the B flag. Empty when the name can't be a NetBIOS name.
std::vector<std::uint8_t> NetbiosNameQuery(const std::string& name, std::uint16_t id, bool broadcast,
                                           std::uint8_t suffix = kNetbiosServerSuffix);

// A node status request (the names a node holds) with transaction `id`.
std::vector<std::uint8_t> NetbiosStatusQuery(std::uint16_t id);

// The server name (a unique <20> name, blanks trimmed) that a node status answer to
// transaction `id` lists; empty when it lists none or the answer is anything else.
std::string NetbiosStatusServerName(const std::uint8_t* data, std::size_t size, std::uint16_t id);

// The IPv4 addresses (dotted) of a positive answer to transaction `id`; empty for
// anything else (another transaction, a negative or malformed answer).
std::vector<std::string> NetbiosQueryAnswer(const std::uint8_t* data, std::size_t size, std::uint16_t id);

// The addresses of `name` by NetBIOS, within `timeout` in all; empty when no node
// answers. Never blocks longer than the timeout.
std::vector<std::string> ResolveNetbiosName(const std::string& name, const NetbiosResolveOrder& order,
                                            std::chrono::milliseconds timeout);

// The NetBIOS name of the domain master browser of `domain` (a classic domain's primary
// controller), found by a query for DOMAIN<1B> and a node status request to the node
// that answers, within `timeout` in all; empty when none is found.
std::string NetbiosDomainMaster(const std::string& domain, const NetbiosResolveOrder& order,
                                std::chrono::milliseconds timeout);

// Whether a server answers on a TCP port, found as Samba's libraries find it: by DNS and
// the hosts file, else by NetBIOS (`order`). NotFound when no way knows the name.
enum class ServerReach { Answers, Silent, NotFound };
ServerReach ReachServer(const std::string& host, std::uint16_t port, const NetbiosResolveOrder& order,
                        std::chrono::milliseconds timeout);

}  // namespace net
