// The command line, the local domain and the start-up server.
#pragma once

#include "browse/browse_types.h"
#include "export/export_file.h"
#include "platform/net/netapi.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace app {

enum class Backend {
    Samba,   // the domain's own servers, through Samba's client library
    Sample,  // the sample domain in memory (--demo)
};

// --report: one display's list written without a window.
struct ReportRequest {
    DisplayType display = DisplayType::NONE;  // NONE: no report; the window opens
    std::string output;                       // --output FILE; empty: standard output
    std::optional<ExportMode> format;         // --format tsv|csv; nullopt: the settings' export type
    std::string root;                         // --root PATH; empty: the settings' FILES root
};

struct Options {
    Backend backend = Backend::Samba;
    std::string server;      // --server / VELLOX_SERVER with two leading backslashes; empty: the domain controller
    std::string sampleFile;  // --demo: the sample domain file
    std::string authFile;    // --auth-file / VELLOX_AUTH_FILE; empty: none
    ReportRequest report;
};

// What the command line asks for: run with `options`, or print `output` (stdout)
// or `error` (stderr) and exit with `exitStatus`.
struct CommandLine {
    bool run = true;
    int exitStatus = 0;
    std::string output;
    std::string error;
    Options options;
};

// Looks up an environment variable; nullopt when unset.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;
EnvLookup ProcessEnvironment();

// Parses the arguments after the program name: --server NAME, --demo [FILE],
// --auth-file FILE, --report DISPLAY with --output FILE, --format tsv|csv and
// --root PATH (each also as --option=VALUE), --help, --version. Options win over
// the environment (VELLOX_SERVER, VELLOX_AUTH_FILE); empty variables count as unset.
// A bad command line gives exit status 2 and a message naming the problem.
CommandLine ParseCommandLine(const std::vector<std::string>& args, const EnvLookup& env);
CommandLine ParseCommandLine(int argc, char** argv);

std::string UsageText();
std::string VersionText();  // "vellox 0.7.0"

// "NAME", "\NAME" or "\\NAME" as "\\NAME"; empty when it names no server.
std::string NormalizeServerName(const std::string& name);

// The sample domain file --demo uses when given none: $VELLOX_SOURCE_DATADIR when
// set, else the installed data folder, or the source tree's when the program runs
// from its build tree.
std::string DefaultSampleFile(const EnvLookup& env);

// The server to start with: the one the options name, else the primary controller
// of the local computer's domain (for the sample domain: of its own domain).
net::Status StartupServer(const Options& options, net::NetApi& api, std::string& server);

// The name the window and a report start with: StartupServer's answer with its two
// backslashes, or this computer ("\\host") when no server answers.
std::string StartupServerName(const Options& options, net::NetApi& api);

}  // namespace app
