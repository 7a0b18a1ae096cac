// The sample network's servers, shares and domains, and loading the file.
#include "net_sim_fixture.h"

#include <fstream>

using namespace net;
using simtest::Contains;
using simtest::kBdc;
using simtest::kPdc;
using simtest::SampleDomain;

namespace {

std::vector<SERVER_INFO_101> Servers(SimNetApi& api, std::uint32_t type, const std::string& domain = {})
{
    std::vector<SERVER_INFO_101> servers;
    std::uint32_t total = 0;
    EXPECT_EQ(api.ServerEnum("", type, domain, servers, total), NERR_Success);
    EXPECT_EQ(total, servers.size());
    return servers;
}

// A small valid network, to be broken one piece at a time.
std::string MiniNetwork(const std::string& userExtra = "", const std::string& groupMembers = "\"ann\"",
                        const std::string& pdcType = "[\"SV_TYPE_DOMAIN_CTRL\"]")
{
    return R"({"domains": [{"name": "MINI", "sid": "S-1-5-21-1-2-3",
      "servers": [{"name": "MINI-DC", "type": )" +
           pdcType + R"(}],
      "users": [{"name": "ann", "rid": 1000 )" +
           userExtra + R"(}],
      "groups": [{"name": "Domain Users", "rid": 513},
                 {"name": "Team", "rid": 1100, "members": [)" +
           groupMembers + R"(]}]}]})";
}

std::string LoadError(const std::string& json)
{
    std::string error;
    auto api = SimNetApi::FromJson(json, error);
    EXPECT_FALSE(api);
    return error;
}

}  // namespace

// --- servers and domains ---------------------------------------------------------

TEST_F(SampleDomain, TheDomainControllerIsThePrimary)
{
    std::string dc;
    EXPECT_EQ(m_api->GetDCName("", "", dc), NERR_Success);
    EXPECT_EQ(dc, kPdc);
    EXPECT_EQ(m_api->GetDCName(kBdc, "", dc), NERR_Success);
    EXPECT_EQ(dc, kPdc);
    EXPECT_EQ(m_api->GetDCName("", "research", dc), NERR_Success);
    EXPECT_EQ(dc, "\\\\RESEARCH-PDC");
    EXPECT_EQ(m_api->GetDCName("", "NODOMAIN", dc), NERR_DCNotFound);
    EXPECT_EQ(m_api->GetDCName("\\\\NOWHERE", "", dc), ERROR_BAD_NETPATH);
}

TEST_F(SampleDomain, ControllersReportTheirRoles)
{
    SERVER_INFO_101 pdc;
    SERVER_INFO_101 bdc;
    ASSERT_EQ(m_api->ServerGetInfo(kPdc, pdc), NERR_Success);
    ASSERT_EQ(m_api->ServerGetInfo(kBdc, bdc), NERR_Success);
    EXPECT_EQ(pdc.sv101_name, "VELLOX-PDC");
    EXPECT_TRUE(pdc.sv101_type & SV_TYPE_DOMAIN_CTRL);
    EXPECT_FALSE(bdc.sv101_type & SV_TYPE_DOMAIN_CTRL);
    EXPECT_TRUE(bdc.sv101_type & SV_TYPE_DOMAIN_BAKCTRL);
    SERVER_INFO_101 info;
    EXPECT_EQ(m_api->ServerGetInfo("\\\\VELLOX-SQL01", info), NERR_Success);
    EXPECT_TRUE(info.sv101_type & SV_TYPE_SQLSERVER);
    EXPECT_EQ(m_api->ServerGetInfo("\\\\NOWHERE", info), ERROR_BAD_NETPATH);
    EXPECT_EQ(m_api->ServerGetInfo("", info), NERR_Success);
    EXPECT_EQ(info.sv101_name, "VELLOX-WS01");
}

TEST_F(SampleDomain, ServerEnumListsADozenServersWithVariedRoles)
{
    const auto all = Servers(*m_api, SV_TYPE_ALL);
    EXPECT_GE(all.size(), 12u);
    // Every role bit the SERVERS display has a column for is set by some server and
    // missing from another.
    for (std::uint32_t bit = 1; bit <= SV_TYPE_SERVER_VMS; bit <<= 1) {
        if (bit == SV_TYPE_TIME_SOURCE)
            continue;
        const auto with = std::count_if(all.begin(), all.end(), [&](const auto& s) { return s.sv101_type & bit; });
        EXPECT_GT(with, 0) << "bit " << bit;
        EXPECT_LT(static_cast<std::size_t>(with), all.size()) << "bit " << bit;
    }
}

TEST_F(SampleDomain, ServerEnumFiltersByType)
{
    const auto sql = Servers(*m_api, SV_TYPE_SQLSERVER);
    ASSERT_EQ(sql.size(), 1u);
    EXPECT_EQ(sql[0].sv101_name, "VELLOX-SQL01");
    const auto controllers = Servers(*m_api, SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL);
    EXPECT_EQ(simtest::Names(controllers, &SERVER_INFO_101::sv101_name),
              (std::vector<std::string>{"VELLOX-PDC", "VELLOX-BDC"}));
}

TEST_F(SampleDomain, ServerEnumOfTheSecondDomainAndOfDomains)
{
    const auto research = Servers(*m_api, SV_TYPE_ALL, "RESEARCH");
    EXPECT_EQ(research.size(), 3u);
    EXPECT_TRUE(Contains(simtest::Names(research, &SERVER_INFO_101::sv101_name), "RESEARCH-PDC"));
    const auto domains = Servers(*m_api, SV_TYPE_DOMAIN_ENUM);
    EXPECT_EQ(simtest::Names(domains, &SERVER_INFO_101::sv101_name), (std::vector<std::string>{"VELLOX", "RESEARCH"}));

    std::vector<SERVER_INFO_101> none;
    std::uint32_t total = 99;
    EXPECT_EQ(m_api->ServerEnum("", SV_TYPE_ALL, "NODOMAIN", none, total), ERROR_NO_BROWSER_SERVERS_FOUND);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(total, 0u);
}

TEST_F(SampleDomain, ListDomainsMatchesServerEnum)
{
    const auto domains = m_api->ListDomains();
    ASSERT_EQ(domains.size(), 2u);
    EXPECT_EQ(domains[0].name, "VELLOX");
    EXPECT_EQ(domains[0].controller, kPdc);
    EXPECT_EQ(domains[0].servers, simtest::Names(Servers(*m_api, SV_TYPE_ALL), &SERVER_INFO_101::sv101_name));
    EXPECT_EQ(domains[1].servers,
              simtest::Names(Servers(*m_api, SV_TYPE_ALL, "RESEARCH"), &SERVER_INFO_101::sv101_name));
}

TEST_F(SampleDomain, SharesOfDiskPrinterAndIpcKinds)
{
    std::vector<SHARE_INFO_1> shares;
    ASSERT_EQ(m_api->ShareEnum("\\\\VELLOX-PRN01", shares), NERR_Success);
    const auto has = [&](std::uint32_t type) {
        return std::any_of(shares.begin(), shares.end(), [&](const SHARE_INFO_1& s) { return s.shi1_type == type; });
    };
    EXPECT_TRUE(has(STYPE_PRINTQ));
    EXPECT_TRUE(has(STYPE_DISKTREE));
    EXPECT_TRUE(has(STYPE_IPC | STYPE_SPECIAL));
    EXPECT_EQ(m_api->ShareEnum("\\\\NOWHERE", shares), ERROR_BAD_NETPATH);
    EXPECT_TRUE(shares.empty());
}

// --- loading -----------------------------------------------------------------------

TEST(SimLoad, AMinimalNetworkLoads)
{
    std::string error;
    auto api = SimNetApi::FromJson(MiniNetwork(), error);
    ASSERT_TRUE(api) << error;
    std::vector<GROUP_USERS_INFO_0> members;
    ASSERT_EQ(api->GroupGetUsers("\\\\MINI-DC", "Team", members), NERR_Success);
    ASSERT_EQ(members.size(), 1u);
    USER_INFO_3 ann;
    ASSERT_EQ(api->UserGetInfo("", "ann", ann), NERR_Success);  // the local computer defaults to the controller
    EXPECT_EQ(ann.usri3_flags, UF_SCRIPT | UF_NORMAL_ACCOUNT);
    EXPECT_EQ(ann.usri3_acct_expires, TIMEQ_FOREVER);
    EXPECT_EQ(ann.usri3_logon_hours.size(), 21u);
}

TEST(SimLoad, BrokenJsonNamesTheLine)
{
    const std::string error = LoadError("{\n  \"domains\": [\n    {,}\n  ]\n}");
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
}

TEST(SimLoad, MistakesInTheNetworkAreNamed)
{
    EXPECT_NE(LoadError(MiniNetwork(R"(, "flags": ["UF_NO_SUCH_FLAG"])")).find("UF_NO_SUCH_FLAG"), std::string::npos);
    EXPECT_NE(LoadError(MiniNetwork("", R"("bob")")).find("\"bob\""), std::string::npos);
    EXPECT_NE(LoadError(MiniNetwork("", "\"ann\"", "[\"SV_TYPE_SERVER\"]")).find("primary controller"),
              std::string::npos);
    EXPECT_NE(LoadError(MiniNetwork(R"(, "lastLogon": "yesterday")")).find("lastLogon"), std::string::npos);
    EXPECT_NE(LoadError(MiniNetwork(R"(, "primaryGroup": 4242)")).find("4242"), std::string::npos);
    EXPECT_NE(LoadError(MiniNetwork(R"(, "numLogons": -3)")).find("numLogons"), std::string::npos);
    EXPECT_NE(LoadError(R"({"domains": []})").find("no domains"), std::string::npos);
    EXPECT_NE(LoadError("[1, 2]").find("object"), std::string::npos);
}

TEST(SimLoad, DatesWithoutAZoneAreUtc)
{
    std::string error;
    auto api =
        SimNetApi::FromJson(MiniNetwork(R"(, "lastLogon": "1980-01-02T02:03:55", "acctExpires": 315626635)"), error);
    ASSERT_TRUE(api) << error;
    USER_INFO_3 ann;
    ASSERT_EQ(api->UserGetInfo("", "ann", ann), NERR_Success);
    EXPECT_EQ(ann.usri3_last_logon, 315626635u);
    EXPECT_EQ(ann.usri3_acct_expires, 315626635u);
}

TEST(SimLoad, AMissingFileIsReported)
{
    std::string error;
    EXPECT_FALSE(SimNetApi::FromFile("/nonexistent/sample.json", error));
    EXPECT_NE(error.find("/nonexistent/sample.json"), std::string::npos) << error;
}

TEST(SimLoad, AnInvalidFileNamesItself)
{
    const std::string path = ::testing::TempDir() + "/broken-sample.json";
    std::ofstream(path) << "{\"domains\": 5}";
    std::string error;
    EXPECT_FALSE(SimNetApi::FromFile(path, error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("domains"), std::string::npos) << error;
}
