// From the double-click to the filled dialog on the 10,000-account controller, beside
// ldapsearch of the same entries over one LDAPS bind in the same run:
// - User Properties of one account, through both routes (the account, every group,
//   the account's groups);
// - Group Properties of the 1,600-member group, through the directory route (the
//   group with its members, every account).
//
//   account_dialogs_bench [--dir DIR] [--rounds N] [--keep]
//
// The controller is directory-dc's, filled once and cached in DIR (default
// /var/tmp/vx-ldap-dc, or $VELLOX_BENCH_DC_DIR). Needs root.
#include "best_seconds.h"
#include "client_namespace.h"
#include "private_files.h"

#include "accounts/group_props_dlg.h"
#include "accounts/user_props_dlg.h"
#include "fx/fx.h"
#include "platform/net/credentials.h"
#include "platform/net/directory/directory_netapi.h"
#include "platform/net/samba/samba_netapi.h"
#include "res/res.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

using vxbench::BestSeconds;

const std::string kServer = "\\\\DC1";
const std::string kUser = "bulk.u04242";
const std::string kBigGroup = "dx-big";

// The dialog as a double-click opens it: the reads, then the window filled.
std::size_t OpenDialog(net::NetApi& api)
{
    CUserPropsDlg dlg(api);
    dlg.m_pServerName = &kServer;
    dlg.m_strRowText = kUser + "\t";
    net::Status status = net::NERR_Success;
    if (!dlg.Load(status) || !dlg.Create()) {
        std::fprintf(stderr, "account_dialogs_bench: the dialog did not open (status %u)\n", status);
        std::exit(1);
    }
    const std::size_t entries =
        static_cast<std::size_t>(dlg.m_listMemberOf.GetCount() + dlg.m_listNotMemberOf.GetCount());
    dlg.DestroyWindow();
    return entries;
}

std::size_t OpenGroupDialog(net::NetApi& api)
{
    CGroupPropsDlg dlg(api);
    dlg.m_pServerName = &kServer;
    dlg.m_strGroup = kBigGroup;
    net::Status status = net::NERR_Success;
    if (!dlg.Load(status) || !dlg.Create()) {
        std::fprintf(stderr, "account_dialogs_bench: the group dialog did not open (status %u)\n", status);
        std::exit(1);
    }
    const std::size_t members = static_cast<std::size_t>(dlg.m_listMembers.GetCount());
    dlg.DestroyWindow();
    return members;
}

// ldapsearch of `filters` (one search per line) over one LDAPS bind; the best time.
double Ldapsearch(int rounds, const net::Credentials& admin, const std::string& filters, const std::string& attributes)
{
    const char* failure = nullptr;
    double seconds = 0;
    {
        // The password goes to a private file of this run's own, removed before any exit.
        const vxtest::PrivateFolder folder;
        const std::string file = folder.Write("filters", filters);
        const std::string pass = folder.Write("pass", admin.password);
        if (file.empty() || pass.empty()) {
            failure = "no private file for the password";
        } else {
            const std::string command = "ldapsearch -LLL -o ldif-wrap=no -H ldaps://dc1.vellox.test -x -D 'VELLOX\\" +
                                        admin.user + "' -y " + pass + " -b DC=vellox,DC=test -f " + file + " " +
                                        attributes + " >/dev/null";
            seconds = BestSeconds(rounds, [&] {
                if (!failure && std::system(command.c_str()) != 0)
                    failure = "ldapsearch failed";
            });
        }
    }
    if (failure) {
        std::fprintf(stderr, "account_dialogs_bench: %s\n", failure);
        std::exit(1);
    }
    return seconds;
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
            std::fprintf(stderr, "usage: account_dialogs_bench [--dir DIR] [--rounds N] [--keep]\n");
            return 2;
        }
    }
    if (geteuid() != 0) {
        std::fprintf(stderr, "account_dialogs_bench: needs root (network namespaces for the controller)\n");
        return 77;
    }
    const std::string script = VELLOX_DIRECTORY_DC_SCRIPT;
    if (std::system((script + " start '" + dir + "' >&2 && " + script + " populate-bulk '" + dir + "' >&2 && " +
                     script + " populate '" + dir + "' >&2")
                        .c_str()) != 0)
        return 1;
    std::string error;
    if (!vxns::EnterNetworkNamespace("vx-ldap-client", error)) {
        std::fprintf(stderr, "account_dialogs_bench: %s\n", error.c_str());
        return 1;
    }
    setenv("LDAPTLS_CACERT", (dir + "/private/tls/ca.pem").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const auto admin = net::ReadAuthFile(dir + "/admin.auth", error);
    if (!admin) {
        std::fprintf(stderr, "account_dialogs_bench: %s\n", error.c_str());
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
        std::fprintf(stderr, "account_dialogs_bench: no directory route: %s\n", error.c_str());
        return 1;
    }

    const double userPeer = Ldapsearch(
        rounds, *admin,
        "(sAMAccountName=" + kUser + ")\n(objectClass=group)\n(&(objectClass=group)(member=CN=" + kUser +
            ",CN=Users,DC=vellox,DC=test))\n",
        "sAMAccountName groupType displayName description userAccountControl lastLogon pwdLastSet lockoutTime");
    std::printf("peer: ldapsearch of the account, every group and its groups: %.3f s\n", userPeer);
    for (const auto& [what, api] : {std::pair<const char*, net::NetApi*>{"directory route", directory.get()},
                                    std::pair<const char*, net::NetApi*>{"libnetapi route", &samba}}) {
        std::size_t entries = 0;
        const double seconds = BestSeconds(rounds, [&] { entries = OpenDialog(*api); });
        std::printf("User Properties of %s, %-16s %.3f s  %zu list entries  %.2f x peer\n", kUser.c_str(), what,
                    seconds, entries, seconds / userPeer);
    }
    const double groupPeer =
        Ldapsearch(rounds, *admin, "(sAMAccountName=" + kBigGroup + ")\n(&(objectClass=user)(objectCategory=person))\n",
                   "sAMAccountName description member");
    std::printf("peer: ldapsearch of %s with its members and every account: %.3f s\n", kBigGroup.c_str(), groupPeer);
    std::size_t members = 0;
    const double seconds = BestSeconds(rounds, [&] { members = OpenGroupDialog(*directory); });
    std::printf("Group Properties of %s, directory route  %.3f s  %zu members  %.2f x peer\n", kBigGroup.c_str(),
                seconds, members, seconds / groupPeer);
    if (!keep)
        std::system((script + " stop '" + dir + "' >&2").c_str());
    return 0;
}
