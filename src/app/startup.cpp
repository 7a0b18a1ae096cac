#include "app/startup.h"

#include "platform/net/directory/directory_netapi.h"
#include "platform/net/samba/samba_netapi.h"
#include "platform/net/samba_config.h"
#include "platform/net/sample/sim_netapi.h"
#include "platform/threads/owned_threads.h"
#include "res/startup_strings.h"

#include <atomic>
#include <future>
#include <iostream>

namespace app {

using namespace net;

namespace {

std::atomic<int> g_attemptsRunning{0};

struct Attempt {
    std::unique_ptr<NetApi> api;  // the directory route (libnetapi behind it), or libnetapi alone
    DirectoryAttempt::Outcome outcome = DirectoryAttempt::NoDirectory;
    std::string message;
    std::string route;
};

// Finds the start-up server (the one named, else the domain's controller) and answers
// it through its directory when that works, else through libnetapi.
Attempt RunAttempt(const Options& options, const SambaConnection& connection)
{
    Attempt result;
    std::unique_ptr<NetApi> samba = CreateSambaNetApi(connection);
    std::string server = options.server;
    if (server.empty() && samba->GetDCName(std::string(), connection.workgroup, server) != NERR_Success)
        server.clear();  // the window says that no controller was found
    std::optional<Credentials> credentials;
    if (!connection.credentials.user.empty())
        credentials = connection.credentials;
    DirectoryAttempt directory;
    if (!server.empty())
        directory = AttachDirectory(server, credentials, samba, connection.workgroup);
    result.outcome = directory.outcome;
    result.message =
        directory.outcome == DirectoryAttempt::NotFound ? res::ServerNotFoundText(server) : directory.message;
    if (directory.outcome == DirectoryAttempt::Bound) {
        result.route = "directory, " + DescribeBind(directory.api->Bind());
        result.api = std::move(directory.api);
    } else {
        result.route = "libnetapi";
        result.api = std::move(samba);
    }
    return result;
}

// RunAttempt on a thread of its own, waited for at most `limit`. A late attempt
// finishes on its own and its result is dropped.
std::optional<Attempt> RunAttemptWithin(std::chrono::milliseconds limit, const Options& options,
                                        const SambaConnection& connection)
{
    auto promise = std::make_shared<std::promise<Attempt>>();
    std::future<Attempt> future = promise->get_future();
    ++g_attemptsRunning;
    const bool started = threads::StartOwned([promise, options, connection] {
        promise->set_value(RunAttempt(options, connection));
        --g_attemptsRunning;
    });
    if (!started) {
        --g_attemptsRunning;
        return std::nullopt;
    }
    if (future.wait_for(limit) != std::future_status::ready)
        return std::nullopt;
    return future.get();
}

std::string TimeLimitMessage(const std::string& server, std::chrono::milliseconds limit)
{
    const auto ms = limit.count();
    const std::string within = ms % 1000 == 0 ? std::to_string(ms / 1000) + " seconds" : std::to_string(ms) + " ms";
    return (server.empty() ? std::string("The domain controller") : server) + " did not answer within " + within +
           ", so its directory is not used and every call goes through SMB (libnetapi). Browses will say what fails.";
}

bool SameLogon(const Credentials& a, const Credentials& b)
{
    return a.user == b.user && a.domain == b.domain && a.password == b.password;
}

Network OpenReal(const Options& options, const StartupHooks& hooks)
{
    const auto tell = [&](const std::string& message) {
        std::cerr << "vellox: " << message << '\n';
        if (hooks.notify)
            hooks.notify(message);
    };
    SambaConnection connection;
    connection.workgroup = LocalDomainFromSambaConfig();
    std::optional<Credentials> credentials;
    if (!options.authFile.empty()) {
        std::string error;
        credentials = ReadAuthFile(options.authFile, error);
        if (!credentials)
            tell(error);
    }
    const bool ticket = !credentials && HasKerberosTicket();
    if (!credentials && !ticket && hooks.askLogon)
        credentials = hooks.askLogon(connection.workgroup);
    connection.useKerberos = !credentials && ticket;
    for (int round = 0;; ++round) {
        if (credentials)
            connection.credentials = *credentials;
        std::optional<Attempt> attempt = RunAttemptWithin(hooks.limit, options, connection);
        Network network;
        if (!attempt) {
            tell(TimeLimitMessage(options.server, hooks.limit));
            network.api = CreateSambaNetApi(connection);
            network.route = "libnetapi (start-up time limit)";
            return network;
        }
        if (attempt->outcome == DirectoryAttempt::WrongPassword && round == 0 && hooks.askLogon) {
            tell(attempt->message);
            std::optional<Credentials> again = hooks.askLogon(connection.workgroup);
            if (again && !(credentials && SameLogon(*again, *credentials))) {
                credentials = std::move(again);
                connection.useKerberos = false;
                continue;
            }
        } else if (!attempt->message.empty()) {
            tell(attempt->message);
        }
        network.api = std::move(attempt->api);
        network.route = attempt->route;
        network.logonRefused = attempt->outcome == DirectoryAttempt::WrongPassword;
        return network;
    }
}

}  // namespace

Network OpenNetwork(const Options& options, const StartupHooks& hooks)
{
    Network network;
    if (options.backend == Backend::Sample) {
        network.api = SimNetApi::FromFile(options.sampleFile, network.error);
        network.route = "sample domain";
        return network;
    }
    return OpenReal(options, hooks);
}

DeferredNetApi* OpenNetworkLater(const Options& options, StartupHooks hooks)
{
    auto* deferred = new DeferredNetApi;
    const auto open = [deferred, options, hooks = std::move(hooks)] {
        deferred->SetBackend(OpenNetwork(options, hooks).api);
    };
    if (!threads::StartOwned(open))
        open();
    return deferred;
}

bool StartupWorkRunning()
{
    return g_attemptsRunning.load() > 0;
}

}  // namespace app
