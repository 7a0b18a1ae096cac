// WS-Discovery on the test networks, against peers each test starts: Debian's wsdd in
// vx-nb (a host outside the domain, answering without XAddrs so that it is resolved),
// and wsd_peer.py in vx-dc with one good device and four that serve their metadata
// badly. Runs inside vx-client, where the probes go out on its interfaces only.
#include "platform/net/discovery/wsd_client.h"
#include "platform/threads/owned_threads.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <future>
#include <memory>
#include <optional>
#include <thread>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using net::DiscoveredHost;

constexpr auto kBudget = 3000ms;
constexpr auto kMargin = 300ms;  // past the budget, or past a stop, for the call to return
const char* const kBadPeers[] = {"PEERSILENT", "PEERHUGE", "PEERENDLESS", "PEERBROKEN"};

// A process of the test's own with one of its output streams read line by line (the
// other goes nowhere); killed and reaped when the object goes, whatever the test did.
class Peer {
public:
    Peer(const std::vector<std::string>& argv, int readFd)
    {
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], readFd);
        posix_spawn_file_actions_addopen(&actions, readFd == 1 ? 2 : 1, "/dev/null", O_WRONLY, 0);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        if (posix_spawnp(&m_pid, args[0], &actions, nullptr, args.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        m_fd = pipeFds[0];
    }

    ~Peer()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_fd >= 0)
            ::close(m_fd);
    }

    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    // The first line from now on that contains `text`, within `limit`.
    std::optional<std::string> WaitForLine(const std::string& text, std::chrono::milliseconds limit)
    {
        const Clock::time_point end = Clock::now() + limit;
        for (;;) {
            for (std::size_t lf; (lf = m_buffer.find('\n')) != std::string::npos;) {
                std::string line = m_buffer.substr(0, lf);
                m_buffer.erase(0, lf + 1);
                if (line.find(text) != std::string::npos)
                    return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            pollfd poll{m_fd, POLLIN, 0};
            if (m_fd < 0 || left <= 0ms || ::poll(&poll, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char chunk[4096];
            const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
            if (n <= 0)
                return std::nullopt;
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

private:
    pid_t m_pid = -1;
    int m_fd = -1;
    std::string m_buffer;
};

const DiscoveredHost* Find(const std::vector<DiscoveredHost>& hosts, const std::string& name)
{
    const auto it = std::find_if(hosts.begin(), hosts.end(), [&](const DiscoveredHost& h) { return h.name == name; });
    return it == hosts.end() ? nullptr : &*it;
}

class WsdDiscovery : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::access("/run/netns/vx-nb", F_OK) != 0 || ::access("/run/netns/vx-dc", F_OK) != 0)
            GTEST_SKIP() << "the test namespaces are missing (scripts/local-dc start)";
        m_wsdd = std::make_unique<Peer>(std::vector<std::string>{"ip", "netns", "exec", "vx-nb", "wsdd", "-v", "-i",
                                                                 "vx-nb0", "-n", "NB1", "-w", "VXLAN", "-U",
                                                                 "5f0c2a8e-3b1d-4e7a-9c66-0d2b8e4f7a11"},
                                        2);
        m_peer = std::make_unique<Peer>(std::vector<std::string>{"ip", "netns", "exec", "vx-dc", "python3",
                                                                 VELLOX_WSD_PEER, "192.0.2.10", "good", "silent",
                                                                 "huge", "endless", "malformed"},
                                        1);
        // wsdd answers once it has joined the group on vx-nb0's IPv4 address: its HTTP
        // server is bound in the same step, before it reads any probe.
        ASSERT_TRUE(m_wsdd->WaitForLine("on 198.51.100.10%vx-nb0", 10s)) << "wsdd did not start in vx-nb";
        ASSERT_TRUE(m_peer->WaitForLine("ready", 10s)) << "wsd_peer.py did not start in vx-dc";
    }

    std::unique_ptr<Peer> m_wsdd;
    std::unique_ptr<Peer> m_peer;
};

TEST_F(WsdDiscovery, FindsTheGoodHostsAndDropsTheBadOnesWithinTheBudget)
{
    const Clock::time_point start = Clock::now();
    const std::vector<DiscoveredHost> hosts = net::DiscoverWsdHosts(kBudget);
    EXPECT_LE(Clock::now() - start, kBudget + kMargin);

    // Found over IPv4 and IPv6 link-local, kept once with its IPv4 address.
    const DiscoveredHost* nb1 = Find(hosts, "NB1");
    ASSERT_NE(nb1, nullptr) << "wsdd's host";
    EXPECT_EQ(nb1->group, "VXLAN");
    EXPECT_EQ(nb1->address, "198.51.100.10");
    EXPECT_EQ(std::count_if(hosts.begin(), hosts.end(), [](const DiscoveredHost& h) { return h.name == "NB1"; }), 1);

    const DiscoveredHost* good = Find(hosts, "PEERGOOD");
    ASSERT_NE(good, nullptr) << "the peer's good device, beside its bad ones";
    EXPECT_EQ(good->group, "VELLOX");
    EXPECT_EQ(good->address, "192.0.2.10");

    for (const char* bad : kBadPeers)
        EXPECT_EQ(Find(hosts, bad), nullptr) << bad;
}

TEST_F(WsdDiscovery, ABudgetShorterThanAHostsLimitEndsTheCall)
{
    // The silent device would hold the call for its own limit of 2 s.
    const Clock::time_point start = Clock::now();
    net::DiscoverWsdHosts(1000ms);
    EXPECT_LE(Clock::now() - start, 1000ms + kMargin);
}

TEST_F(WsdDiscovery, StopEndsTheCallPromptly)
{
    std::stop_source stop;
    std::promise<Clock::time_point> stopped;
    std::thread stopper([&] {
        // The peer has the first probe: the call is under way.
        const bool probed = m_peer->WaitForLine("probe urn:uuid:", 5s).has_value();
        stopped.set_value(probed ? Clock::now() : Clock::time_point{});
        stop.request_stop();
    });
    {
        threads::StopScope scope(stop.get_token());
        net::DiscoverWsdHosts(kBudget);
    }
    const Clock::time_point ended = Clock::now();
    stopper.join();
    const Clock::time_point stopAt = stopped.get_future().get();
    ASSERT_NE(stopAt, Clock::time_point{}) << "the peer never saw a probe";
    EXPECT_LE(ended - stopAt, kMargin);
}

}  // namespace
