// The sample domain's test switches (failures, delay, batch size) and its thread safety.
#include "net_sim_fixture.h"

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

using namespace net;
using simtest::Contains;
using simtest::kPdc;
using simtest::SampleDomain;

// --- batch size ----------------------------------------------------------------

TEST_F(SampleDomain, SmallBatchesStillGiveTheCompleteList)
{
    std::vector<USER_INFO_3> whole;
    ASSERT_EQ(m_api->UserEnum(kPdc, 0, whole), NERR_Success);
    ASSERT_EQ(m_api->RequestCount("UserEnum"), 1u);

    m_api->SetBatchSize(7);
    std::vector<USER_INFO_3> batched;
    ASSERT_EQ(m_api->UserEnum(kPdc, 0, batched), NERR_Success);
    ASSERT_EQ(batched.size(), whole.size());
    for (std::size_t i = 0; i < whole.size(); ++i)
        EXPECT_EQ(batched[i].usri3_name, whole[i].usri3_name);
    EXPECT_EQ(m_api->CallCount("UserEnum"), 2u);
    EXPECT_EQ(m_api->RequestCount("UserEnum"), 1u + (whole.size() + 6) / 7);
}

TEST_F(SampleDomain, BatchesCoverEveryKindOfList)
{
    const auto members = GroupMembers("Engineering");
    const auto users = NormalUsers();
    const auto localGroups = LocalGroupsOf("operator", LG_INCLUDE_INDIRECT);
    std::vector<SERVER_INFO_101> servers;
    std::uint32_t total = 0;
    ASSERT_EQ(m_api->ServerEnum("", SV_TYPE_ALL, "", servers, total), NERR_Success);

    m_api->SetBatchSize(1);
    EXPECT_EQ(GroupMembers("Engineering"), members);
    EXPECT_EQ(NormalUsers(), users);
    EXPECT_EQ(LocalGroupsOf("operator", LG_INCLUDE_INDIRECT), localGroups);
    std::vector<SERVER_INFO_101> batched;
    ASSERT_EQ(m_api->ServerEnum("", SV_TYPE_ALL, "", batched, total), NERR_Success);
    EXPECT_EQ(simtest::Names(batched, &SERVER_INFO_101::sv101_name),
              simtest::Names(servers, &SERVER_INFO_101::sv101_name));
    EXPECT_EQ(total, batched.size());
    EXPECT_GE(m_api->RequestCount("GroupGetUsers"), 1u + members.size());
}

TEST_F(SampleDomain, ChangesBetweenBatchesNeitherRepeatNorLoseEntries)
{
    m_api->SetBatchSize(3);
    m_api->SetCallDelay(std::chrono::milliseconds(5));
    const auto before = GroupMembers("Engineering");
    std::atomic<bool> done{false};
    std::thread writer([&] {
        // Adds and removes a member who is not in the list at the start.
        while (!done) {
            m_api->GroupAddUser(kPdc, "Engineering", "abrown");
            m_api->GroupDelUser(kPdc, "Engineering", "abrown");
        }
    });
    for (int round = 0; round < 5; ++round) {
        const auto during = GroupMembers("Engineering");
        const std::set<std::string> unique(during.begin(), during.end());
        EXPECT_EQ(unique.size(), during.size());
        for (const std::string& name : before)
            EXPECT_TRUE(unique.count(name)) << name;
    }
    done = true;
    writer.join();
}

// --- failures --------------------------------------------------------------------

TEST_F(SampleDomain, FailCallFailsBothLevelsOfTheMethodOnly)
{
    m_api->FailCall("UserEnum", ERROR_ACCESS_DENIED);
    std::vector<USER_INFO_0> level0{USER_INFO_0{"stale"}};
    std::vector<USER_INFO_3> level3;
    EXPECT_EQ(m_api->UserEnum(kPdc, FILTER_NORMAL_ACCOUNT, level0), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(level0.empty());
    EXPECT_EQ(m_api->UserEnum(kPdc, FILTER_NORMAL_ACCOUNT, level3), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(level3.empty());
    // Other calls go on working.
    EXPECT_FALSE(GroupMembers("Engineering").empty());
    USER_INFO_3 info;
    EXPECT_EQ(m_api->UserGetInfo(kPdc, "abrown", info), NERR_Success);
}

TEST_F(SampleDomain, FailCallCanBeCountedAndCleared)
{
    m_api->FailCall("GroupAddUser", ERROR_UNEXP_NET_ERR, 2);
    EXPECT_EQ(m_api->GroupAddUser(kPdc, "Marketing", "abrown"), ERROR_UNEXP_NET_ERR);
    EXPECT_EQ(m_api->GroupAddUser(kPdc, "Marketing", "abrown"), ERROR_UNEXP_NET_ERR);
    EXPECT_TRUE(GroupMembers("Marketing").empty());
    EXPECT_EQ(m_api->GroupAddUser(kPdc, "Marketing", "abrown"), NERR_Success);

    m_api->FailCall("GetDCName", RPC_S_SERVER_UNAVAILABLE);
    std::string dc;
    EXPECT_EQ(m_api->GetDCName("", "", dc), RPC_S_SERVER_UNAVAILABLE);
    m_api->FailCall("GetDCName", NERR_Success);
    EXPECT_EQ(m_api->GetDCName("", "", dc), NERR_Success);

    m_api->FailCall("ShareEnum", ERROR_BAD_NETPATH);
    m_api->ClearFailures();
    std::vector<SHARE_INFO_1> shares;
    EXPECT_EQ(m_api->ShareEnum(kPdc, shares), NERR_Success);
}

TEST_F(SampleDomain, SwitchesRejectNamesThatAreNoMethod)
{
    EXPECT_THROW(m_api->FailCall("NetUserEnum", 5), std::invalid_argument);
    EXPECT_THROW(m_api->CallCount("userenum"), std::invalid_argument);
}

// --- delay and threads -------------------------------------------------------------

TEST_F(SampleDomain, TheDelayHoldsEachRequestBack)
{
    m_api->SetCallDelay(std::chrono::milliseconds(40));
    m_api->SetBatchSize(20);
    const auto start = std::chrono::steady_clock::now();
    const auto users = NormalUsers();  // 49 users: three requests
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(120));
    EXPECT_GE(users.size(), 40u);
}

TEST_F(SampleDomain, ADelayedCallDoesNotBlockTheOtherThreadsData)
{
    // A worker sits in a slow call while this thread changes the switches and reads: the
    // read ends before the worker's delay runs out. (bench/latency times the read.)
    constexpr auto kSlow = std::chrono::milliseconds(800);
    m_api->SetCallDelay(kSlow);
    std::promise<void> inside;  // the worker's request has begun and took the delay
    std::once_flag once;
    m_api->SetRequestObserver([&](const std::string&) { std::call_once(once, [&] { inside.set_value(); }); });
    std::chrono::steady_clock::time_point begun;
    std::chrono::steady_clock::duration workerTook{};
    std::thread worker([&] {
        begun = std::chrono::steady_clock::now();
        std::vector<USER_INFO_0> users;
        EXPECT_EQ(m_api->UserEnum(kPdc, FILTER_NORMAL_ACCOUNT, users), NERR_Success);
        workerTook = std::chrono::steady_clock::now() - begun;
    });
    inside.get_future().wait();
    m_api->SetRequestObserver({});
    m_api->SetCallDelay(std::chrono::milliseconds(0));
    USER_INFO_3 info;
    EXPECT_EQ(m_api->UserGetInfo(kPdc, "abrown", info), NERR_Success);
    const auto readDone = std::chrono::steady_clock::now();
    EXPECT_LT(readDone, begun + kSlow) << "the read waited for the worker's delayed call";
    worker.join();
    EXPECT_GE(workerTook, kSlow) << "the worker's call was not the slow one";
}

TEST_F(SampleDomain, ConcurrentReadsAndWritesStayConsistent)
{
    const auto users = NormalUsers();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const std::string user = users[static_cast<std::size_t>(t)];
            for (int i = 0; i < 200; ++i) {
                EXPECT_EQ(m_api->GroupAddUser(kPdc, "Marketing", user), NERR_Success);
                std::vector<GROUP_USERS_INFO_0> members;
                EXPECT_EQ(m_api->GroupGetUsers(kPdc, "Marketing", members), NERR_Success);
                EXPECT_EQ(m_api->GroupDelUser(kPdc, "Marketing", user), NERR_Success);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_TRUE(GroupMembers("Marketing").empty());
    EXPECT_EQ(m_api->CallCount("GroupAddUser"), 800u);
}
