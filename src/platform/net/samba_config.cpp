#include "platform/net/samba_config.h"

#include "platform/net/run_command.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace net {
namespace {

std::string Trim(const std::string& s)
{
    const char* blanks = " \t\r\n";
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

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
    for (char c : Lower(name))
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
            const std::string section = Lower(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
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
