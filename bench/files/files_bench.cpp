// Owner walk against du -s and find | awk on one cached tree of 1,000,000 files in
// 20,000 directories with 50 owners.
//
//   files_bench [--dir DIR] [--rounds N]
//   files_bench --smb [--dc-dir DIR] [--rounds N] [--rtt-ms X]
//
// --smb (root): the walk of an SMB share against smbclient's recursive listing of the
// same tree, in the same run, on a controller of its own (scripts/local-dc in DIR,
// default /var/tmp/vx-files-dc or $VELLOX_BENCH_FILES_DC_DIR; the bench starts it
// and stops it again). The tree, 20,000 files in 200 folders with three owners, is
// made once on the controller's netlogon share and kept. The walk runs with 1, 2 and
// 4 connections; a counting proxy on the client namespace's loopback gives the
// requests each sends per file. --rtt-ms X times the runs through that proxy, which
// then holds the data X/2 ms each way: a network with a round trip of X ms.
//
// The tree is built once (DIR, default /tmp/vellox-files-bench/tree) and reused while
// its marker file matches. Run as root, the 50 owners are real uids with names: the
// bench runs in a mount namespace of its own where /etc/passwd is a copy with 50
// extra accounts, so nothing outside this process sees them. Every measurement runs
// in a child process, which gives its wall time, CPU time and peak memory.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <libsmbclient.h>

#include "client_namespace.h"
#include "platform/files/owner_walk.h"
#include "platform/net/credentials.h"
#include "smb_counting_proxy.h"

namespace {

constexpr int kTopDirs = 20;
constexpr int kDirsPerTop = 1000;
constexpr int kFilesPerDir = 50;
constexpr int kOwners = 50;
constexpr uid_t kFirstUid = 61000;
constexpr const char* kMarker = "vellox-files-bench tree v1 20x1000x50 owners 50";

std::string g_base = "/tmp/vellox-files-bench";

std::string TreeDir()
{
    return g_base + "/tree";
}

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "files_bench: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

bool TreeIsCached()
{
    std::ifstream marker(g_base + "/complete");
    std::string line;
    return std::getline(marker, line) && line == kMarker;
}

// File n of the tree: its owner and size, spread so that owners mix in every folder.
uid_t OwnerOf(unsigned n)
{
    return kFirstUid + (n * 2654435761u >> 7) % kOwners;
}
off_t SizeOf(unsigned n)
{
    return static_cast<off_t>((n * 40503u) % 65536u);
}

void BuildTree()
{
    std::string command = "rm -rf '" + g_base + "'";
    if (std::system(command.c_str()) != 0)
        Fail("remove old tree");
    if (mkdir(g_base.c_str(), 0755) != 0 || mkdir(TreeDir().c_str(), 0755) != 0)
        Fail("mkdir " + g_base);
    bool chown = geteuid() == 0;
    std::printf("building %s (%d files)%s ...\n", TreeDir().c_str(), kTopDirs * kDirsPerTop * kFilesPerDir,
                chown ? "" : " with one owner (not root)");
    std::fflush(stdout);
    auto started = std::chrono::steady_clock::now();
    int root = open(TreeDir().c_str(), O_RDONLY | O_DIRECTORY);
    if (root < 0)
        Fail("open tree");
    unsigned n = 0;
    for (int t = 0; t < kTopDirs; ++t) {
        std::string top = "t" + std::to_string(t);
        if (mkdirat(root, top.c_str(), 0755) != 0)
            Fail("mkdir");
        int topFd = openat(root, top.c_str(), O_RDONLY | O_DIRECTORY);
        for (int d = 0; d < kDirsPerTop; ++d) {
            std::string dir = "d" + std::to_string(d);
            if (mkdirat(topFd, dir.c_str(), 0755) != 0)
                Fail("mkdir");
            int dirFd = openat(topFd, dir.c_str(), O_RDONLY | O_DIRECTORY);
            for (int f = 0; f < kFilesPerDir; ++f, ++n) {
                std::string name = "file" + std::to_string(f);
                int fd = openat(dirFd, name.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
                if (fd < 0)
                    Fail("create");
                if (ftruncate(fd, SizeOf(n)) != 0)
                    Fail("truncate");
                if (chown && fchown(fd, OwnerOf(n), 0) != 0)
                    Fail("chown");
                close(fd);
            }
            close(dirFd);
        }
        close(topFd);
        std::printf("  %d/%d\n", t + 1, kTopDirs);
        std::fflush(stdout);
    }
    close(root);
    std::ofstream(g_base + "/complete") << kMarker << '\n';
    std::printf("built in %.0f s\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
}

// A private /etc/passwd with the bench accounts, seen by this process and its children.
bool NameTheOwners()
{
    if (geteuid() != 0)
        return false;
    std::string copy = g_base + "/passwd";
    {
        std::ifstream in("/etc/passwd");
        std::ofstream out(copy);
        out << in.rdbuf();
        for (int i = 0; i < kOwners; ++i)
            out << "benchuser" << i << ":x:" << kFirstUid + i << ":" << kFirstUid + i
                << "::/nonexistent:/usr/sbin/nologin\n";
    }
    return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount(copy.c_str(), "/etc/passwd", nullptr, MS_BIND, nullptr) == 0;
}

struct Measured {
    double wall = 0;
    double cpu = 0;
    double maxRssMb = 0;
    std::string output;
};

// Runs `body` in a child whose standard output is captured.
Measured InChild(const std::function<int()>& body)
{
    int fds[2];
    if (pipe(fds) != 0)
        Fail("pipe");
    std::fflush(nullptr);
    auto started = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child < 0)
        Fail("fork");
    if (child == 0) {
        close(fds[0]);
        dup2(fds[1], 1);
        close(fds[1]);
        int rc = body();
        std::fflush(nullptr);
        _exit(rc);
    }
    close(fds[1]);
    Measured m;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0)
        m.output.append(buffer, static_cast<std::size_t>(got));
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    m.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    m.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    m.maxRssMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "files_bench: a measured run failed\n");
        std::exit(1);
    }
    return m;
}

// A walk's counts and totals, as the child prints them for the parent to compare.
void PrintResult(const files::WalkResult& result)
{
    std::printf("files %llu dirs %llu\n", static_cast<unsigned long long>(result.files),
                static_cast<unsigned long long>(result.directories));
    for (const files::OwnerTotal& total : result.owners)
        std::printf("%d %s %llu\n", static_cast<int>(total.owner.kind), total.owner.name.c_str(),
                    static_cast<unsigned long long>(total.bytes));
}

Measured Walk(unsigned threads)
{
    return InChild([threads] {
        std::atomic<bool> stop{false};
        files::WalkOptions options;
        options.threads = threads;
        PrintResult(files::WalkOwners(TreeDir(), options, stop));
        return 0;
    });
}

Measured Shell(const std::string& command)
{
    return InChild([command] {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        return 127;
    });
}

// Per-uid byte totals from find | awk, and per-owner totals from the walk's output,
// compared by owner count and the sums.
bool SameTotals(const std::string& walk, const std::string& find)
{
    std::vector<unsigned long long> walkBytes, findBytes;
    std::istringstream w(walk), f(find);
    std::string line;
    std::getline(w, line);
    while (std::getline(w, line))
        walkBytes.push_back(std::stoull(line.substr(line.rfind(' ') + 1)));
    while (std::getline(f, line))
        findBytes.push_back(std::stoull(line.substr(line.find(' ') + 1)));
    std::sort(walkBytes.begin(), walkBytes.end());
    std::sort(findBytes.begin(), findBytes.end());
    return walkBytes == findBytes;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// --- SMB mode ------------------------------------------------------------------------

constexpr int kSmbFolders = 200;
constexpr int kSmbFilesPerFolder = 100;
constexpr const char* kSmbServer = "192.0.2.10";
constexpr const char* kSmbShare = "netlogon";
constexpr const char* kSmbTree = "vx-files-bench";
constexpr const char* kSmbMarker = "vx-files-bench.complete-v2";  // beside the tree

files::SmbCredentials g_smbCredentials;

void SmbAuthenticate(SMBCCTX*, const char*, const char*, char* workgroup, int workgroupRoom, char* user, int userRoom,
                     char* password, int passwordRoom)
{
    std::snprintf(workgroup, static_cast<std::size_t>(workgroupRoom), "%s", g_smbCredentials.domain.c_str());
    std::snprintf(user, static_cast<std::size_t>(userRoom), "%s", g_smbCredentials.user.c_str());
    std::snprintf(password, static_cast<std::size_t>(passwordRoom), "%s", g_smbCredentials.password.c_str());
}

// The controller's administrator, read by the program's own auth-file parser.
files::SmbCredentials ReadAuthFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const net::Credentials parsed = net::ParseAuthText(text.str());
    return {parsed.user, parsed.domain.empty() ? "VELLOX" : parsed.domain, parsed.password};
}

std::string SmbTreeUrl(const std::string& host)
{
    return "smb://" + host + "/" + kSmbShare + "/" + kSmbTree + "/";
}

// File n of the share: its size, and which of the three owners has it.
std::size_t SmbSizeOf(unsigned n)
{
    return (n * 40503u) % 65536u;
}
int SmbOwnerOf(unsigned n)
{
    return static_cast<int>((n * 2654435761u >> 9) % 3);
}

// Makes the share's tree unless its marker is there: files with their sizes, the
// first owner the creator, the others two test accounts (by SID, read back once).
bool MakeSmbTree()
{
    SMBCCTX* context = smbc_new_context();
    smbc_setFunctionAuthDataWithContext(context, SmbAuthenticate);
    smbc_setOptionNoAutoAnonymousLogin(context, true);
    if (!smbc_init_context(context))
        Fail("smbc_init_context");
    const std::string url = SmbTreeUrl(kSmbServer);
    const std::string marker = "smb://" + std::string(kSmbServer) + "/" + kSmbShare + "/" + kSmbMarker;
    struct stat st { };
    if (smbc_getFunctionStat(context)(context, marker.c_str(), &st) == 0) {
        smbc_free_context(context, 1);
        return true;
    }
    std::printf("making %d files in %d folders on \\\\%s\\%s\\%s ...\n", kSmbFolders * kSmbFilesPerFolder, kSmbFolders,
                kSmbServer, kSmbShare, kSmbTree);
    std::fflush(stdout);
    auto started = std::chrono::steady_clock::now();
    smbc_getFunctionMkdir(context)(context, url.c_str(), 0755);               // may exist from a broken run
    smbc_getFunctionUnlink(context)(context, (url + "complete-v1").c_str());  // an older bench's marker
    const char* names[] = {nullptr, "VELLOX\\vx.plain", "VELLOX\\vx.writer"};
    std::string sids[3];
    unsigned n = 0;
    for (int d = 0; d < kSmbFolders; ++d) {
        std::string folder = url + "folder" + std::to_string(d) + "/";
        smbc_getFunctionMkdir(context)(context, folder.c_str(), 0755);
        for (int f = 0; f < kSmbFilesPerFolder; ++f, ++n) {
            std::string file = folder + "file" + std::to_string(f) + ".dat";
            SMBCFILE* handle = smbc_getFunctionCreat(context)(context, file.c_str(), 0644);
            if (!handle)
                Fail("create " + file);
            if (smbc_getFunctionFtruncate(context)(context, handle, static_cast<off_t>(SmbSizeOf(n))) != 0)
                Fail("truncate " + file);
            smbc_getFunctionClose(context)(context, handle);
            int owner = SmbOwnerOf(n);
            if (!names[owner])
                continue;
            if (sids[owner].empty()) {
                if (smbc_getFunctionSetxattr(context)(context, file.c_str(), "system.nt_sec_desc.owner+", names[owner],
                                                      std::strlen(names[owner]), 0) != 0)
                    Fail(std::string("set owner ") + names[owner]);
                char value[256] = {};
                if (smbc_getFunctionGetxattr(context)(context, file.c_str(), "system.nt_sec_desc.owner", value,
                                                      sizeof value) < 0)
                    Fail("read owner SID");
                sids[owner] = value;
            } else if (smbc_getFunctionSetxattr(context)(context, file.c_str(), "system.nt_sec_desc.owner",
                                                         sids[owner].c_str(), sids[owner].size(), 0) != 0) {
                Fail("set owner of " + file);
            }
        }
        if ((d + 1) % 20 == 0) {
            std::printf("  %d/%d folders\n", d + 1, kSmbFolders);
            std::fflush(stdout);
        }
    }
    SMBCFILE* made = smbc_getFunctionCreat(context)(context, marker.c_str(), 0644);
    if (!made)
        Fail("marker");
    smbc_getFunctionClose(context)(context, made);
    smbc_free_context(context, 1);
    std::printf("made in %.0f s\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    return true;
}

Measured SmbWalk(const std::string& host, unsigned connections)
{
    return InChild([host, connections] {
        std::atomic<bool> stop{false};
        files::WalkOptions options;
        options.threads = connections;
        options.credentials = g_smbCredentials;
        PrintResult(files::WalkOwners(SmbTreeUrl(host), options, stop));
        return 0;
    });
}

int LocalDc(const std::string& verb, const std::string& dir)
{
    std::string command = std::string(VELLOX_LOCAL_DC_SCRIPT) + " " + verb + " '" + dir + "' >&2";
    return std::system(command.c_str());
}

int RunSmbBench(const std::string& dcDir, int rounds, double rttMs)
{
    if (geteuid() != 0) {
        std::fprintf(stderr, "files_bench --smb needs root (network namespaces)\n");
        return 2;
    }
    std::fflush(nullptr);
    if (LocalDc("start", dcDir) != 0 || LocalDc("populate", dcDir) != 0) {
        std::fprintf(stderr, "files_bench: the controller of %s did not start (another one running?)\n", dcDir.c_str());
        return 1;
    }
    int status = [&] {
        std::string error;
        if (!vxns::EnterNetworkNamespace("vx-client", error)) {
            std::fprintf(stderr, "files_bench: %s\n", error.c_str());
            return 1;
        }
        g_smbCredentials = ReadAuthFile(dcDir + "/admin.auth");
        // Made in a child, so that this process starts no Samba library before the walks.
        std::printf("%s", InChild([] { return MakeSmbTree() ? 0 : 1; }).output.c_str());
        const unsigned total = kSmbFolders * kSmbFilesPerFolder;
        std::printf("share \\\\%s\\%s\\%s: %u files in %d folders, 3 owners\n", kSmbServer, kSmbShare, kSmbTree, total,
                    kSmbFolders);

        const std::string auth = "'" + dcDir + "/admin.auth'";
        auto smbclient = [&](const std::string& host, const std::string& port) {
            std::string command = "smbclient //" + host + "/" + kSmbShare + port + " -A " + auth + " -c 'cd " +
                                  kSmbTree + "; recurse; ls' >/dev/null 2>&1";
            return Shell(command);
        };

        // Requests, counted once each by a proxy; results compared between the runs.
        vxtest::SmbCountingProxy proxy(kSmbServer);
        if (proxy.Port() == 0)
            Fail("proxy");
        const std::string proxied = "127.0.0.1";  // the proxy's port is 445
        const std::vector<unsigned> connections = {1, 2, 4};
        std::map<unsigned, double> perFile;
        std::string reference;
        for (unsigned c : connections) {
            proxy.Reset();
            Measured m = SmbWalk(proxied, c);
            perFile[c] = static_cast<double>(proxy.Requests()) / total;
            if (reference.empty())
                reference = m.output;
            if (m.output != reference) {
                std::fprintf(stderr, "files_bench: the walk over %u connections differs:\n%s\nfrom:\n%s", c,
                             m.output.c_str(), reference.c_str());
                return 1;
            }
            if (c == 1) {
                std::printf("requests of the walk, 1 connection:");
                for (const auto& [name, count] : proxy.ByCommand())
                    std::printf(" %s %llu", name.c_str(), static_cast<unsigned long long>(count));
                std::printf("\n");
            }
        }
        proxy.Reset();
        smbclient("127.0.0.1", "");
        double smbclientPerFile = static_cast<double>(proxy.Requests()) / total;
        std::printf("%s", reference.c_str());
        if (reference.rfind("files " + std::to_string(total) + " ", 0) != 0) {
            std::fprintf(stderr, "files_bench: the walk did not count %u files\n", total);
            return 1;
        }

        // Timed directly, without the proxy (or through it with the round trip asked
        // for); the caches warmed by the runs above.
        std::string timedHost = kSmbServer;
        if (rttMs > 0) {
            proxy.SetDelay(std::chrono::microseconds(static_cast<long>(rttMs * 500)));
            timedHost = "127.0.0.1";
            std::printf("timed through the proxy, with a round trip of %.2f ms added\n", rttMs);
        }
        std::map<std::string, std::vector<double>> wall, cpu;
        std::vector<std::string> names;
        for (unsigned c : connections)
            names.push_back("walk, " + std::to_string(c) + " conn.");
        names.push_back("smbclient ls -R");
        for (int round = 0; round < rounds; ++round) {
            for (std::size_t i = 0; i < connections.size(); ++i) {
                Measured m = SmbWalk(timedHost, connections[i]);
                if (m.output != reference) {
                    std::fprintf(stderr, "files_bench: walk results changed between runs\n");
                    return 1;
                }
                wall[names[i]].push_back(m.wall);
                cpu[names[i]].push_back(m.cpu);
            }
            Measured m = smbclient(timedHost, "");
            wall[names.back()].push_back(m.wall);
            cpu[names.back()].push_back(m.cpu);
        }
        std::printf("\n%-18s %10s %10s %10s %14s\n", "run", "best s", "median s", "cpu s", "requests/file");
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string& name = names[i];
            double requests = i < connections.size() ? perFile[connections[i]] : smbclientPerFile;
            std::printf("%-18s %10.3f %10.3f %10.3f %14.2f\n", name.c_str(),
                        *std::min_element(wall[name].begin(), wall[name].end()), Median(wall[name]), Median(cpu[name]),
                        requests);
        }
        double lsBest = *std::min_element(wall[names.back()].begin(), wall[names.back()].end());
        std::printf("\n");
        for (std::size_t i = 0; i < connections.size(); ++i) {
            double best = *std::min_element(wall[names[i]].begin(), wall[names[i]].end());
            std::printf("walk (%u conn.) / smbclient, best of %d: %.2f (goal: at most 4); medians %.2f\n",
                        connections[i], rounds, best / lsBest, Median(wall[names[i]]) / Median(wall[names.back()]));
        }
        std::printf("requests per file (walk, 1 connection): %.2f (goal: at most 3)\n", perFile[1]);
        return 0;
    }();
    std::fflush(nullptr);
    LocalDc("stop", dcDir);
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = 3;
    bool smb = false;
    double rttMs = 0;
    const char* dcFromEnv = std::getenv("VELLOX_BENCH_FILES_DC_DIR");
    std::string dcDir = dcFromEnv && *dcFromEnv ? dcFromEnv : "/var/tmp/vx-files-dc";
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--dir" && i + 1 < argc) {
            g_base = argv[++i];
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--smb") {
            smb = true;
        } else if (arg == "--dc-dir" && i + 1 < argc) {
            dcDir = argv[++i];
        } else if (arg == "--rtt-ms" && i + 1 < argc) {
            rttMs = std::atof(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: files_bench [--dir DIR] [--rounds N]\n"
                                 "       files_bench --smb [--dc-dir DIR] [--rounds N] [--rtt-ms X]\n");
            return 2;
        }
    }
    if (smb)
        return RunSmbBench(dcDir, rounds, rttMs);
    if (!TreeIsCached())
        BuildTree();
    bool named = NameTheOwners();
    std::printf("tree %s: %d files in %d directories, %d owners%s\n", TreeDir().c_str(),
                kTopDirs * kDirsPerTop * kFilesPerDir, kTopDirs * kDirsPerTop + kTopDirs + 1, kOwners,
                named ? " (named in a private passwd)" : "");

    const std::string tree = "'" + TreeDir() + "'";
    const std::string du = "du -s " + tree + " >/dev/null";
    const std::string find = "find " + tree +
                             " -type f -printf '%U %s\\n' | "
                             "awk '{s[$1]+=$2} END {for (u in s) print u, s[u]}'";

    // Warm the caches once, and check the results agree before timing anything.
    Measured one = Walk(1), two = Walk(2), listed = Shell(find);
    Shell(du);
    if (one.output != two.output) {
        std::fprintf(stderr, "files_bench: the two-thread walk differs from the one-thread walk\n");
        return 1;
    }
    if (!SameTotals(one.output, listed.output)) {
        std::fprintf(stderr, "files_bench: the walk's totals differ from find's\n");
        return 1;
    }
    std::printf("%s", one.output.substr(0, one.output.find('\n') + 1).c_str());

    std::map<std::string, std::vector<double>> wall, cpu, rss;
    const std::vector<std::string> names = {"walk, 1 thread", "walk, 2 threads", "du -s", "find | awk"};
    for (int round = 0; round < rounds; ++round) {
        Measured runs[] = {Walk(1), Walk(2), Shell(du), Shell(find)};
        if (runs[1].output != one.output || runs[0].output != one.output) {
            std::fprintf(stderr, "files_bench: walk results changed between runs\n");
            return 1;
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            wall[names[i]].push_back(runs[i].wall);
            cpu[names[i]].push_back(runs[i].cpu);
            rss[names[i]].push_back(runs[i].maxRssMb);
        }
    }

    std::printf("\n%-18s %10s %10s %10s %12s\n", "run", "best s", "median s", "cpu s", "peak MB");
    for (const std::string& name : names)
        std::printf("%-18s %10.3f %10.3f %10.3f %12.1f\n", name.c_str(),
                    *std::min_element(wall[name].begin(), wall[name].end()), Median(wall[name]), Median(cpu[name]),
                    Median(rss[name]));
    double duBest = *std::min_element(wall["du -s"].begin(), wall["du -s"].end());
    double walkBest = *std::min_element(wall["walk, 2 threads"].begin(), wall["walk, 2 threads"].end());
    std::printf("\ndu -s / walk (2 threads), best of %d: %.2f (goal: at least 2)\n", rounds, duBest / walkBest);
    std::printf("du -s / walk (2 threads), medians:   %.2f\n", Median(wall["du -s"]) / Median(wall["walk, 2 threads"]));
    return 0;
}
