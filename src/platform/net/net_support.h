// What the network back ends share: server and account names, text compared without
// case, the account kinds of a NetUserEnum filter, and asking many servers at once.
#pragma once

#include "platform/net/netapi.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace net {

// SMB over TCP: the port a server of the Net functions listens on.
inline constexpr std::uint16_t kSmbPort = 445;

// "\\DC1", "//DC1" and "DC1" all name the host "DC1"; empty stays empty.
std::string HostOf(const std::string& server);

// "DOMAIN\name" -> {"DOMAIN", "name"}; without a backslash the domain is empty.
std::pair<std::string, std::string> SplitAccount(const std::string& account);

// Names of servers, domains and accounts, and the directory's attribute names, compare
// without case; only ASCII letters change case (the text is UTF-8).
std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);
// Without case first, then by the exact bytes, so that names differing only in case
// keep a fixed order.
bool LessNoCase(std::string_view a, std::string_view b);
// Without blanks (space, tab, CR, LF) at either end.
std::string Trim(std::string_view text);

// The account kinds (UF_ account-type bits) a NetUserEnum filter asks for; 0 for a
// filter that names no kind (filter 0 asks for every kind).
std::uint32_t AccountKindsOfFilter(std::uint32_t filter);
// A workstation or server trust account: a computer's.
bool IsComputerAccount(std::uint32_t flags);

using Deadline = std::optional<std::chrono::steady_clock::time_point>;

// How many servers a list of servers asks at once.
inline constexpr std::size_t kServersAtOnce = 16;

// Calls `work(i)` for every i below `count` on at most `atOnce` owned threads, which
// carry the caller's stop token; none starts once the work is stopped or the deadline
// has passed. Returns when every thread is done or, with a deadline, once it passes:
// calls still running then go on alone, so `work` must own what it uses.
void RunAtOnce(std::size_t count, std::size_t atOnce, Deadline deadline, std::function<void(std::size_t)> work);

// What `ask(i)` answers (an Answer, or nullopt for none) for every i below `count`,
// asked as RunAtOnce says; nullopt where no answer came in time.
template <class Answer, class Ask>
std::vector<std::optional<Answer>> AskAtOnce(std::size_t count, std::size_t atOnce, Deadline deadline, Ask ask)
{
    struct Answers {
        std::mutex mutex;
        std::vector<std::optional<Answer>> values;
    };
    auto answers = std::make_shared<Answers>();
    answers->values.resize(count);
    RunAtOnce(count, atOnce, deadline, [answers, ask = std::move(ask)](std::size_t i) {
        std::optional<Answer> answer = ask(i);
        std::lock_guard lock(answers->mutex);
        answers->values[i] = std::move(answer);
    });
    std::lock_guard lock(answers->mutex);
    return answers->values;
}

}  // namespace net
