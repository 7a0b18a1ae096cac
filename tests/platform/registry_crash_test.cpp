// The store when the process saving it is killed at a random moment: the file always
// holds one whole set of values, and the next open clears what the killed save left.
#include "platform/registry/registry.h"

#include "registry_test_env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace reg;

namespace {

constexpr char kSubKey[] = "Software\\Tavro\\Vellox";
constexpr int kValueCount = 48;  // about 4 KiB of text a set
constexpr int kKills = 100;

std::string ValueName(int i)
{
    return "value_" + std::to_string(i);
}

// Value i of set 0 (old) or set 1 (new): texts that differ in every value.
std::string ValueText(int set, int i)
{
    return std::string(set ? "new-" : "old-") + std::to_string(i) + "-" + std::string(80, set ? 'N' : 'o');
}

// Writes every value of the set and closes the key, which replaces the file.
LONG SaveSet(int set)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyEx(HKEY_CURRENT_USER, kSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    for (int i = 0; i < kValueCount; ++i) {
        std::string text = ValueText(set, i);
        RegSetValueEx(key, ValueName(i).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                      static_cast<DWORD>(text.size() + 1));
    }
    DWORD marker = static_cast<DWORD>(set);
    RegSetValueEx(key, "set", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&marker), sizeof marker);
    return RegCloseKey(key);
}

// Opens the store as the program does at start and names the set it holds: 0 or 1, or
// -1 with a description in *problem when values are missing or from both sets.
int OpenAndReadSet(std::string* problem)
{
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, kSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                       nullptr) != ERROR_SUCCESS) {
        *problem = "open failed";
        return -1;
    }
    std::set<int> sets;
    DWORD marker = 0, type = REG_NONE, size = sizeof marker;
    if (RegQueryValueEx(key, "set", nullptr, &type, reinterpret_cast<BYTE*>(&marker), &size) == ERROR_SUCCESS &&
        type == REG_DWORD)
        sets.insert(static_cast<int>(marker));
    else
        *problem += "set marker missing; ";
    for (int i = 0; i < kValueCount; ++i) {
        char buffer[256];
        size = sizeof buffer;
        if (RegQueryValueEx(key, ValueName(i).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ || size == 0) {
            *problem += ValueName(i) + " missing; ";
            continue;
        }
        std::string text(buffer, size - 1);
        if (text == ValueText(0, i))
            sets.insert(0);
        else if (text == ValueText(1, i))
            sets.insert(1);
        else
            *problem += ValueName(i) + " is \"" + text + "\"; ";
    }
    RegCloseKey(key);
    if (sets.size() != 1)
        *problem += "values of " + std::to_string(sets.size()) + " sets; ";
    return problem->empty() ? *sets.begin() : -1;
}

std::set<std::string> FolderEntries(const std::string& dir)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

// Forks a child that saves the two sets in turn until it is killed. Returns its pid once
// it reports that it is about to save, or -1.
pid_t StartSaver()
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        char started = 1;
        if (::write(fds[1], &started, 1) != 1)
            ::_exit(2);
        for (int n = 1;; ++n)
            if (SaveSet(n % 2) != ERROR_SUCCESS)
                ::_exit(3);
    }
    ::close(fds[1]);
    char started = 0;
    bool ok = pid > 0 && ::read(fds[0], &started, 1) == 1;
    ::close(fds[0]);
    if (!ok && pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return ok ? pid : -1;
}

}  // namespace

TEST(RegistryCrash, KilledSavesLeaveOneWholeSetAndTheNextOpenClearsTheirLeftovers)
{
    regtest::TempConfigHome home;
    // The exact file each set makes, and how long one save takes here.
    ASSERT_EQ(SaveSet(1), ERROR_SUCCESS);
    const std::string newBytes = regtest::ReadBytes(home.Store());
    auto before = std::chrono::steady_clock::now();
    for (int n = 0; n < 5; ++n)
        ASSERT_EQ(SaveSet(n % 2), ERROR_SUCCESS);  // ends on set 0
    auto saveTime = (std::chrono::steady_clock::now() - before) / 5;
    const std::string oldBytes = regtest::ReadBytes(home.Store());
    ASSERT_NE(oldBytes, newBytes);
    ASSERT_GT(oldBytes.size(), 4000u);

    // Kills land anywhere in the first few saves, capped so that the test stays short.
    auto span = std::min<std::chrono::microseconds>(std::chrono::duration_cast<std::chrono::microseconds>(saveTime * 3),
                                                    std::chrono::milliseconds(20));
    std::random_device device;
    const unsigned seed = device();
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, std::max<long>(span.count(), 200));
    int leftovers = 0;
    int sawNew = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill) + ", seed " + std::to_string(seed));
        pid_t pid = StartSaver();
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the saver ended by itself, status " << status;

        const std::string bytes = regtest::ReadBytes(home.Store());
        ASSERT_TRUE(bytes == oldBytes || bytes == newBytes) << "file after the kill:\n" << bytes;
        sawNew += bytes == newBytes;
        if (FolderEntries(home.Folder()).size() > 1)
            ++leftovers;

        std::string problem;
        int set = OpenAndReadSet(&problem);
        ASSERT_EQ(problem, "");
        EXPECT_EQ(set, bytes == newBytes ? 1 : 0);
        ASSERT_EQ(FolderEntries(home.Folder()), std::set<std::string>{"Vellox.reg"});
    }
    std::printf("%d kills: %d left the new set, %d left a temporary file\n", kKills, sawNew, leftovers);
}
