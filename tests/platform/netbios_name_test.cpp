// NetBIOS name queries: the request's bytes, and the answers a node sends, good and bad.
// No network: resolution against a real node is in the classic controller tests.
#include "platform/net/netbios_name.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

using namespace net;

namespace {

using Bytes = std::vector<std::uint8_t>;

// "CLPDC" padded to 15 blanks with the server suffix 0x20, in the half-byte encoding.
const char kEncodedClpdc[] = "EDEMFAEEEDCACACACACACACACACACACA";

Bytes Encoded(const char* text)
{
    Bytes out{32};
    for (const char* p = text; *p; ++p)
        out.push_back(static_cast<std::uint8_t>(*p));
    out.push_back(0);
    return out;
}

// A positive answer for transaction `id` with the given flags and addresses.
Bytes Answer(std::uint16_t id, std::uint16_t flags, const std::vector<std::array<std::uint8_t, 4>>& addresses)
{
    Bytes out = {static_cast<std::uint8_t>(id >> 8),
                 static_cast<std::uint8_t>(id),
                 static_cast<std::uint8_t>(flags >> 8),
                 static_cast<std::uint8_t>(flags),
                 0,
                 0,
                 0,
                 1,
                 0,
                 0,
                 0,
                 0};
    const Bytes name = Encoded(kEncodedClpdc);
    out.insert(out.end(), name.begin(), name.end());
    const auto length = static_cast<std::uint16_t>(6 * addresses.size());
    const Bytes rest = {
        0, 0x20, 0, 1, 0, 0, 0x0e, 0x10, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    out.insert(out.end(), rest.begin(), rest.end());
    for (const auto& address : addresses) {
        out.push_back(0);
        out.push_back(0);
        out.insert(out.end(), address.begin(), address.end());
    }
    return out;
}

TEST(NetbiosName, QueryAsksForTheServerServiceOfTheName)
{
    Bytes expected = {0x12, 0x34, 0x01, 0x10, 0, 1, 0, 0, 0, 0, 0, 0};
    const Bytes name = Encoded(kEncodedClpdc);
    expected.insert(expected.end(), name.begin(), name.end());
    expected.insert(expected.end(), {0, 0x20, 0, 1});
    EXPECT_EQ(NetbiosNameQuery("clpdc", 0x1234, true), expected);
    Bytes unicast = expected;
    unicast[3] = 0x00;  // no B flag towards a WINS server
    EXPECT_EQ(NetbiosNameQuery("CLPDC", 0x1234, false), unicast);
    // Names a NetBIOS query can't carry.
    for (const char* name : {"", "dc1.vellox.test", "A-NAME-OF-16-CHR"})
        EXPECT_TRUE(NetbiosNameQuery(name, 1, true).empty()) << name;
}

// A node status answer for transaction `id` listing `names` (15 characters, suffix, flags).
Bytes StatusAnswer(std::uint16_t id, std::uint16_t flags,
                   const std::vector<std::pair<std::string, std::uint16_t>>& names)
{
    Bytes out = {static_cast<std::uint8_t>(id >> 8),
                 static_cast<std::uint8_t>(id),
                 static_cast<std::uint8_t>(flags >> 8),
                 static_cast<std::uint8_t>(flags),
                 0,
                 0,
                 0,
                 1,
                 0,
                 0,
                 0,
                 0};
    const Bytes name = Encoded("CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
    out.insert(out.end(), name.begin(), name.end());
    const auto length = static_cast<std::uint16_t>(1 + 18 * names.size() + 46);
    const Bytes rest = {0,
                        0x21,
                        0,
                        1,
                        0,
                        0,
                        0,
                        0,
                        static_cast<std::uint8_t>(length >> 8),
                        static_cast<std::uint8_t>(length),
                        static_cast<std::uint8_t>(names.size())};
    out.insert(out.end(), rest.begin(), rest.end());
    for (const auto& [text, nameFlags] : names) {
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(static_cast<std::uint8_t>(nameFlags >> 8));
        out.push_back(static_cast<std::uint8_t>(nameFlags));
    }
    out.resize(out.size() + 46);  // statistics
    return out;
}

TEST(NetbiosName, DomainMasterAndStatusRequests)
{
    Bytes master = NetbiosNameQuery("classic", 0x1234, true, kNetbiosDomainMasterSuffix);
    ASSERT_EQ(master.size(), 50u);
    EXPECT_EQ(std::string(master.begin() + 13, master.begin() + 45), "EDEMEBFDFDEJEDCACACACACACACACABL");
    Bytes status = {0x12, 0x34, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0};
    const Bytes wildcard = Encoded("CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
    status.insert(status.end(), wildcard.begin(), wildcard.end());
    status.insert(status.end(), {0, 0x21, 0, 1});
    EXPECT_EQ(NetbiosStatusQuery(0x1234), status);
}

TEST(NetbiosName, StatusAnswerGivesTheUniqueServerName)
{
    const std::string group(std::string("CLASSIC        ") + '\x1c');
    const std::string server(std::string("CLPDC          ") + '\x20');
    const std::string workstation(std::string("CLPDC          ") + '\x00');
    const std::string groupServer(std::string("CLASSIC        ") + '\x20');
    struct Case {
        const char* what;
        Bytes answer;
        std::string name;
    };
    const Bytes good = StatusAnswer(9, 0x8400, {{workstation, 0x0400}, {group, 0x8400}, {server, 0x0400}});
    const Case cases[] = {
        {"the <20> name among others", good, "CLPDC"},
        {"a group <20> name is no server", StatusAnswer(9, 0x8400, {{groupServer, 0x8400}, {server, 0x0400}}), "CLPDC"},
        {"no <20> name", StatusAnswer(9, 0x8400, {{workstation, 0x0400}, {group, 0x8400}}), ""},
        {"no names", StatusAnswer(9, 0x8400, {}), ""},
        {"another transaction", StatusAnswer(8, 0x8400, {{server, 0x0400}}), ""},
        {"a request, not an answer", StatusAnswer(9, 0x0000, {{server, 0x0400}}), ""},
        {"a name query's answer", Answer(9, 0x8500, {{198, 18, 31, 10}}), ""},
        {"cut inside the names", Bytes(good.begin(), good.begin() + 60), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NetbiosStatusServerName(c.answer.data(), c.answer.size(), 9), c.name) << c.what;
}

TEST(NetbiosName, OnlyAPositiveAnswerToTheQueryGivesAddresses)
{
    const Bytes two = Answer(7, 0x8500, {{198, 18, 31, 10}, {10, 0, 0, 2}});
    EXPECT_EQ(NetbiosQueryAnswer(two.data(), two.size(), 7), (std::vector<std::string>{"198.18.31.10", "10.0.0.2"}));
    struct Case {
        const char* what;
        Bytes answer;
    };
    const Bytes good = Answer(7, 0x8500, {{198, 18, 31, 10}});
    const Case refused[] = {
        {"another transaction", Answer(8, 0x8500, {{198, 18, 31, 10}})},
        {"a request, not an answer", Answer(7, 0x0500, {{198, 18, 31, 10}})},
        {"name error (rcode 3)", Answer(7, 0x8503, {})},
        {"cut short", Bytes(good.begin(), good.end() - 3)},
        {"header only", Bytes(good.begin(), good.begin() + 12)},
    };
    for (const Case& c : refused)
        EXPECT_TRUE(NetbiosQueryAnswer(c.answer.data(), c.answer.size(), 7).empty()) << c.what;
}

}  // namespace
