// DNS-SD on the test networks: the fixture's avahi-daemon in vx-ws publishes `_smb._tcp`
// for macbox, and the one in vx-client, reached over the fixture's own D-Bus, browses.
#include "platform/net/discovery/dnssd_client.h"
#include "platform/threads/owned_threads.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// No daemon to ask, or a browse already stopped: nothing, and at once. Without a daemon
// runs in a child process, since libdbus reads the bus's address once in a process.
TEST(DnsSd, WithoutADaemonOrOnceStoppedNothingAtOnce)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/vellox-test-bus", 1);
        const auto start = Clock::now();
        const bool empty = net::DiscoverDnsSdHosts(3000ms).empty();
        ::_exit(empty && Clock::now() - start < 1s ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "without a daemon: hosts, or a wait";

    std::stop_source stop;
    stop.request_stop();
    threads::StopScope scope(stop.get_token());
    const auto start = Clock::now();
    EXPECT_TRUE(net::DiscoverDnsSdHosts(3000ms).empty());
    EXPECT_LT(Clock::now() - start, 1s);
}

TEST(DnsSd, FindsThePublishedHostWithItsAddress)
{
    ASSERT_NE(std::getenv("DBUS_SYSTEM_BUS_ADDRESS"), nullptr) << "the fixture's discovery peers are not running";
    const auto start = Clock::now();
    const auto hosts = net::DiscoverDnsSdHosts(3000ms);
    EXPECT_LT(Clock::now() - start, 2500ms) << "the browse ends once the daemon has said all it knows";
    ASSERT_EQ(hosts.size(), 1u);
    EXPECT_EQ(hosts[0].name, "macbox");
    EXPECT_EQ(hosts[0].group, "LOCAL");
    EXPECT_EQ(hosts[0].address, "203.0.113.10");
}

}  // namespace
