// From the double-click to the filled User Properties dialog, for one account of the
// 10,000-account controller, through both routes; beside ldapsearch of the same
// entries (the account, every group, the account's groups) over one LDAPS bind, in
// the same run.
//
//   user_props_bench [--dir DIR] [--rounds N] [--keep]
//
// The controller is directory-dc's, filled once and cached in DIR (default
// /var/tmp/vx-ldap-dc, or $VELLOX_BENCH_DC_DIR). Needs root.
#include "client_namespace.h"

#include "accounts/user_props_dlg.h"
#include "fx/fx.h"
#include "platform/net/credentials.h"
#include "platform/net/directory_netapi.h"
#include "platform/net/samba_netapi.h"
#include "res/res.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

namespace {

const std::string kServer = "\\\\DC1";
const std::string kUser = "bulk.u04242";

double BestSeconds(int rounds, const std::function<void()>& work)
{
    double best = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (i == 0 || seconds < best)
            best = seconds;
    }
    return best;
}

// The dialog as a double-click opens it: the reads, then the window filled.
std::size_t OpenDialog(net::NetApi& api)
{
    CUserPropsDlg dlg(api);
    dlg.m_pServerName = &kServer;
    dlg.m_strRowText = kUser + "\t";
    net::Status status = net::NERR_Success;
    if (!dlg.Load(status) || !dlg.Create()) {
        std::fprintf(stderr, "user_props_bench: the dialog did not open (status %u)\n", status);
        std::exit(1);
    }
    const std::size_t entries = static_cast<std::size_t>(dlg.m_listMemberOf.GetCount() + dlg.m_listNotMemberOf.GetCount());
    dlg.DestroyWindow();
    return entries;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* fromEnv = std::getenv("VELLOX_BENCH_DC_DIR");
    std::string dir = fromEnv && *fromEnv ? fromEnv : "/var/tmp/vx-ldap-dc";
    int rounds = 5;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            dir = argv[++i];
        else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--keep"))
            keep = true;
        else {
            std::fprintf(stderr, "usage: user_props_bench [--dir DIR] [--rounds N] [--keep]\n");
            return 2;
        }
    }
    if (geteuid() != 0) {
        std::fprintf(stderr, "user_props_bench: needs root (network namespaces for the controller)\n");
        return 77;
    }
    const std::string script = VELLOX_DIRECTORY_DC_SCRIPT;
    if (std::system((script + " start '" + dir + "' >&2 && " + script + " populate-bulk '" + dir + "' >&2").c_str()) !=
        0)
        return 1;
    std::string error;
    if (!vxns::EnterNetworkNamespace("vx-ldap-client", error)) {
        std::fprintf(stderr, "user_props_bench: %s\n", error.c_str());
        return 1;
    }
    setenv("LDAPTLS_CACERT", (dir + "/private/tls/ca.pem").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const auto admin = net::ReadAuthFile(dir + "/admin.auth", error);
    if (!admin) {
        std::fprintf(stderr, "user_props_bench: %s\n", error.c_str());
        return 1;
    }
    fx::EnsureApplication();
    res::Install();
    net::SambaConnection connection;
    connection.workgroup = admin->domain;
    connection.credentials = *admin;
    net::SambaNetApi samba(connection);
    auto directory = net::CreateDomainNetApi(kServer, admin, net::CreateSambaNetApi(connection), &error);
    if (!dynamic_cast<net::DirectoryNetApi*>(directory.get())) {
        std::fprintf(stderr, "user_props_bench: no directory route: %s\n", error.c_str());
        return 1;
    }

    // The peer: the same entries through ldapsearch, one process and one bind.
    const std::string filters = "/tmp/vx-user-props-filters";
    std::ofstream(filters) << "(sAMAccountName=" << kUser << ")\n(objectClass=group)\n(&(objectClass=group)(member=CN="
                           << kUser << ",CN=Users,DC=vellox,DC=test))\n";
    const std::string pass = "/tmp/vx-user-props-pass";
    std::ofstream(pass) << admin->password;
    const std::string ldapsearch = "ldapsearch -LLL -o ldif-wrap=no -H ldaps://dc1.vellox.test -x -D 'VELLOX\\" +
                                   admin->user + "' -y " + pass + " -b DC=vellox,DC=test -f " + filters +
                                   " sAMAccountName groupType displayName description userAccountControl "
                                   "lastLogon pwdLastSet lockoutTime >/dev/null";
    const double peer = BestSeconds(rounds, [&] {
        if (std::system(ldapsearch.c_str()) != 0) {
            std::fprintf(stderr, "user_props_bench: ldapsearch failed\n");
            std::exit(1);
        }
    });
    std::remove(pass.c_str());
    std::printf("peer: ldapsearch of the account, every group and its groups: %.3f s\n", peer);
    for (const auto& [what, api] : {std::pair<const char*, net::NetApi*>{"directory route", directory.get()},
                                    std::pair<const char*, net::NetApi*>{"libnetapi route", &samba}}) {
        std::size_t entries = 0;
        const double seconds = BestSeconds(rounds, [&] { entries = OpenDialog(*api); });
        std::printf("User Properties of %s, %-16s %.3f s  %zu list entries  %.2f x peer\n", kUser.c_str(), what,
                    seconds, entries, seconds / peer);
    }
    if (!keep)
        std::system((script + " stop '" + dir + "' >&2").c_str());
    return 0;
}
