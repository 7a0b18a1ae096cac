// Who the network back ends log on as: an authentication file, the Kerberos
// credential cache, or a log-on prompt that the window code supplies.
// Passwords stay in memory; nothing here writes or logs them.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace net {

struct Credentials {
    std::string user;
    std::string domain;
    std::string password;
};

// Reads an authentication file in the username= / password= / domain= format
// (blank lines and lines starting with '#' or ';' ignored; "DOMAIN\user" in username=
// also names the domain). The file must be a regular file with no group or other
// permission bits. On failure returns nullopt and a message for the user in `error`.
std::optional<Credentials> ReadAuthFile(const std::string& path, std::string& error);

// Parses the text of an authentication file (no permission check).
Credentials ParseAuthText(const std::string& text);

// True when the Kerberos credential cache holds a ticket that is still valid.
bool HasKerberosTicket();

// The prompt the window code installs: shows a log-on dialog and gives the entered
// credentials, or nullopt when the user cancels.
using LogonPrompt = std::function<std::optional<Credentials>(const std::string& defaultDomain)>;
void SetLogonPrompt(LogonPrompt prompt);

// Asks the installed prompt, at most once per run: later calls give the first answer
// again (a cancel stays a cancel). Without a prompt, and for calls made while the
// prompt is open (from another thread or from inside it), the answer is nullopt at
// once: nothing ever waits for the prompt but its own caller. Call it before taking
// any lock that the window thread may need, since the prompt may run there.
std::optional<Credentials> AskLogonOnce(const std::string& defaultDomain);

// Forgets the remembered answer so that the next AskLogonOnce asks again (tests only).
void ResetLogonPromptState();

}  // namespace net
