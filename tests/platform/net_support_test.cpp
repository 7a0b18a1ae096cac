// What the network back ends share: names, text without case, asking many servers at once.
#include "platform/net/net_support.h"

#include "platform/threads/owned_threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <future>
#include <stop_token>

namespace {

using namespace net;

TEST(NetNames, HostOfDropsLeadingSeparators)
{
    const std::pair<const char*, const char*> cases[] = {
        {"\\\\DC1", "DC1"},
        {"//dc1.vellox.test", "dc1.vellox.test"},
        {"dc1.vellox.test", "dc1.vellox.test"},
        {"DC1", "DC1"},
        {"\\\\", ""},
        {"", ""},
    };
    for (const auto& [server, host] : cases)
        EXPECT_EQ(HostOf(server), host) << server;
}

TEST(NetNames, SplitAccountAtTheFirstBackslash)
{
    using Parts = std::pair<std::string, std::string>;
    EXPECT_EQ(SplitAccount("VELLOX\\vx.plain"), Parts("VELLOX", "vx.plain"));
    EXPECT_EQ(SplitAccount("vx.plain"), Parts("", "vx.plain"));
    EXPECT_EQ(SplitAccount("BUILTIN\\a\\b"), Parts("BUILTIN", "a\\b"));
    EXPECT_EQ(SplitAccount("VELLOX\\"), Parts("VELLOX", ""));
}

// Directory lists come sorted by this order: the one strcasecmp gives (letters as lower
// case, so '_' sorts before them), then the exact bytes.
TEST(NetText, LessNoCaseOrdersAsLowerCaseThenExactly)
{
    std::vector<std::string> names = {"abc", "a_b", "ABC", "aB", "ab", "Zed", "b"};
    std::sort(names.begin(), names.end(), LessNoCase);
    EXPECT_EQ(names, (std::vector<std::string>{"a_b", "aB", "ab", "ABC", "abc", "b", "Zed"}));
    EXPECT_FALSE(LessNoCase("x", "x"));
    EXPECT_TRUE(EqualNoCase("dc1.Vellox.TEST", "DC1.vellox.test"));
    EXPECT_FALSE(EqualNoCase("DC1", "DC10"));
    EXPECT_EQ(UpperAscii("dc1-\xc3\xa9"), "DC1-\xc3\xa9");  // UTF-8 bytes stay as they are
    EXPECT_EQ(Trim(" \t user name \r\n"), "user name");
    EXPECT_EQ(Trim(" \t\r\n"), "");
}

// A gate every call waits at until `expected` calls are inside at once (or a time-out).
struct Gate {
    std::mutex mutex;
    std::condition_variable all;
    std::size_t inside = 0;

    bool Meet(std::size_t expected)
    {
        std::unique_lock lock(mutex);
        ++inside;
        all.notify_all();
        return all.wait_for(lock, std::chrono::seconds(10), [&] { return inside >= expected; });
    }
};

TEST(NetAtOnce, CallsRunSideBySide)
{
    auto gate = std::make_shared<Gate>();
    const auto answers = AskAtOnce<bool>(4, 4, std::nullopt, [gate](std::size_t) { return gate->Meet(4); });
    EXPECT_EQ(answers, std::vector<std::optional<bool>>(4, true));
}

TEST(NetAtOnce, AnswersAfterTheDeadlineAreDropped)
{
    auto release = std::make_shared<std::promise<void>>();
    std::shared_future<void> released = release->get_future().share();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    const auto answers = AskAtOnce<int>(3, 3, deadline, [released](std::size_t i) {
        if (i == 1)
            released.wait();  // a server that answers only after the time limit
        return static_cast<int>(i);
    });
    release->set_value();
    EXPECT_EQ(answers, (std::vector<std::optional<int>>{0, std::nullopt, 2}));
}

TEST(NetAtOnce, StoppedWorkAsksNothingAndReturns)
{
    std::stop_source stop;
    stop.request_stop();
    const threads::StopScope scope(stop.get_token());
    auto asked = std::make_shared<std::atomic<int>>(0);
    const auto answers = AskAtOnce<int>(5, 2, std::nullopt, [asked](std::size_t) { return ++*asked; });
    EXPECT_EQ(answers, std::vector<std::optional<int>>(5));
    EXPECT_EQ(*asked, 0);
}

}  // namespace
