// The sample network as SimNetApi holds it in memory (internal to vellox_net_sample).
#pragma once

#include "platform/net/netapi.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace net::sim {

struct User {
    USER_INFO_3 info;  // usri3_user_id is the RID; usri3_password stays empty
};

struct Group {
    std::string name;
    std::string comment;
    std::uint32_t rid = 0;
    std::uint32_t attributes = SE_GROUP_DEFAULT_ATTRIBUTES;
    std::set<std::uint32_t> members;  // user RIDs; each user is in its primary group
};

struct LocalGroup {
    std::string name;
    std::string comment;
    std::uint32_t rid = 0;
    bool builtin = true;               // S-1-5-32-<rid>, else <domain SID>-<rid>
    std::vector<std::string> members;  // member SIDs in the order they were added
};

struct Server {
    SERVER_INFO_101 info;
    std::vector<SHARE_INFO_1> shares;
    bool sharesRefused = false;  // ShareEnum answers access denied
    bool silent = false;         // ShareEnum never answers (it gives up after a minute)
    std::size_t domain = 0;      // index into Network::domains

    bool HoldsAccounts() const { return (info.sv101_type & (SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL)) != 0; }
    bool ReadOnly() const { return (info.sv101_type & SV_TYPE_DOMAIN_CTRL) == 0; }
};

struct Domain {
    std::string name;
    std::string sid;
    std::uint32_t minPasswordLength = 0;
    std::map<std::uint32_t, User> users;  // by RID, the enumeration order
    std::map<std::uint32_t, Group> groups;
    std::map<std::uint32_t, LocalGroup> localGroups;
    std::map<std::string, std::uint32_t> userByName;  // exact-case names
    std::map<std::string, std::uint32_t> groupByName;
    std::map<std::string, std::uint32_t> localGroupByName;
    std::vector<std::size_t> servers;  // indexes into Network::servers, file order
    std::size_t pdc = 0;               // index into Network::servers
};

struct Network {
    std::vector<Domain> domains;
    std::vector<Server> servers;
    std::size_t localComputer = 0;  // index into servers: the computer an empty server name means
};

// Builds the network from the JSON text; false and a message naming the place on error.
bool LoadNetwork(const std::string& json, Network& out, std::string& error);

inline std::string BuiltinSid(std::uint32_t rid)
{
    return "S-1-5-32-" + std::to_string(rid);
}
inline std::string AccountSid(const Domain& domain, std::uint32_t rid)
{
    return domain.sid + "-" + std::to_string(rid);
}
inline std::string LocalGroupSid(const Domain& domain, const LocalGroup& group)
{
    return group.builtin ? BuiltinSid(group.rid) : AccountSid(domain, group.rid);
}

}  // namespace net::sim
