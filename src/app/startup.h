// Opening the network at start-up: who logs on, which route answers the start-up
// server, and what the user is told about it. Everything but a sample domain that
// can't be read ends with a back end, so that the window always opens.
#pragma once

#include "app/options.h"
#include "platform/net/credentials.h"
#include "platform/net/deferred_netapi.h"
#include "platform/net/netapi.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace app {

struct StartupHooks {
    // Tells the user something about the start (the window code: a message box).
    // Every such message is also written to standard error.
    std::function<void(const std::string& message)> notify;
    // Asks for a user name, domain and password; nullopt when cancelled.
    net::LogonPrompt askLogon;
    // Longest wait for the start-up server's answers; past it libnetapi answers and
    // the user is told why.
    std::chrono::milliseconds limit{5000};
};

struct Network {
    std::unique_ptr<net::NetApi> api;  // nullptr only when the sample domain can't be read
    std::string error;                 // then: why
    std::string route;                 // the way the start took ("directory, Kerberos with the password", ...)
    bool logonRefused = false;         // the start-up server refused the password it was given last
};

// Opens the back end the options choose. For real servers the credentials come from
// the authentication file, else the Kerberos cache, else `askLogon`; an Active
// Directory start-up controller is answered through its directory when a protected
// log-on works, else everything goes through libnetapi and `notify` says why. A
// refused password is said so and `askLogon` asked once for another.
Network OpenNetwork(const Options& options, const StartupHooks& hooks);

// OpenNetwork on a thread of its own, for options that name a real server: the NetApi
// returned at once answers each call when the opening is done (the hooks are called on
// that thread). Never destroyed: a late worker may still use it when the program ends.
net::DeferredNetApi* OpenNetworkLater(const Options& options, StartupHooks hooks);

// True while a start-up attempt that outlived its time limit is still running; the
// process must not run its static destructors under it.
bool StartupWorkRunning();

}  // namespace app
