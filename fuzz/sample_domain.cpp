// The sample-domain loader. The input is the file's JSON text. A refused file must say
// why; an accepted one must answer the reads the program makes consistently: each
// domain's controller is found by GetDCName and holds its accounts, every account a
// list names can be read by that name, every member of a group is one of the users.
#include "platform/net/sample/sim_netapi.h"

#include "fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace net;

namespace {

bool HasUser(const std::vector<USER_INFO_0>& users, const std::string& name)
{
    return std::any_of(users.begin(), users.end(), [&](const USER_INFO_0& u) { return u.usri0_name == name; });
}

void CheckDomain(SimNetApi& api, const SimDomainInfo& domain)
{
    std::string dc;
    FUZZ_CHECK(api.GetDCName("", domain.name, dc) == NERR_Success);
    FUZZ_CHECK(dc == domain.controller);
    FUZZ_CHECK(std::find(domain.servers.begin(), domain.servers.end(), dc.substr(2)) != domain.servers.end());

    SERVER_INFO_101 info;
    FUZZ_CHECK(api.ServerGetInfo(dc, info) == NERR_Success);
    std::vector<SERVER_INFO_101> servers;
    std::uint32_t total = 0;
    FUZZ_CHECK(api.ServerEnum(dc, SV_TYPE_ALL, "", servers, total) == NERR_Success);
    // A server whose type has no bit set matches no type asked for.
    std::size_t typed = 0;
    for (const std::string& name : domain.servers) {
        FUZZ_CHECK(api.ServerGetInfo(name, info) == NERR_Success);
        typed += info.sv101_type != 0 ? 1 : 0;
    }
    FUZZ_CHECK(servers.size() == typed);

    std::vector<USER_INFO_0> names;
    std::vector<USER_INFO_3> users;
    FUZZ_CHECK(api.UserEnum(dc, 0, names) == NERR_Success);
    FUZZ_CHECK(api.UserEnum(dc, 0, users) == NERR_Success);
    FUZZ_CHECK(names.size() == users.size());
    for (const USER_INFO_3& user : users) {
        USER_INFO_3 read;
        FUZZ_CHECK(api.UserGetInfo(dc, user.usri3_name, read) == NERR_Success);
        FUZZ_CHECK(read.usri3_user_id == user.usri3_user_id);
        std::vector<GROUP_USERS_INFO_1> groups;
        FUZZ_CHECK(api.UserGetGroups(dc, user.usri3_name, groups) == NERR_Success);
        FUZZ_CHECK(!groups.empty());  // at least its primary group
        std::vector<LOCALGROUP_USERS_INFO_0> localGroups;
        FUZZ_CHECK(api.UserGetLocalGroups(dc, user.usri3_name, LG_INCLUDE_INDIRECT, localGroups) == NERR_Success);
        Sid sid;
        std::string sidDomain;
        SidNameUse use{};
        FUZZ_CHECK(api.LookupAccountName(dc, domain.name + "\\" + user.usri3_name, sid, sidDomain, use) ==
                   NERR_Success);
    }

    std::vector<GROUP_INFO_2> groups;
    FUZZ_CHECK(api.GroupEnum(dc, groups) == NERR_Success);
    for (const GROUP_INFO_2& group : groups) {
        GROUP_INFO_2 read;
        FUZZ_CHECK(api.GroupGetInfo(dc, group.grpi2_name, read) == NERR_Success);
        FUZZ_CHECK(read.grpi2_group_id == group.grpi2_group_id);
        std::vector<GROUP_USERS_INFO_0> members;
        FUZZ_CHECK(api.GroupGetUsers(dc, group.grpi2_name, members) == NERR_Success);
        for (const GROUP_USERS_INFO_0& member : members)
            FUZZ_CHECK(HasUser(names, member.grui0_name));
    }

    std::vector<LOCALGROUP_INFO_1> localGroups;
    FUZZ_CHECK(api.LocalGroupEnum(dc, localGroups) == NERR_Success);
    std::vector<std::string> domains;
    FUZZ_CHECK(api.DomainEnum(dc, domains) == NERR_Success);
    FUZZ_CHECK(!domains.empty() && domains.front() == domain.name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
    const std::unique_ptr<SimNetApi> api =
        SimNetApi::FromJson(std::string(reinterpret_cast<const char*>(data), size), error);
    if (!api) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    const std::vector<SimDomainInfo> domains = api->ListDomains();
    FUZZ_CHECK(!domains.empty());
    for (const SimDomainInfo& domain : domains)
        CheckDomain(*api, domain);
    return 0;
}
