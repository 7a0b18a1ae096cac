// How soon the program answers while something else is slow, each against a peer
// measured in the same run (medians of the rounds):
// - Stop of a local owner walk over 100 folders of 400 files, with 1 and 2 threads: the
//   time from Stop to the walk's end, against the time one folder takes in a full walk
//   of the same tree. Stop should cost about the folder under way, not the tree.
// - A sample-domain read while another thread sits in a delayed call, against the same
//   read with nothing else under way. The delay is taken outside the domain's lock, so
//   the ratio should be about 1.
//
//   latency_bench [--rounds N] [--dir DIR]
#include "platform/files/local_walk.h"
#include "platform/net/sample/sim_netapi.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDirs = 100;
constexpr int kFilesPerDir = 400;
constexpr unsigned kListingsBeforeStop = 3;
constexpr auto kSlowCall = std::chrono::milliseconds(800);
constexpr int kReadsPerRound = 200;
const std::string kPdc = "\\\\VELLOX-PDC";

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void MakeTree(const std::string& root)
{
    for (int d = 0; d < kDirs; ++d) {
        const std::string dir = root + "/d" + std::to_string(d);
        std::filesystem::create_directory(dir);
        const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int f = 0; f < kFilesPerDir; ++f) {
            const int fd = ::openat(dirFd, std::to_string(f).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd >= 0)
                ::close(fd);
        }
        ::close(dirFd);
    }
}

// One full walk: its time per folder listed.
double SecondsPerFolder(const std::string& root, unsigned threads)
{
    std::atomic<bool> stop{false};
    const auto start = Clock::now();
    const files::WalkResult result = files::detail::WalkLocal(root, threads, stop);
    return Seconds(Clock::now() - start) / static_cast<double>(std::max<std::uint64_t>(result.directories, 1));
}

// A walk stopped once a few folders are listed: the time from Stop to its end.
double StopLatency(const std::string& root, unsigned threads)
{
    std::atomic<bool> stop{false};
    std::atomic<unsigned> listings{0};
    std::promise<void> started;
    files::detail::LocalWalkHooks hooks;
    hooks.afterListing = [&](std::size_t) {
        if (++listings == kListingsBeforeStop)
            started.set_value();
    };
    std::thread walker([&] { files::detail::WalkLocal(root, threads, stop, hooks); });
    started.get_future().wait();
    const auto stopped = Clock::now();
    stop = true;
    walker.join();
    return Seconds(Clock::now() - stopped);
}

void BenchStop(const std::string& base, int rounds)
{
    std::string pattern = base + "/vellox-latency-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("latency_bench: mkdtemp");
        std::exit(1);
    }
    MakeTree(pattern);
    std::printf("Stop of a local owner walk (%d folders of %d files), median of %d rounds\n", kDirs, kFilesPerDir,
                rounds);
    for (unsigned threads : {1u, 2u}) {
        SecondsPerFolder(pattern, threads);  // warms the caches
        std::vector<double> perFolder, latency;
        for (int i = 0; i < rounds; ++i) {
            perFolder.push_back(SecondsPerFolder(pattern, threads));
            latency.push_back(StopLatency(pattern, threads));
        }
        const double folder = Median(perFolder), stop = Median(latency);
        std::printf("  %u thread%s: Stop to end %.3f ms, one folder %.3f ms, ratio %.2f\n", threads,
                    threads == 1 ? " " : "s", stop * 1e3, folder * 1e3, stop / folder);
    }
    std::filesystem::remove_all(pattern);
}

// The median time of a read of one account.
double ReadSeconds(net::SimNetApi& api)
{
    std::vector<double> times;
    for (int i = 0; i < kReadsPerRound; ++i) {
        net::USER_INFO_3 info;
        const auto start = Clock::now();
        api.UserGetInfo(kPdc, "abrown", info);
        times.push_back(Seconds(Clock::now() - start));
    }
    return Median(times);
}

// The same reads while another thread sits in a delayed call.
double ReadSecondsBesideADelayedCall(net::SimNetApi& api)
{
    api.SetCallDelay(kSlowCall);
    std::promise<void> inside;
    std::once_flag once;
    api.SetRequestObserver([&](const std::string&) { std::call_once(once, [&] { inside.set_value(); }); });
    std::thread worker([&] {
        std::vector<net::USER_INFO_0> users;
        api.UserEnum(kPdc, net::FILTER_NORMAL_ACCOUNT, users);
    });
    inside.get_future().wait();
    api.SetRequestObserver({});
    api.SetCallDelay(std::chrono::milliseconds(0));
    const double seconds = ReadSeconds(api);
    worker.join();
    return seconds;
}

void BenchRead(int rounds)
{
    std::string error;
    auto api = net::SimNetApi::FromFile(VELLOX_SAMPLE_FILE, error);
    if (!api) {
        std::fprintf(stderr, "latency_bench: %s\n", error.c_str());
        std::exit(1);
    }
    std::vector<double> alone, beside;
    for (int i = 0; i < rounds; ++i) {
        alone.push_back(ReadSeconds(*api));
        beside.push_back(ReadSecondsBesideADelayedCall(*api));
    }
    const double peer = Median(alone), read = Median(beside);
    std::printf("Sample-domain read, median of %d rounds of %d\n", rounds, kReadsPerRound);
    std::printf("  alone %.3f us, beside a delayed call %.3f us, ratio %.2f\n", peer * 1e6, read * 1e6, read / peer);
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = 5;
    std::string base = std::filesystem::temp_directory_path().string();
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (!std::strcmp(argv[i], "--dir") && i + 1 < argc) {
            base = argv[++i];
        } else {
            std::fprintf(stderr, "usage: latency_bench [--rounds N] [--dir DIR]\n");
            return 2;
        }
    }
    BenchStop(base, rounds);
    BenchRead(rounds);
    return 0;
}
