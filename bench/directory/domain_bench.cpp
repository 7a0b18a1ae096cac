// USERS and GROUPS browses on a domain of 10,000 accounts and 1,000 groups, through
// the libnetapi route and the directory route, beside the plain level-3 enumeration
// of Samba's libnetapi in the same run.
//
//   domain_bench [--dir DIR] [--rounds N] [--keep] [--dump DIR]
//
// The controller is directory-dc's (namespaces vx-ldap-*), provisioned and filled once
// in DIR (default /var/tmp/vx-ldap-dc, or $VELLOX_BENCH_DC_DIR) and reused by later
// runs. The bench moves itself into the client namespace, so nothing leaves the
// machine, and stops the controller at the end unless --keep is given. Needs root.
#include "best_seconds.h"
#include "client_namespace.h"
#include "raw_level3.h"

#include "browse/list_step.h"
#include "browse/result_table.h"
#include "enum/groups_lines.h"
#include "enum/users_lines.h"
#include "platform/net/credentials.h"
#include "platform/net/directory_netapi.h"
#include "platform/net/samba_netapi.h"
#include "settings/app_settings.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using vxbench::BestSeconds;

const std::string kServer = "\\\\DC1";
const std::string kHost = "DC1";
const char* const kClientNs = "vx-ldap-client";

struct Args {
    std::string dir;
    int rounds = 1;
    bool keep = false;
    std::string dump;  // folder for the lists, one file per browse
};

Args ParseArgs(int argc, char** argv)
{
    Args args;
    const char* fromEnv = std::getenv("VELLOX_BENCH_DC_DIR");
    args.dir = fromEnv && *fromEnv ? fromEnv : "/var/tmp/vx-ldap-dc";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            args.dir = argv[++i];
        else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
            args.rounds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--keep"))
            args.keep = true;
        else if (!std::strcmp(argv[i], "--dump") && i + 1 < argc)
            args.dump = argv[++i];
        else {
            std::fprintf(stderr, "usage: domain_bench [--dir DIR] [--rounds N] [--keep] [--dump DIR]\n");
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

AppSettings Settings(bool everyColumn)
{
    AppSettings settings;
    AssignStartupDefaults(settings);
    settings.serverName = kServer;
    if (everyColumn) {
        for (std::int32_t* flag : {&settings.u_disabled, &settings.u_expires, &settings.u_user_id,
                                   &settings.u_last_logon, &settings.u_num_logons, &settings.u_user_name,
                                   &settings.u_pw_check, &settings.u_max_storage, &settings.u_script_check,
                                   &settings.u_profile_check, &settings.u_pass_expires})
            *flag = 1;
    }
    settings.g_show_members = 1;
    return settings;
}

// One browse as the window runs it: the enumeration, then the list step.
ListContent Browse(WorkerKind kind, net::NetApi& api, const AppSettings& settings)
{
    ResultTable table;
    std::stop_source stop;
    int entryCount = 0;
    if (kind == WorkerKind::USERS)
        UsersLines(api, settings, table.userLines, entryCount, stop.get_token());
    else
        GroupsLines(api, settings, table.groupLines, stop.get_token());
    return BuildList(kind, std::move(table), settings);
}

struct Row {
    const char* what;
    double seconds;
    std::size_t lines;
};

void Print(const Row& row, double peer)
{
    std::printf("%-46s %9.2f s %8zu lines  %6.3f x peer\n", row.what, row.seconds, row.lines, row.seconds / peer);
}

// Lines of one list that the other lacks, in either direction (order aside: the
// routes list in different orders).
std::size_t DifferentLines(const ListContent& a, const ListContent& b)
{
    std::vector<std::string> x = a.lines, y = b.lines, only;
    std::sort(x.begin(), x.end());
    std::sort(y.begin(), y.end());
    std::set_symmetric_difference(x.begin(), x.end(), y.begin(), y.end(), std::back_inserter(only));
    return only.size();
}

void Dump(const std::string& folder, std::size_t index, const ListContent& list)
{
    std::ofstream out(folder + "/list" + std::to_string(index) + ".txt");
    for (const std::string& line : list.lines)
        out << line << '\n';
}

}  // namespace

int main(int argc, char** argv)
{
    const Args args = ParseArgs(argc, argv);
    if (geteuid() != 0) {
        std::fprintf(stderr, "domain_bench: needs root (network namespaces for the controller)\n");
        return 77;
    }
    if (Script("start", args.dir) != 0 || Script("populate-bulk", args.dir) != 0) {
        std::fprintf(stderr, "domain_bench: the controller could not be started or filled\n");
        return 1;
    }
    std::string error;
    if (!vxns::EnterNetworkNamespace(kClientNs, error)) {
        std::fprintf(stderr, "domain_bench: %s\n", error.c_str());
        return 1;
    }
    setenv("KRB5_CONFIG", (args.dir + "/krb5.conf").c_str(), 1);
    setenv("LDAPTLS_CACERT", (args.dir + "/private/tls/ca.pem").c_str(), 1);
    const std::optional<net::Credentials> admin = net::ReadAuthFile(args.dir + "/admin.auth", error);
    if (!admin) {
        std::fprintf(stderr, "domain_bench: %s\n", error.c_str());
        return 1;
    }

    net::SambaConnection connection;
    connection.workgroup = admin->domain;
    connection.credentials = *admin;
    auto samba = net::CreateSambaNetApi(connection);
    auto directory = net::CreateDomainNetApi(kServer, admin, net::CreateSambaNetApi(connection), &error);
    if (!directory || !dynamic_cast<net::DirectoryNetApi*>(directory.get())) {
        std::fprintf(stderr, "domain_bench: the directory route was not chosen: %s\n", error.c_str());
        return 1;
    }

    const AppSettings defaults = Settings(false);
    const AppSettings every = Settings(true);
    RawEnumeration raw;
    const double peer = BestSeconds(args.rounds, [&] { raw = RawUserEnumLevel3(kHost, admin->domain, admin->user, admin->password); });
    if (raw.status != 0) {
        std::fprintf(stderr, "domain_bench: NetUserEnum level 3 failed with %u\n", raw.status);
        return 1;
    }
    std::printf("peer: libnetapi NetUserEnum level 3, %llu accounts: %.2f s\n\n",
                static_cast<unsigned long long>(raw.accounts), peer);

    ListContent lists[6];
    const struct {
        const char* what;
        WorkerKind kind;
        net::NetApi* api;
        const AppSettings* settings;
    } runs[] = {
        {"USERS, default settings, libnetapi route", WorkerKind::USERS, samba.get(), &defaults},
        {"USERS, every column, libnetapi route", WorkerKind::USERS, samba.get(), &every},
        {"USERS, default settings, directory route", WorkerKind::USERS, directory.get(), &defaults},
        {"USERS, every column, directory route", WorkerKind::USERS, directory.get(), &every},
        {"GROUPS with members, libnetapi route", WorkerKind::GROUPS, samba.get(), &every},
        {"GROUPS with members, directory route", WorkerKind::GROUPS, directory.get(), &every},
    };
    for (std::size_t i = 0; i < std::size(runs); ++i) {
        const double seconds =
            BestSeconds(args.rounds, [&] { lists[i] = Browse(runs[i].kind, *runs[i].api, *runs[i].settings); });
        Print({runs[i].what, seconds, lists[i].lines.size()}, peer);
        if (!args.dump.empty())
            Dump(args.dump, i, lists[i]);
        std::fflush(stdout);
    }
    std::printf("\nlines that differ between the routes: USERS default %zu, every column %zu, GROUPS %zu\n",
                DifferentLines(lists[0], lists[2]), DifferentLines(lists[1], lists[3]),
                DifferentLines(lists[4], lists[5]));
    if (!args.keep)
        Script("stop", args.dir);
    return 0;
}
