// A USERS browse with every column of a classic controller with 2,000 accounts, on the
// libnetapi route, beside the smallest raw SAMR read of the same fields in the same run
// (one connection; enumerate, then open, query level 21 and close each account), and
// the ratio of the two.
//
//   classic_bench [--accounts N] [--rounds R] [--dir DIR]
//
// As root: starts the classic controller of scripts/fixtures/classic-dc.sh in DIR
// (default /var/tmp/vx-classic-bench), adds N accounts, runs both reads from the client
// namespace (the best of R rounds each) and stops the controller again.
#include "best_seconds.h"
#include "raw_netapi.h"

#include "enum/users_lines.h"
#include "platform/net/credentials.h"
#include "platform/net/samba/samba_netapi.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <stop_token>
#include <string>
#include <thread>

namespace {

const std::string kServer = "\\\\CLPDC";

struct Args {
    int accounts = 2000;
    int rounds = 3;
    std::string dir = "/var/tmp/vx-classic-bench";
    bool inside = false;
};

Args Parse(int argc, char** argv)
{
    Args args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool more = i + 1 < argc;
        if (arg == "--accounts" && more)
            args.accounts = std::atoi(argv[++i]);
        else if (arg == "--rounds" && more)
            args.rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--dir" && more)
            args.dir = argv[++i];
        else if (arg == "--inside")
            args.inside = true;
    }
    return args;
}

std::string Output(const std::string& command)
{
    std::string out;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

AppSettings EveryUsersColumn()
{
    AppSettings s;
    s.serverName = kServer;
    s.u_user_id = s.u_user_name = s.u_num_logons = s.u_last_logon = s.u_expires = s.u_disabled = 1;
    s.u_pw_check = s.u_max_storage = s.u_profile_check = s.u_script_check = s.u_pass_expires = 1;
    return s;
}

// In the client namespace: both reads, timed.
int Inside(const Args& args)
{
    std::string error;
    const auto admin = net::ReadAuthFile(args.dir + "/admin.auth", error);
    if (!admin) {
        std::cerr << "classic_bench: " << error << '\n';
        return 1;
    }
    net::SambaConnection connection;
    connection.workgroup = "CLASSIC";
    connection.credentials = *admin;
    net::SambaNetApi api(connection);
    // The controller lists new accounts once its enumeration cache has expired.
    std::vector<net::USER_INFO_0> names;
    for (int i = 0; i < 60; ++i) {
        if (api.UserEnum(kServer, net::FILTER_NORMAL_ACCOUNT, names) == net::NERR_Success &&
            static_cast<int>(names.size()) > args.accounts)
            break;
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    const AppSettings settings = EveryUsersColumn();
    std::size_t lines = 0;
    const double users = vxbench::BestSeconds(args.rounds, [&] {
        std::vector<std::string> table;
        int count = 0;
        UsersLines(api, settings, table, count, std::stop_token());
        lines = static_cast<std::size_t>(count);
    });
    // Where the time goes: libnetapi's own level-3 sequence, in the program's batches
    // (16 KB) and in one batch.
    long small = 0;
    long whole = 0;
    const double small16k = vxbench::BestSeconds(args.rounds, [&] {
        small = vxbench::LibnetapiLevel3("CLPDC", "CLASSIC", admin->user, admin->password, 16 * 1024);
    });
    const double oneBatch = vxbench::BestSeconds(args.rounds, [&] {
        whole = vxbench::LibnetapiLevel3("CLPDC", "CLASSIC", admin->user, admin->password, 0xFFFFFFFFu);
    });
    std::istringstream raw(Output("/usr/bin/python3 " VELLOX_RAW_SAMR " '" + args.dir + "/admin.auth' CLPDC " +
                                  std::to_string(args.rounds)));
    std::size_t rawCount = 0;
    double rawSeconds = 0;
    raw >> rawCount >> rawSeconds;
    if (rawSeconds <= 0) {
        std::cerr << "classic_bench: the raw SAMR read failed\n";
        return 1;
    }
    std::printf("accounts listed: USERS %zu, raw SAMR %zu (best of %d rounds each)\n", lines, rawCount, args.rounds);
    std::printf("USERS, every column, libnetapi route: %.3f s\n", users);
    std::printf("raw SAMR read (enumerate; open, query 21, close each): %.3f s\n", rawSeconds);
    std::printf("libnetapi NetUserEnum level 3 alone, 16 KB batches: %.3f s (%ld accounts)\n", small16k, small);
    std::printf("libnetapi NetUserEnum level 3 alone, one batch: %.3f s (%ld accounts)\n", oneBatch, whole);
    std::printf("ratio USERS / raw: %.2f\n", users / rawSeconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const Args args = Parse(argc, argv);
    if (args.inside)
        return Inside(args);
    if (::geteuid() != 0) {
        std::cerr << "classic_bench: needs root (the controller runs in network namespaces)\n";
        return 2;
    }
    const std::string script = VELLOX_CLASSIC_DC_SCRIPT;
    if (std::system((script + " start '" + args.dir + "'").c_str()) != 0 ||
        std::system((script + " bulk '" + args.dir + "' " + std::to_string(args.accounts)).c_str()) != 0) {
        std::system((script + " stop '" + args.dir + "'").c_str());
        return 1;
    }
    char self[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string command = "ip netns exec vx-cl-client env TZ=UTC '" +
                                std::string(self, length > 0 ? static_cast<std::size_t>(length) : 0) +
                                "' --inside --dir '" + args.dir + "' --rounds " + std::to_string(args.rounds) +
                                " --accounts " + std::to_string(args.accounts);
    const int status = std::system(command.c_str());
    std::system((script + " stop '" + args.dir + "'").c_str());
    return status == 0 ? 0 : 1;
}
