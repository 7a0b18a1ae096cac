// The Samba back end's conversions and its connection probe; no controller needed.
#include "platform/net/samba/samba_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>

using namespace net;
using namespace net::samba;

namespace {

double SecondsOf(const std::function<void()>& call)
{
    auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A loopback listener on a free port; `backlog` pending connections at most.
class Listener {
public:
    explicit Listener(int backlog)
    {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_fd, backlog);
        socklen_t size = sizeof address;
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
    }
    ~Listener() { close(m_fd); }
    std::uint16_t Port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

}  // namespace

TEST(SambaNames, SameHostIgnoresCaseBackslashesAndDnsSuffix)
{
    EXPECT_TRUE(SameHost("\\\\DC1", "dc1"));
    EXPECT_TRUE(SameHost("\\\\dc1.vellox.test", "DC1"));
    EXPECT_FALSE(SameHost("\\\\DC1", "DC10"));
    EXPECT_FALSE(SameHost("", ""));
    // Addresses are compared whole, not by their first number.
    EXPECT_TRUE(SameHost("\\\\192.0.2.10", "192.0.2.10"));
    EXPECT_FALSE(SameHost("192.0.2.10", "192.0.2.11"));
}

TEST(SambaNames, SplitAccountName)
{
    EXPECT_EQ(SplitAccountName("VELLOX\\vx.plain"), std::make_pair(std::string("VELLOX"), std::string("vx.plain")));
    EXPECT_EQ(SplitAccountName("vx.plain@vellox.test"),
              std::make_pair(std::string("vellox.test"), std::string("vx.plain")));
    EXPECT_EQ(SplitAccountName("vx.plain"), std::make_pair(std::string(""), std::string("vx.plain")));
}

// The level-3 write sends these bits as they are: a wrong mapping changes accounts.
TEST(SambaFlags, AccountBitsTranslateToSamrBits)
{
    EXPECT_EQ(ToSamrAccountBits(UF_NORMAL_ACCOUNT), 0x10u);
    EXPECT_EQ(ToSamrAccountBits(UF_SCRIPT | UF_NORMAL_ACCOUNT), 0x10u) << "UF_SCRIPT has no SAMR bit";
    EXPECT_EQ(ToSamrAccountBits(UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE), 0x11u);
    EXPECT_EQ(ToSamrAccountBits(UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD), 0x210u);
    EXPECT_EQ(ToSamrAccountBits(UF_NORMAL_ACCOUNT | UF_LOCKOUT), 0x410u);
    EXPECT_EQ(ToSamrAccountBits(UF_WORKSTATION_TRUST_ACCOUNT), 0x80u);
    EXPECT_EQ(ToSamrAccountBits(UF_SERVER_TRUST_ACCOUNT), 0x100u);
    EXPECT_EQ(ToSamrAccountBits(UF_PASSWD_CANT_CHANGE), 0u);
    EXPECT_EQ(ToSamrAccountBits(0x00800000u), 0u) << "password expired is computed, never written";
}

TEST(SambaValues, NeverExpiringAccountsReadAsForever)
{
    EXPECT_EQ(NormalizeAccountExpiry(159663333u), TIMEQ_FOREVER);
    EXPECT_EQ(NormalizeAccountExpiry(0u), TIMEQ_FOREVER);
    EXPECT_EQ(NormalizeAccountExpiry(0x7FFFFFFFu), TIMEQ_FOREVER);
    EXPECT_EQ(NormalizeAccountExpiry(TIMEQ_FOREVER), TIMEQ_FOREVER);
    EXPECT_EQ(NormalizeAccountExpiry(2085923199u), TIMEQ_FOREVER);  // a classic controller's database
    EXPECT_EQ(NormalizeAccountExpiry(2085923198u), 2085923198u);
    EXPECT_EQ(NormalizeAccountExpiry(1909008000u), 1909008000u);
    EXPECT_EQ(NormalizeAccountExpiry(159663332u), 159663332u);
}

TEST(SambaValues, PasswordNeverSetReadsAsAgeZero)
{
    const std::int64_t now = 1800000000;
    EXPECT_EQ(NormalizePasswordAge(static_cast<std::uint32_t>(now), now), 0u);
    EXPECT_EQ(NormalizePasswordAge(static_cast<std::uint32_t>(now - 5), now), 0u);
    EXPECT_EQ(NormalizePasswordAge(3600u, now), 3600u);
    EXPECT_EQ(NormalizePasswordAge(0u, now), 0u);
}

TEST(SambaSids, ParseAndFormatRoundTrip)
{
    for (const char* text : {"S-1-5-21-2730921517-3625501806-1304489948-1103", "S-1-5-32-544", "S-1-1-0"}) {
        std::optional<SidParts> sid = ParseSid(text);
        ASSERT_TRUE(sid) << text;
        EXPECT_EQ(FormatSid(*sid), text);
    }
    std::optional<SidParts> sid = ParseSid("S-1-5-32-544");
    ASSERT_TRUE(sid);
    EXPECT_EQ(sid->revision, 1);
    EXPECT_EQ(sid->authority, 5u);
    EXPECT_EQ(sid->subAuthorities, (std::vector<std::uint32_t>{32, 544}));
}

TEST(SambaSids, MalformedTextIsRejected)
{
    for (const char* text :
         {"", "S-1", "S-1-5", "X-1-5-21", "S-1-5--21", "S-1-5-21-", "S-1-5-x", "S-1-5-4294967296", "S-256-5-1",
          "S-1-281474976710656-1", "S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16", "S-1-5-99999999999999999999999"}) {
        EXPECT_FALSE(ParseSid(text)) << text;
    }
}

TEST(SambaServers, FallbackBitsFollowTheAccountKind)
{
    EXPECT_EQ(FallbackServerType(UF_WORKSTATION_TRUST_ACCOUNT | UF_SCRIPT, false),
              SV_TYPE_WORKSTATION | SV_TYPE_DOMAIN_MEMBER);
    std::uint32_t backup = FallbackServerType(UF_SERVER_TRUST_ACCOUNT, false);
    EXPECT_TRUE(backup & SV_TYPE_DOMAIN_BAKCTRL);
    EXPECT_FALSE(backup & SV_TYPE_DOMAIN_CTRL);
    std::uint32_t primary = FallbackServerType(UF_SERVER_TRUST_ACCOUNT, true);
    EXPECT_TRUE(primary & SV_TYPE_DOMAIN_CTRL);
    EXPECT_FALSE(primary & SV_TYPE_DOMAIN_BAKCTRL);
    EXPECT_TRUE(primary & SV_TYPE_SERVER);
    EXPECT_EQ(FallbackServerType(UF_NORMAL_ACCOUNT, false), 0u);
}

TEST(SambaStatus, UnknownNamesBecomeTheNetCodes)
{
    EXPECT_EQ(UserCallStatus(ERROR_NONE_MAPPED), NERR_UserNotFound);
    EXPECT_EQ(UserCallStatus(ERROR_NO_SUCH_USER), NERR_UserNotFound);
    EXPECT_EQ(UserCallStatus(ERROR_ACCESS_DENIED), ERROR_ACCESS_DENIED);
    EXPECT_EQ(GroupCallStatus(ERROR_NONE_MAPPED), NERR_GroupNotFound);
    EXPECT_EQ(GroupCallStatus(1319), NERR_GroupNotFound);
    EXPECT_EQ(GroupCallStatus(1804), NERR_GroupNotFound);
    EXPECT_EQ(GroupCallStatus(ERROR_MEMBER_IN_GROUP), ERROR_MEMBER_IN_GROUP);
    EXPECT_EQ(LocalGroupCallStatus(ERROR_MEMBER_IN_GROUP), ERROR_MEMBER_IN_ALIAS);
    EXPECT_EQ(LocalGroupCallStatus(ERROR_MEMBER_NOT_IN_GROUP), ERROR_MEMBER_NOT_IN_ALIAS);
    EXPECT_EQ(LocalGroupCallStatus(ERROR_NONE_MAPPED), ERROR_NO_SUCH_ALIAS);
    EXPECT_EQ(LocalGroupCallStatus(NERR_Success), NERR_Success);
}

TEST(SambaProbe, ListeningPortAnswers)
{
    Listener listener(8);
    EXPECT_EQ(ProbeTcp("127.0.0.1", listener.Port(), std::chrono::milliseconds(2000)), Probe::Answered);
}

TEST(SambaProbe, ClosedPortIsRefusedAtOnce)
{
    std::uint16_t port = 0;
    {
        Listener listener(1);
        port = listener.Port();
    }  // closed again: nothing listens there now
    Probe probe = Probe::Answered;
    double seconds = SecondsOf([&] { probe = ProbeTcp("127.0.0.1", port, std::chrono::milliseconds(3000)); });
    EXPECT_EQ(probe, Probe::Refused);
    EXPECT_LT(seconds, 1.0);
}

// A listener that never accepts: once its queue is full, connections hang; the probe
// gives up at its time limit.
TEST(SambaProbe, ServerThatNeverAcceptsTimesOut)
{
    Listener listener(0);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(listener.Port());
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers.push_back(fd);
    }
    usleep(100000);
    Probe probe = Probe::Answered;
    double seconds = SecondsOf([&] { probe = ProbeTcp("127.0.0.1", listener.Port(), std::chrono::milliseconds(700)); });
    for (int fd : fillers)
        close(fd);
    EXPECT_EQ(probe, Probe::TimedOut);
    EXPECT_GT(seconds, 0.6);
    EXPECT_LT(seconds, 2.0);
}

// (Names that reach the resolver are left to the integration tests: their namespace
// has no name server, so no lookup leaves the machine.)
TEST(SambaProbe, EmptyNameIsUnresolved)
{
    EXPECT_EQ(ProbeTcp("", 445, std::chrono::milliseconds(100)), Probe::Unresolved);
}
