// A USERS report of 10,000 accounts against the window's USERS browse of the same list,
// each a whole run of a program from its start to its end: `vellox --report USERS
// --output FILE` beside window_browse, which opens the window as vellox does, browses
// USERS and exports the list through File > Export. Both go the same way to the same
// controller (the directory route of directory-dc's controller, in the client namespace
// vx-ldap-client), taking turns, and must write the same bytes. The report passes when
// its median run takes no more than the window's median run plus 10%.
//
//   report_bench [--dir DIR] [--rounds N] [--keep]
//
// The controller is provisioned and filled once in DIR (default /var/tmp/vx-ldap-dc, or
// $VELLOX_BENCH_DC_DIR) and reused; it is stopped at the end unless --keep. Needs root.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr double kAllowed = 1.10;

struct Args {
    std::string dir;
    int rounds = 5;
    bool keep = false;
};

Args ParseArgs(int argc, char** argv)
{
    Args args;
    const char* fromEnv = std::getenv("VELLOX_BENCH_DC_DIR");
    args.dir = fromEnv && *fromEnv ? fromEnv : "/var/tmp/vx-ldap-dc";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--dir") && i + 1 < argc) {
            args.dir = argv[++i];
        } else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) {
            args.rounds = std::max(1, std::atoi(argv[++i]));
        } else if (!std::strcmp(argv[i], "--keep")) {
            args.keep = true;
        } else {
            std::fprintf(stderr, "usage: report_bench [--dir DIR] [--rounds N] [--keep]\n");
            std::exit(2);
        }
    }
    return args;
}

int Script(const std::string& verb, const std::string& dir)
{
    const std::string command = std::string(VELLOX_DIRECTORY_DC_SCRIPT) + " " + verb + " '" + dir + "' >&2";
    return std::system(command.c_str());
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs `command` in the controller's client namespace and returns its wall time in
// seconds, or a negative number when it failed.
double TimedRun(const std::string& environment, const std::string& command)
{
    const std::string line = "ip netns exec vx-ldap-client env " + environment + " " + command;
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(line.c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return status == 0 ? seconds : -1;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const Args args = ParseArgs(argc, argv);
    if (geteuid() != 0) {
        std::fprintf(stderr, "report_bench: needs root (network namespaces for the controller)\n");
        return 77;
    }
    if (Script("start", args.dir) != 0 || Script("populate-bulk", args.dir) != 0) {
        std::fprintf(stderr, "report_bench: the controller could not be started or filled\n");
        return 1;
    }
    char work[] = "/tmp/vx-report-bench-XXXXXX";
    if (!::mkdtemp(work))
        return 1;
    const std::string dir = work;
    // No display for either: the window runs offscreen, the report needs none.
    const std::string unset = "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORMTHEME ";
    const std::string common = "XDG_CONFIG_HOME=" + dir + " KRB5CCNAME=FILE:" + dir +
                               "/no-ticket KRB5_CONFIG=" + args.dir + "/krb5.conf LDAPTLS_CACERT=" + args.dir +
                               "/private/tls/ca.pem";
    const std::string server = "'\\\\DC1'";
    const std::string auth = "'" + args.dir + "/admin.auth'";
    const std::string report = std::string(VELLOX_EXE) + " --server " + server + " --auth-file " + auth +
                               " --report USERS --format tsv --output " + dir + "/report.txt";
    const std::string window = std::string(WINDOW_BROWSE_EXE) + " " + server + " " + auth + " " + dir + "/window.txt";

    std::vector<double> reportRuns;
    std::vector<double> windowRuns;
    bool failed = false;
    for (int round = 0; round < args.rounds && !failed; ++round) {
        windowRuns.push_back(TimedRun(unset + common + " QT_QPA_PLATFORM=offscreen", window));
        reportRuns.push_back(TimedRun(unset + "-u QT_QPA_PLATFORM " + common, report));
        failed = windowRuns.back() < 0 || reportRuns.back() < 0;
    }
    const std::string reportBytes = FileBytes(dir + "/report.txt");
    const std::string windowBytes = FileBytes(dir + "/window.txt");
    const long lines = std::count(reportBytes.begin(), reportBytes.end(), '\n');
    if (!args.keep)
        Script("stop", args.dir);
    std::system(("rm -rf '" + dir + "'").c_str());
    if (failed) {
        std::fprintf(stderr, "report_bench: a run failed\n");
        return 1;
    }

    const double reportMedian = Median(reportRuns);
    const double windowMedian = Median(windowRuns);
    const double ratio = reportMedian / windowMedian;
    std::printf("USERS of \\\\DC1 (directory route), %ld lines, %d rounds, whole program runs:\n", lines, args.rounds);
    std::printf("  window: start, Browse, File > Export  median %.3f s  best %.3f s\n", windowMedian,
                *std::min_element(windowRuns.begin(), windowRuns.end()));
    std::printf("  vellox --report USERS --output        median %.3f s  best %.3f s\n", reportMedian,
                *std::min_element(reportRuns.begin(), reportRuns.end()));
    std::printf("  report / window: %.2f (allowed %.2f)  same bytes: %s\n", ratio, kAllowed,
                reportBytes == windowBytes ? "yes" : "NO");
    return ratio <= kAllowed && reportBytes == windowBytes && lines > 10000 ? 0 : 1;
}
