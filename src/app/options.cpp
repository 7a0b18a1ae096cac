#include "app/options.h"

#include "platform/net/net_support.h"
#include "platform/net/samba_config.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#ifndef VELLOX_VERSION
#define VELLOX_VERSION "0.0.0"
#endif
#ifndef VELLOX_DATADIR
#define VELLOX_DATADIR "/usr/share/vellox"
#endif
#ifndef VELLOX_SOURCE_DATADIR
#define VELLOX_SOURCE_DATADIR ""
#endif
#ifndef VELLOX_BINARY_DIR
#define VELLOX_BINARY_DIR ""
#endif

namespace app {
namespace {

constexpr const char* kSampleFileName = "sample-domain.json";

bool FileExists(const std::string& path)
{
    struct stat st { };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> NonEmpty(const EnvLookup& env, const char* name)
{
    std::optional<std::string> value = env(name);
    if (value && value->empty())
        return std::nullopt;
    return value;
}

// The display a --report value names, in any case; NONE for anything else.
DisplayType ReportDisplay(const std::string& value)
{
    std::string upper = value;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::optional<DisplayType> type = DisplayTypeFromText(upper);
    return type ? *type : DisplayType::NONE;
}

std::string LocalHostServerName()
{
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0')
        return "\\\\localhost";
    return std::string("\\\\") + host;
}

bool RunningFromBuildTree()
{
    const std::string binaryDir = VELLOX_BINARY_DIR;
    if (binaryDir.empty())
        return false;
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return false;
    const std::string path(exe, static_cast<std::size_t>(n));
    return path.rfind(binaryDir + "/", 0) == 0;
}

CommandLine Failure(const std::string& message)
{
    CommandLine result;
    result.run = false;
    result.exitStatus = 2;
    result.error = "vellox: " + message + "\nTry 'vellox --help' for more information.\n";
    return result;
}

CommandLine Done(const std::string& output)
{
    CommandLine result;
    result.run = false;
    result.exitStatus = 0;
    result.output = output;
    return result;
}

// Splits "--name=value"; `hasValue` tells whether an '=' was there.
std::string OptionName(const std::string& arg, std::string& value, bool& hasValue)
{
    const auto eq = arg.find('=');
    hasValue = arg.rfind("--", 0) == 0 && eq != std::string::npos;
    value = hasValue ? arg.substr(eq + 1) : std::string();
    return hasValue ? arg.substr(0, eq) : arg;
}

}  // namespace

EnvLookup ProcessEnvironment()
{
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (!value)
            return std::nullopt;
        return std::string(value);
    };
}

std::string UsageText()
{
    return "Usage: vellox [OPTION]...\n"
           "Administers the users, groups and servers of an NT-style domain.\n"
           "\n"
           "  --server \\\\NAME    start with server NAME instead of the primary domain\n"
           "                    controller of this computer's domain (also VELLOX_SERVER)\n"
           "  --demo [FILE]     use the sample domain in FILE (default: the sample domain\n"
           "                    that comes with the program)\n"
           "  --auth-file FILE  log on with the username=, password= and domain= lines of\n"
           "                    FILE, which must have mode 0600 (also VELLOX_AUTH_FILE)\n"
           "  --report DISPLAY  write the list of DISPLAY (USERS, GROUPS, SERVERS, FILES or\n"
           "                    NETWORK) as File > Export would, without a window, and exit\n"
           "  --output FILE     with --report: write the list to FILE instead of standard\n"
           "                    output; FILE is replaced only once the list is complete\n"
           "  --format tsv|csv  with --report: tab-delimited or comma-separated (default:\n"
           "                    the export type of the settings)\n"
           "  --root PATH       with --report FILES: the folder to start from (default: the\n"
           "                    root path of the settings)\n"
           "  --help            show this help and exit\n"
           "  --version         show the version and exit\n"
           "\n"
           "Without --auth-file the Kerberos ticket cache is used when it holds a ticket;\n"
           "otherwise the program asks for a user name and password once (a report never\n"
           "asks: it fails instead).\n"
           "\n"
           "A report exits with 0 when the whole list was written, 1 when the list could not\n"
           "be read or written (the output file is then left as it was), 2 for a bad command\n"
           "line.\n";
}

std::string VersionText()
{
    return std::string("vellox ") + VELLOX_VERSION + "\n";
}

std::string NormalizeServerName(const std::string& name)
{
    std::size_t start = 0;
    while (start < name.size() && name[start] == '\\')
        ++start;
    const std::string bare = net::Trim(name.substr(start));
    if (bare.empty() || bare.size() != name.size() - start || bare.find_first_of("\\/ \t") != std::string::npos)
        return {};
    return "\\\\" + bare;
}

std::string DefaultSampleFile(const EnvLookup& env)
{
    std::vector<std::string> folders;
    if (const auto dir = NonEmpty(env, "VELLOX_SOURCE_DATADIR"))
        folders.push_back(*dir);
    if (RunningFromBuildTree()) {
        folders.push_back(VELLOX_SOURCE_DATADIR);
        folders.push_back(VELLOX_DATADIR);
    } else {
        folders.push_back(VELLOX_DATADIR);
        folders.push_back(VELLOX_SOURCE_DATADIR);
    }
    for (const std::string& folder : folders)
        if (!folder.empty() && FileExists(folder + "/" + kSampleFileName))
            return folder + "/" + kSampleFileName;
    // None there: name the expected place so that the error message points at it.
    return std::string(VELLOX_DATADIR) + "/" + kSampleFileName;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args, const EnvLookup& env)
{
    CommandLine result;
    Options& options = result.options;
    std::optional<std::string> server;
    std::optional<std::string> authFile;
    std::string reportOption;  // the last option that only a report takes
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string value;
        bool hasValue = false;
        const std::string name = OptionName(args[i], value, hasValue);
        // The option's value: after '=' or as the next argument; never empty.
        const auto takeValue = [&]() -> bool {
            if (!hasValue) {
                if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0)
                    return false;
                value = args[++i];
            }
            return !value.empty();
        };
        if (name == "--help" && !hasValue) {
            return Done(UsageText());
        } else if (name == "--version" && !hasValue) {
            return Done(VersionText());
        } else if (name == "--server") {
            if (!takeValue())
                return Failure("option '--server' needs a server name, such as \\\\DC1");
            const std::string normal = NormalizeServerName(value);
            if (normal.empty())
                return Failure("'" + value + "' is not a server name; give it as NAME or \\\\NAME");
            server = normal;
        } else if (name == "--auth-file") {
            if (!takeValue())
                return Failure("option '--auth-file' needs a file name");
            authFile = value;
        } else if (name == "--demo") {
            options.backend = Backend::Sample;
            if (hasValue && value.empty())
                return Failure("option '--demo=' needs a file name");
            // The file is optional: the next argument is it unless it is an option.
            if (!hasValue && i + 1 < args.size() && args[i + 1].rfind("-", 0) != 0)
                value = args[++i];
            options.sampleFile = value;
        } else if (name == "--report") {
            if (!takeValue())
                return Failure("option '--report' needs a display: USERS, GROUPS, SERVERS, FILES or NETWORK");
            options.report.display = ReportDisplay(value);
            if (options.report.display == DisplayType::NONE)
                return Failure("'" + value + "' is not a display; give USERS, GROUPS, SERVERS, FILES or NETWORK");
        } else if (name == "--output") {
            if (!takeValue())
                return Failure("option '--output' needs a file name");
            options.report.output = value;
            reportOption = name;
        } else if (name == "--format") {
            if (!takeValue() || (value != "tsv" && value != "csv"))
                return Failure("option '--format' needs tsv or csv");
            options.report.format = value == "csv" ? ExportMode::Comma : ExportMode::Tab;
            reportOption = name;
        } else if (name == "--root") {
            if (!takeValue())
                return Failure("option '--root' needs a folder");
            options.report.root = value;
            reportOption = name;
        } else if (args[i].rfind("-", 0) == 0) {
            return Failure("unknown option '" + args[i] + "'");
        } else {
            return Failure("unexpected argument '" + args[i] + "'");
        }
    }
    if (!reportOption.empty() && options.report.display == DisplayType::NONE)
        return Failure("option '" + reportOption + "' works only with --report");
    if (!server) {
        if (const auto fromEnv = NonEmpty(env, "VELLOX_SERVER")) {
            server = NormalizeServerName(*fromEnv);
            if (server->empty())
                return Failure("VELLOX_SERVER='" + *fromEnv + "' is not a server name");
        }
    }
    if (!authFile)
        authFile = NonEmpty(env, "VELLOX_AUTH_FILE");
    options.server = server.value_or(std::string());
    options.authFile = authFile.value_or(std::string());
    if (options.backend == Backend::Sample && options.sampleFile.empty())
        options.sampleFile = DefaultSampleFile(env);
    return result;
}

CommandLine ParseCommandLine(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return ParseCommandLine(args, ProcessEnvironment());
}

net::Status StartupServer(const Options& options, net::NetApi& api, std::string& server)
{
    if (!options.server.empty()) {
        server = options.server;
        return net::NERR_Success;
    }
    const std::string domain = options.backend == Backend::Sample ? std::string() : net::LocalDomainFromSambaConfig();
    return api.GetDCName(std::string(), domain, server);
}

std::string StartupServerName(const Options& options, net::NetApi& api)
{
    std::string name;
    const net::Status status = StartupServer(options, api, name);
    if (status == net::NERR_Success)
        name = NormalizeServerName(name);
    if (status != net::NERR_Success || name.empty())
        name = LocalHostServerName();
    return name;
}

}  // namespace app
