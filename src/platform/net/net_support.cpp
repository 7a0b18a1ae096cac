#include "platform/net/net_support.h"

#include "platform/threads/owned_threads.h"

#include <algorithm>
#include <condition_variable>

namespace net {
namespace {

char UpperChar(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

unsigned char LowerChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

// NetUserEnum filter bits and the account kinds they ask for.
constexpr std::pair<std::uint32_t, std::uint32_t> kFilterKinds[] = {
    {FILTER_TEMP_DUPLICATE_ACCOUNT, UF_TEMP_DUPLICATE_ACCOUNT},
    {FILTER_NORMAL_ACCOUNT, UF_NORMAL_ACCOUNT},
    {FILTER_INTERDOMAIN_TRUST_ACCOUNT, UF_INTERDOMAIN_TRUST_ACCOUNT},
    {FILTER_WORKSTATION_TRUST_ACCOUNT, UF_WORKSTATION_TRUST_ACCOUNT},
    {FILTER_SERVER_TRUST_ACCOUNT, UF_SERVER_TRUST_ACCOUNT},
};

}  // namespace

std::string HostOf(const std::string& server)
{
    const std::size_t start = server.find_first_not_of("\\/");
    return start == std::string::npos ? std::string() : server.substr(start);
}

std::pair<std::string, std::string> SplitAccount(const std::string& account)
{
    const auto slash = account.find('\\');
    if (slash == std::string::npos)
        return {std::string(), account};
    return {account.substr(0, slash), account.substr(slash + 1)};
}

std::string UpperAscii(std::string_view text)
{
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperChar);
    return upper;
}

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return static_cast<char>(LowerChar(c)); });
    return lower;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerChar(x) == LowerChar(y); });
}

bool SameHostName(const std::string& a, const std::string& b)
{
    return EqualNoCase(a, b);
}

bool LessNoCase(std::string_view a, std::string_view b)
{
    const auto less = [](char x, char y) { return LowerChar(x) < LowerChar(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), less))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), less))
        return false;
    return a < b;
}

std::string Trim(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(kBlanks);
    return std::string(text.substr(first, last - first + 1));
}

std::uint32_t AccountKindsOfFilter(std::uint32_t filter)
{
    std::uint32_t kinds = 0;
    for (const auto& [bit, kind] : kFilterKinds)
        if (filter & bit)
            kinds |= kind;
    return kinds;
}

bool IsComputerAccount(std::uint32_t flags)
{
    return (flags & (UF_WORKSTATION_TRUST_ACCOUNT | UF_SERVER_TRUST_ACCOUNT)) != 0;
}

void RunAtOnce(std::size_t count, std::size_t atOnce, Deadline deadline, std::function<void(std::size_t)> work)
{
    struct Round {
        std::mutex mutex;
        std::condition_variable done;
        std::size_t running = 0;
        std::size_t next = 0;
        std::function<void(std::size_t)> work;
    };
    // A thread leaves the round however its work ends.
    struct Leave {
        std::shared_ptr<Round> round;
        ~Leave()
        {
            std::lock_guard lock(round->mutex);
            --round->running;
            round->done.notify_all();
        }
    };
    auto round = std::make_shared<Round>();
    round->work = std::move(work);
    const std::size_t workers = std::min(count, atOnce);
    for (std::size_t w = 0; w < workers; ++w) {
        {
            std::lock_guard lock(round->mutex);
            ++round->running;
        }
        const bool started = threads::StartOwned([round, count, deadline] {
            const Leave leave{round};
            for (;;) {
                if (threads::StopRequested() || (deadline && std::chrono::steady_clock::now() >= *deadline))
                    return;
                std::size_t i = 0;
                {
                    std::lock_guard lock(round->mutex);
                    i = round->next++;
                }
                if (i >= count)
                    return;
                round->work(i);
            }
        });
        if (!started) {
            const Leave refused{round};
        }
    }
    std::unique_lock lock(round->mutex);
    const auto finished = [&] { return round->running == 0; };
    if (deadline)
        round->done.wait_until(lock, *deadline, finished);
    else
        round->done.wait(lock, finished);
}

}  // namespace net
