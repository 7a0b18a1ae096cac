#include "platform/net/samba_config.h"

#include "platform/net/net_support.h"
#include "platform/net/run_command.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace net {
namespace {

// Joins backslash-continued lines of an smb.conf text.
std::vector<std::string> ConfigLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    std::string pending;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.back() == '\\') {
            pending += line.substr(0, line.size() - 1);
            continue;
        }
        lines.push_back(pending + line);
        pending.clear();
    }
    if (!pending.empty())
        lines.push_back(pending);
    return lines;
}

// Parameter names in smb.conf ignore case and blanks.
std::string ParameterKey(const std::string& name)
{
    std::string key;
    for (char c : LowerAscii(name))
        if (c != ' ' && c != '\t')
            key += c;
    return key;
}

}  // namespace

std::string WorkgroupFromSmbConf(const std::string& text)
{
    std::string workgroup;
    bool inGlobal = true;  // parameters before any section belong to [global]
    for (const std::string& raw : ConfigLines(text)) {
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const auto close = line.find(']');
            const std::string section =
                LowerAscii(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
            inGlobal = section == "global";
            continue;
        }
        const auto eq = line.find('=');
        if (!inGlobal || eq == std::string::npos)
            continue;
        if (ParameterKey(line.substr(0, eq)) == "workgroup")
            workgroup = Trim(line.substr(eq + 1));
    }
    return workgroup;
}

std::string LocalDomainFromSambaConfig()
{
    if (const auto result = RunCommand({"testparm", "-s", "--parameter-name=workgroup"});
        result && result->exitStatus == 0) {
        const std::string workgroup = Trim(result->output);
        if (!workgroup.empty() && workgroup.find('\n') == std::string::npos)
            return workgroup;
    }
    std::ifstream in("/etc/samba/smb.conf");
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return WorkgroupFromSmbConf(text.str());
}

}  // namespace net
