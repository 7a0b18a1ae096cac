// The NETWORK walk over the sample network: the tree, the letters, shares, limits, Stop.
#include "enum/network_walk.h"

#include "platform/net/sample/sim_netapi.h"
#include "platform/net_sim_fixture.h"
#include "platform/threads/owned_threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

class NetworkWalk : public ::testing::Test {
protected:
    void SetUp() override { m_sim = simtest::LoadSample(); }

    ResultTable Walk(NetworkWalkOptions options, const std::stop_token& stop = {})
    {
        ResultTable table;
        WalkNetwork(std::make_shared<net::NetworkRouter>(*m_sim, simtest::kPdc), table, options, stop);
        return table;
    }
    static NetworkWalkOptions Shares(bool on)
    {
        NetworkWalkOptions options;
        options.wantShares = on;
        return options;
    }
    static bool Has(const Lines& lines, const std::string& line)
    {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    std::unique_ptr<net::SimNetApi> m_sim;
};

TEST_F(NetworkWalk, TheTreeDepthFirstWithSharesAtTheirServersDepth)
{
    const Lines t = Walk(Shares(true)).networkTable;
    ASSERT_GE(t.size(), 8u);
    EXPECT_EQ(Lines(t.begin(), t.begin() + 8),
              (Lines{"uSMB Network", "D\tVELLOX", "S\t\t\\\\VELLOX-PDC", "d\t\t\\\\VELLOX-PDC\\NETLOGON",
                     "d\t\t\\\\VELLOX-PDC\\profiles", "p\t\t\\\\VELLOX-PDC\\HP5SI", "S\t\t\\\\VELLOX-BDC",
                     "d\t\t\\\\VELLOX-BDC\\NETLOGON"}));
    EXPECT_TRUE(std::none_of(t.begin(), t.end(), [](const std::string& e) { return e.back() == '$'; }))
        << "hidden shares never show";
    // A server whose shares can't be read stands alone, and the walk goes on.
    const auto ras = std::find(t.begin(), t.end(), "S\t\t\\\\VELLOX-RAS01");
    ASSERT_NE(ras, t.end());
    EXPECT_EQ(ras[1].substr(0, 3), "S\t\t");
    EXPECT_TRUE(Has(t, "D\tRESEARCH"));
    EXPECT_TRUE(Has(t, "p\t\t\\\\RESEARCH-LAB1\\Spectro"));
    EXPECT_EQ(t.back(), "S\t\t\\\\RESEARCH-LAB2");  // IPC$ only: nothing after it
}

TEST_F(NetworkWalk, WithBothShareSettingsOffNoServerIsOpened)
{
    const Lines t = Walk(Shares(false)).networkTable;
    EXPECT_TRUE(std::all_of(t.begin(), t.end(), [](const std::string& e) { return e[0] != 'd' && e[0] != 'p'; }));
    EXPECT_EQ(m_sim->CallCount("ShareEnum"), 0u);
    EXPECT_EQ(std::count_if(t.begin(), t.end(), [](const std::string& e) { return e[0] == 'S'; }), 18);
}

TEST_F(NetworkWalk, LettersOfEveryKind)
{
    using namespace net;
    const std::vector<std::pair<NetResource, char>> cases = {
        {{RESOURCETYPE_DISK, RESOURCEDISPLAYTYPE_SHARE, RESOURCEUSAGE_CONNECTABLE, "x"}, 'd'},
        {{RESOURCETYPE_PRINT, RESOURCEDISPLAYTYPE_SHARE, RESOURCEUSAGE_CONNECTABLE, "x"}, 'p'},
        {{RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_DOMAIN, RESOURCEUSAGE_CONTAINER, "x"}, 'D'},
        {{RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_SERVER, RESOURCEUSAGE_CONTAINER, "x"}, 'S'},
        {{RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_NETWORK, RESOURCEUSAGE_CONTAINER, "x"}, 'u'},
        {{RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_SHARE, RESOURCEUSAGE_CONNECTABLE, "x"}, 'u'},
    };
    for (const auto& [resource, letter] : cases)
        EXPECT_EQ(NetworkLetter(resource), letter) << resource.type << "/" << resource.displayType;
}

TEST_F(NetworkWalk, AFailingProviderAndAFullTable)
{
    m_sim->FailCall("DomainEnum", net::ERROR_ACCESS_DENIED);
    EXPECT_EQ(Walk(Shares(true)).networkTable, Lines{"uSMB Network"});
    m_sim->ClearFailures();

    NetworkWalkOptions small = Shares(true);
    small.capacity = 5;
    const ResultTable full = Walk(small);
    EXPECT_EQ(full.networkTable.size(), 5u);
    EXPECT_TRUE(full.networkFull);
}

// NetBIOS browse lists add the workgroups and servers the domains don't know, each once
// whatever its case; a workgroup only they report takes its servers from them alone.
TEST_F(NetworkWalk, BrowseListsJoinTheTree)
{
    m_sim->SetBrowseList("", {"vellox", "WORKGRP"});
    m_sim->SetBrowseList("VELLOX", {"vellox-pdc", "OLDNT4"});
    m_sim->SetBrowseList("WORKGRP", {"NAS1"});
    m_sim->SetBrowseList("RESEARCH", {"NEVER-ASKED"});
    const Lines t = Walk(Shares(false)).networkTable;
    const auto count = [&](const std::string& line) { return std::count(t.begin(), t.end(), line); };
    EXPECT_EQ(count("D\tVELLOX"), 1);
    EXPECT_EQ(count("S\t\t\\\\VELLOX-PDC"), 1);
    const auto research = std::find(t.begin(), t.end(), "D\tRESEARCH");
    ASSERT_NE(research, t.end());
    EXPECT_EQ(research[-1], "S\t\t\\\\OLDNT4") << "the own domain's browsed servers come after its accounts";
    EXPECT_EQ(Lines(t.end() - 2, t.end()), (Lines{"D\tWORKGRP", "S\t\t\\\\NAS1"}));
    EXPECT_EQ(count("S\t\t\\\\NEVER-ASKED"), 0) << "a trusted domain's servers are its accounts";
    EXPECT_EQ(m_sim->CallCount("ServerEnum"), 2u) << "a browsed workgroup has no accounts to ask for";
}

// Hosts that announce themselves join the domain or workgroup they name, once each; a
// host only discovery found has its shares read at the address it announced.
TEST_F(NetworkWalk, DiscoveredHostsJoinTheirDomainOnce)
{
    m_sim->SetBrowseList("", {"WORKGRP"});
    m_sim->SetBrowseList("WORKGRP", {"NAS1"});
    m_sim->SetDiscoveredHosts({{"vellox-pdc", "VELLOX", "192.0.2.1"},
                               {"NAS2", "vellox.example", "192.0.2.2"},
                               {"nas1", "WORKGRP", "192.0.2.3"},
                               {"WSBOX", "workgrp", "192.0.2.4"},
                               {"LABBOX", "LAB", "RESEARCH-LAB1"},
                               {"macbox", "LOCAL", "192.0.2.5"}});
    const Lines t = Walk(Shares(true)).networkTable;
    const auto count = [&](const std::string& line) { return std::count(t.begin(), t.end(), line); };
    EXPECT_EQ(count("S\t\t\\\\VELLOX-PDC") + count("S\t\t\\\\vellox-pdc"), 1);
    EXPECT_EQ(count("S\t\t\\\\nas1") + count("S\t\t\\\\NAS1"), 1);
    const auto research = std::find(t.begin(), t.end(), "D\tRESEARCH");
    ASSERT_NE(research, t.end());
    EXPECT_EQ(research[-1], "S\t\t\\\\NAS2") << "a domain's DNS name is its NetBIOS name's";
    const auto workgroup = std::find(t.begin(), t.end(), "D\tWORKGRP");
    ASSERT_NE(workgroup, t.end());
    EXPECT_EQ(Lines(workgroup, t.end()),
              (Lines{"D\tWORKGRP", "S\t\t\\\\NAS1", "S\t\t\\\\WSBOX", "D\tLAB", "S\t\t\\\\LABBOX",
                     "d\t\t\\\\LABBOX\\Data", "p\t\t\\\\LABBOX\\Spectro", "D\tLOCAL", "S\t\t\\\\macbox"}));
    EXPECT_EQ(m_sim->CallCount("ServerEnum"), 2u) << "a group only discovery named has no accounts to ask for";
}

// Servers slower than the limit give no shares, and the walk doesn't wait for them.
// Their reads finish on their own later: the sample domain they use is never freed.
TEST_F(NetworkWalk, SilentServersAreLeftAtTheLimit)
{
    m_sim->SetCallDelay(300ms);
    NetworkWalkOptions options = Shares(true);
    options.shareLimit = 1ms;
    const Lines t = Walk(options).networkTable;
    EXPECT_EQ(std::count_if(t.begin(), t.end(), [](const std::string& e) { return e[0] == 'S'; }), 18);
    EXPECT_TRUE(std::none_of(t.begin(), t.end(), [](const std::string& e) { return e[0] == 'd' || e[0] == 'p'; }));
    m_sim.release();
}

TEST_F(NetworkWalk, StopEndsTheWalkWhileServersAnswerSlowly)
{
    m_sim->SetCallDelay(1s);
    std::stop_source stop;
    ResultTable table;
    std::thread walker([&] {
        WalkNetwork(std::make_shared<net::NetworkRouter>(*m_sim, simtest::kPdc), table, Shares(true), stop.get_token());
    });
    // Once the first domain's servers are listed, their shares take a second to come.
    while (m_sim->CallCount("ServerEnum") == 0)
        std::this_thread::yield();
    stop.request_stop();
    walker.join();
    EXPECT_EQ(m_sim->CallCount("ServerEnum"), 1u) << "the second domain was never walked";
    EXPECT_FALSE(Has(table.networkTable, "D\tRESEARCH"));
    EXPECT_FALSE(Has(table.networkTable, "d\t\t\\\\VELLOX-PDC\\NETLOGON"));
    // The share reads under way end after their one request, before the sample domain goes.
    EXPECT_TRUE(threads::WaitForOwnedThreads(10s));
}

}  // namespace
