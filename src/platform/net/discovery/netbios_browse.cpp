#include "platform/net/discovery/netbios_browse.h"

#include "platform/net/run_command.h"

#include <climits>
#include <sstream>
#include <unistd.h>

namespace net {
namespace {

constexpr char kHelperName[] = "vellox-netbios";
constexpr std::size_t kNetbiosNameMax = 15;

// Beside the running program (installed, or this build tree's program), else where
// the installation or this build tree keeps it.
std::string HelperPath()
{
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        std::string dir(self, static_cast<std::size_t>(n));
        dir.erase(dir.find_last_of('/') + 1);
        if (::access((dir + kHelperName).c_str(), X_OK) == 0)
            return dir + kHelperName;
    }
    for (const char* path : {VELLOX_LIBEXECDIR "/vellox-netbios", VELLOX_NETBIOS_BUILD_PATH})
        if (::access(path, X_OK) == 0)
            return path;
    return {};
}

// One name per line; blank lines and lines that can't be a NetBIOS name are left out.
std::vector<std::string> ParseBrowseNames(const std::string& output)
{
    std::vector<std::string> names;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line.size() <= kNetbiosNameMax)
            names.push_back(line);
    return names;
}

}  // namespace

Status NetbiosBrowseList(const std::string& workgroup, std::vector<std::string>& out)
{
    out.clear();
    const std::string helper = HelperPath();
    if (helper.empty())
        return ERROR_NO_BROWSER_SERVERS_FOUND;
    std::vector<std::string> argv{helper, "workgroups"};
    if (!workgroup.empty())
        argv = {helper, "servers", workgroup};
    const std::optional<CommandResult> result = RunCommand(argv);
    if (!result || result->exitStatus != 0)
        return ERROR_NO_BROWSER_SERVERS_FOUND;
    out = ParseBrowseNames(result->output);
    return NERR_Success;
}

}  // namespace net
