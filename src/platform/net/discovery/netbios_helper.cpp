// vellox-netbios: reads a NetBIOS browse list and prints one name per line.
//
//   vellox-netbios workgroups          the workgroups and domains the master browsers list
//   vellox-netbios servers WORKGROUP   the servers WORKGROUP's master browser lists
//
// Browse lists are only served over SMB1 and found by broadcast, and libsmbclient
// takes both settings process-wide; a process of its own keeps them away from the
// program's other SMB connections, and lets the caller end it at its time limit.
// It logs on anonymously: a browse list is public, and a master browser is any host
// on the subnet, which is never sent the user's credentials. Exit status 0 with the
// list, 2 for bad arguments, 1 when the list can't be read (the reason on stderr).
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <libsmbclient.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kTimeoutMs = 3000;

void Anonymous(SMBCCTX*, const char*, const char*, char*, int, char* user, int userRoom, char* password,
               int passwordRoom)
{
    if (userRoom > 0)
        user[0] = '\0';
    if (passwordRoom > 0)
        password[0] = '\0';
}

// libsmbclient adds $HOME/.smb/smb.conf.append to the machine's configuration: a HOME
// of our own carries the one change browsing needs, names found by broadcast (after
// WINS, when the machine has one). A machine that disables NetBIOS keeps it disabled.
bool UseBrowseConfiguration(std::string& home)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vellox-netbios.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return false;
    home = pattern;
    const std::string dir = home + "/.smb";
    if (::mkdir(dir.c_str(), 0700) != 0)
        return false;
    std::FILE* f = std::fopen((dir + "/smb.conf.append").c_str(), "w");
    if (!f)
        return false;
    std::fputs("[global]\n\tname resolve order = wins bcast host\n", f);
    std::fclose(f);
    return ::setenv("HOME", home.c_str(), 1) == 0;
}

void RemoveConfiguration(const std::string& home)
{
    if (home.empty())
        return;
    std::remove((home + "/.smb/smb.conf.append").c_str());
    ::rmdir((home + "/.smb").c_str());
    ::rmdir(home.c_str());
}

bool Printable(const char* name)
{
    if (!*name)
        return false;
    for (const char* p = name; *p; ++p)
        if (static_cast<unsigned char>(*p) < 0x20)
            return false;
    return true;
}

// A NetBIOS name may hold characters a URL gives a meaning to (' ', '%', '#', '?').
std::string UrlEncoded(const char* name)
{
    std::string out;
    for (const char* p = name; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
            out += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        }
    }
    return out;
}

int List(const std::string& url, unsigned wantedType)
{
    // The library reads its configuration when the first context is made.
    std::string home;
    const bool configured = UseBrowseConfiguration(home);
    SMBCCTX* context = configured ? smbc_new_context() : nullptr;
    bool ready = false;
    if (context) {
        smbc_setFunctionAuthDataWithContext(context, Anonymous);
        smbc_setTimeout(context, kTimeoutMs);
        smbc_setOptionProtocols(context, "NT1", "NT1");
        ready = smbc_init_context(context) != nullptr;
    }
    RemoveConfiguration(home);
    if (!ready) {
        std::fprintf(stderr, "vellox-netbios: the SMB client could not be set up\n");
        if (context)
            smbc_free_context(context, 1);
        return 1;
    }
    errno = 0;
    SMBCFILE* dir = smbc_getFunctionOpendir(context)(context, url.c_str());
    if (!dir) {
        std::fprintf(stderr, "vellox-netbios: %s: %s\n", url.c_str(), std::strerror(errno ? errno : EIO));
        smbc_free_context(context, 1);
        return 1;
    }
    while (const smbc_dirent* entry = smbc_getFunctionReaddir(context)(context, dir))
        if (entry->smbc_type == wantedType && Printable(entry->name))
            std::printf("%s\n", entry->name);
    smbc_getFunctionClosedir(context)(context, dir);
    smbc_free_context(context, 1);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "workgroups") == 0)
        return List("smb://", SMBC_WORKGROUP);
    if (argc == 3 && std::strcmp(argv[1], "servers") == 0 && Printable(argv[2]))
        return List("smb://" + UrlEncoded(argv[2]) + "/", SMBC_SERVER);
    std::fprintf(stderr, "usage: vellox-netbios workgroups | servers WORKGROUP\n");
    return 2;
}
