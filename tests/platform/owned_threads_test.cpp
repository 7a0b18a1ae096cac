// The thread registry: a thread counts until its body and what it holds are gone, it
// carries its starter's stop token, and what escapes it ends only that thread.
#include "platform/threads/owned_threads.h"

#include <gtest/gtest.h>

#include <future>
#include <latch>
#include <memory>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;

TEST(OwnedThreads, CountedUntilTheyEndAndCarryingTheStartersStop)
{
    std::stop_source stop;
    std::latch release(1);
    std::promise<bool> sawStop;
    auto held = std::make_shared<int>(0);
    {
        threads::StopScope scope(stop.get_token());
        ASSERT_TRUE(threads::StartOwned([&release, &sawStop, held] {
            release.wait();
            sawStop.set_value(threads::StopRequested());
        }));
    }
    EXPECT_FALSE(threads::StopRequested()) << "the scope gave back the token before it";
    EXPECT_EQ(threads::RunningOwnedThreads(), 1);
    EXPECT_FALSE(threads::WaitForOwnedThreads(10ms));

    stop.request_stop();
    release.count_down();
    EXPECT_TRUE(sawStop.get_future().get());
    ASSERT_TRUE(threads::WaitForOwnedThreads(10s));
    EXPECT_EQ(held.use_count(), 1) << "what the thread held went before it counted as ended";
}

TEST(OwnedThreads, WhatEscapesAThreadEndsOnlyThatThread)
{
    ASSERT_TRUE(threads::StartOwned([] { throw std::runtime_error("lost"); }));
    EXPECT_TRUE(threads::WaitForOwnedThreads(10s));
    EXPECT_EQ(threads::RunningOwnedThreads(), 0);
}

}  // namespace
