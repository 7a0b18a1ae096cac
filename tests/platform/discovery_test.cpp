// Merging the two discovery sources, and the host names DNS-SD gives.
#include "platform/net/discovery/discovery.h"
#include "platform/net/discovery/dnssd_client.h"

#include <gtest/gtest.h>

namespace {

using net::DiscoveredHost;

std::vector<std::string> Described(const std::vector<DiscoveredHost>& hosts)
{
    std::vector<std::string> lines;
    for (const DiscoveredHost& h : hosts)
        lines.push_back(h.name + "/" + h.group + "@" + h.address);
    return lines;
}

TEST(Discovery, OneLinePerHostWsDiscoveryFirstDnsSdOnlyUnderLocal)
{
    const std::vector<DiscoveredHost> wsd{
        {"DC1", "VELLOX", "10.0.0.1"}, {"dc1", "VELLOX", "fe80::1"}, {"WSHOST", "WORKGROUP", "10.0.0.2"}};
    const std::vector<DiscoveredHost> dnssd{{"macbox", "LOCAL", "10.0.0.3"},
                                            {"Dc1", "LOCAL", "10.0.0.1"},
                                            {"wshost", "LOCAL", "10.0.0.2"},
                                            {"MACBOX", "LOCAL", "10.0.0.4"}};
    EXPECT_EQ(Described(net::MergeDiscovered(wsd, dnssd)),
              (std::vector<std::string>{"DC1/VELLOX@10.0.0.1", "WSHOST/WORKGROUP@10.0.0.2", "macbox/LOCAL@10.0.0.3"}));
}

TEST(Discovery, DnsSdHostNamesAreTheirFirstLabel)
{
    const std::pair<const char*, const char*> cases[] = {
        {"macbox.local", "macbox"}, {"nas-2.local.", "nas-2"}, {"plain", "plain"}, {".local", ""},
        {"bad\\name.local", ""},    {"sp ace.local", ""},      {"x/y.local", ""},  {"\x01.local", ""},
    };
    for (const auto& [host, label] : cases)
        EXPECT_EQ(net::HostLabel(host), label) << host;
    EXPECT_EQ(net::HostLabel(std::string(64, 'a') + ".local"), "");
}

}  // namespace
