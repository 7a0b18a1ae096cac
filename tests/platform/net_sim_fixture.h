// Loads the shipped sample domain for the SimNetApi tests.
#pragma once

#include "platform/net/sample/sim_netapi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace simtest {

inline std::string SampleFile()
{
    const char* dir = std::getenv("VELLOX_SOURCE_DATADIR");
    return std::string(dir ? dir : VELLOX_TEST_DATADIR) + "/sample-domain.json";
}

inline std::unique_ptr<net::SimNetApi> LoadSample()
{
    std::string error;
    auto api = net::SimNetApi::FromFile(SampleFile(), error);
    EXPECT_TRUE(api) << error;
    return api;
}

inline const std::string kPdc = "\\\\VELLOX-PDC";
inline const std::string kBdc = "\\\\VELLOX-BDC";

template <class Records, class Field>
std::vector<std::string> Names(const Records& records, Field field)
{
    std::vector<std::string> names;
    for (const auto& r : records)
        names.push_back(r.*field);
    return names;
}

inline bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

class SampleDomain : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_api = LoadSample();
        ASSERT_TRUE(m_api);
    }

    net::USER_INFO_3 User(const std::string& name, const std::string& server = kPdc)
    {
        net::USER_INFO_3 info;
        EXPECT_EQ(m_api->UserGetInfo(server, name, info), net::NERR_Success) << name;
        return info;
    }

    std::vector<std::string> GroupMembers(const std::string& group, const std::string& server = kPdc)
    {
        std::vector<net::GROUP_USERS_INFO_0> members;
        EXPECT_EQ(m_api->GroupGetUsers(server, group, members), net::NERR_Success) << group;
        return Names(members, &net::GROUP_USERS_INFO_0::grui0_name);
    }

    std::vector<std::string> LocalGroupsOf(const std::string& user, std::uint32_t flags)
    {
        std::vector<net::LOCALGROUP_USERS_INFO_0> groups;
        EXPECT_EQ(m_api->UserGetLocalGroups(kPdc, user, flags, groups), net::NERR_Success) << user;
        return Names(groups, &net::LOCALGROUP_USERS_INFO_0::lgrui0_name);
    }

    std::vector<std::string> NormalUsers(const std::string& server = kPdc)
    {
        std::vector<net::USER_INFO_0> users;
        EXPECT_EQ(m_api->UserEnum(server, net::FILTER_NORMAL_ACCOUNT, users), net::NERR_Success);
        return Names(users, &net::USER_INFO_0::usri0_name);
    }

    net::Sid SidOf(const std::string& account)
    {
        net::Sid sid;
        std::string domain;
        net::SidNameUse use{};
        EXPECT_EQ(m_api->LookupAccountName(kPdc, account, sid, domain, use), net::NERR_Success) << account;
        return sid;
    }

    std::unique_ptr<net::SimNetApi> m_api;
};

}  // namespace simtest
