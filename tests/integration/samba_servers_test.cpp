// Controller discovery, server information, the NetServerEnum stand-in, shares, and
// servers that do not answer.
#include "samba_dc_fixture.h"

#include <thread>

using namespace net;
using vxtest::kServer;
using vxtest::SambaDc;

namespace {

const SERVER_INFO_101* Find(const std::vector<SERVER_INFO_101>& servers, const std::string& name)
{
    for (const SERVER_INFO_101& server : servers) {
        if (server.sv101_name == name)
            return &server;
    }
    return nullptr;
}

}  // namespace

TEST_F(SambaDc, GetDCNameNamesTheControllerWithBackslashes)
{
    std::string dc;
    ASSERT_EQ(m_api.GetDCName(kServer, "", dc), NERR_Success);
    EXPECT_EQ(dc, "\\\\DC1");
    ASSERT_EQ(m_api.GetDCName(kServer, "VELLOX", dc), NERR_Success);
    EXPECT_EQ(dc, "\\\\DC1");
}

TEST_F(SambaDc, GetDCNameOfAnUnknownDomainFails)
{
    std::string dc = "stale";
    EXPECT_NE(m_api.GetDCName(kServer, "NOSUCHDOMAIN", dc), NERR_Success);
    EXPECT_EQ(dc, "");
}

TEST_F(SambaDc, ControllerIsReportedAsPrimaryController)
{
    SERVER_INFO_101 info;
    ASSERT_EQ(m_api.ServerGetInfo(kServer, info), NERR_Success);
    EXPECT_EQ(info.sv101_name, "DC1");
    EXPECT_EQ(info.sv101_platform_id, PLATFORM_ID_NT);
    EXPECT_TRUE(info.sv101_type & SV_TYPE_DOMAIN_CTRL) << std::hex << info.sv101_type;
    EXPECT_TRUE(info.sv101_type & SV_TYPE_SERVER);
    EXPECT_FALSE(info.sv101_comment.empty());
}

TEST_F(SambaDc, ControllerByAddressOrDnsNameIsTheSameServer)
{
    for (const std::string server : {"\\\\192.0.2.10", "\\\\dc1.vellox.test", "DC1"}) {
        SERVER_INFO_101 info;
        ASSERT_EQ(m_api.ServerGetInfo(server, info), NERR_Success) << server;
        EXPECT_EQ(info.sv101_name, "DC1") << server;
        EXPECT_TRUE(info.sv101_type & SV_TYPE_DOMAIN_CTRL) << server;
    }
}

TEST_F(SambaDc, ServerEnumListsControllerAndComputerAccounts)
{
    std::vector<SERVER_INFO_101> servers;
    std::uint32_t total = 0;
    double seconds =
        vxtest::SecondsOf([&] { ASSERT_EQ(m_api.ServerEnum(kServer, SV_TYPE_ALL, "", servers, total), NERR_Success); });
    EXPECT_EQ(total, servers.size());
    const SERVER_INFO_101* dc = Find(servers, "DC1");
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(dc->sv101_type & SV_TYPE_DOMAIN_CTRL);
    EXPECT_EQ(dc->sv101_version_major, 6u);  // asked, not derived
    // VXWS1 has an account but no machine: its bits come from the account's kind.
    const SERVER_INFO_101* ws = Find(servers, "VXWS1");
    ASSERT_NE(ws, nullptr);
    EXPECT_EQ(ws->sv101_type, SV_TYPE_WORKSTATION | SV_TYPE_DOMAIN_MEMBER);
    EXPECT_EQ(servers.size(), 2u) << "each server once, names without $";
    EXPECT_LT(seconds, 10.0) << "a silent server must cost one probe, not the library's 20 s";
}

TEST_F(SambaDc, ServerEnumKeepsOnlyTheAskedTypes)
{
    std::vector<SERVER_INFO_101> servers;
    std::uint32_t total = 0;
    ASSERT_EQ(m_api.ServerEnum(kServer, SV_TYPE_DOMAIN_CTRL, "", servers, total), NERR_Success);
    ASSERT_EQ(servers.size(), 1u);
    EXPECT_EQ(servers[0].sv101_name, "DC1");
    ASSERT_EQ(m_api.ServerEnum(kServer, SV_TYPE_DOMAIN_MEMBER, "", servers, total), NERR_Success);
    ASSERT_EQ(servers.size(), 1u);
    EXPECT_EQ(servers[0].sv101_name, "VXWS1");
    EXPECT_EQ(total, 1u);
}

TEST_F(SambaDc, ShareEnumGivesDiskSharesAndIpc)
{
    std::vector<SHARE_INFO_1> shares;
    ASSERT_EQ(m_api.ShareEnum(kServer, shares), NERR_Success);
    std::vector<std::string> names = vxtest::NamesOf(shares, &SHARE_INFO_1::shi1_netname);
    EXPECT_TRUE(vxtest::Contains(names, "sysvol"));
    EXPECT_TRUE(vxtest::Contains(names, "netlogon"));
    for (const SHARE_INFO_1& share : shares) {
        if (share.shi1_netname == "IPC$") {
            EXPECT_EQ(share.shi1_type, STYPE_IPC | STYPE_SPECIAL);
        }
        if (share.shi1_netname == "sysvol") {
            EXPECT_EQ(share.shi1_type, STYPE_DISKTREE);
        }
    }
}

// Nothing listens on port 445 of the client's own loopback: the library would answer
// for this machine from its configuration; the back end must say the server is not there.
TEST_F(SambaDc, LoopbackWithoutServerFailsAtOnce)
{
    SERVER_INFO_101 info;
    Status status = NERR_Success;
    double seconds = vxtest::SecondsOf([&] { status = m_api.ServerGetInfo("\\\\127.0.0.1", info); });
    EXPECT_EQ(status, ERROR_BAD_NETPATH);
    EXPECT_LT(seconds, 2.0);
}

// 192.0.2.20 is on the link but no machine has it: nothing ever answers.
TEST_F(SambaDc, SilentServerFailsWithinTheConnectTimeout)
{
    SambaConnection connection = vxtest::AdminConnection();
    connection.connectTimeout = std::chrono::milliseconds(1500);
    SambaNetApi api(connection);
    std::vector<USER_INFO_0> users;
    Status status = NERR_Success;
    double seconds = vxtest::SecondsOf([&] { status = api.UserEnum("\\\\192.0.2.20", FILTER_NORMAL_ACCOUNT, users); });
    EXPECT_EQ(status, ERROR_BAD_NETPATH);
    EXPECT_TRUE(users.empty());
    EXPECT_LT(seconds, 4.0);
    // By name too (the hosts file of the namespace gives vxws1 that address).
    seconds = vxtest::SecondsOf([&] { status = api.UserEnum("\\\\VXWS1", FILTER_NORMAL_ACCOUNT, users); });
    EXPECT_EQ(status, ERROR_BAD_NETPATH);
    EXPECT_LT(seconds, 4.0);
}

// A silent server must not hold the library lock: a call to the controller made
// meanwhile from another thread goes through.
TEST_F(SambaDc, SilentServerDoesNotBlockOtherCallers)
{
    std::thread slow([&] {
        SERVER_INFO_101 info;
        m_api.ServerGetInfo("\\\\192.0.2.20", info);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    SERVER_INFO_101 info;
    Status status = NERR_Success;
    double seconds = vxtest::SecondsOf([&] { status = m_api.ServerGetInfo(kServer, info); });
    slow.join();
    EXPECT_EQ(status, NERR_Success);
    EXPECT_LT(seconds, 2.0);
}

TEST_F(SambaDc, UnresolvableServerFails)
{
    GROUP_INFO_2 group;
    EXPECT_NE(m_api.GroupGetInfo("\\\\NOSUCHHOST", "vx-staff", group), NERR_Success);
}
