#include "platform/net/credentials.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/net/net_support.h"
#include "platform/net/run_command.h"

namespace net {
namespace {

// Reads the whole of an open descriptor; false on a read error.
bool ReadAll(int fd, std::string& text)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

// Splits "DOMAIN\user" or "DOMAIN/user" into its parts, each without blanks around it.
void SplitDomainUser(Credentials& creds, const std::string& value)
{
    const auto sep = value.find_first_of("\\/");
    if (sep == std::string::npos) {
        creds.user = value;
        return;
    }
    if (creds.domain.empty())
        creds.domain = Trim(value.substr(0, sep));
    creds.user = Trim(value.substr(sep + 1));
}

struct PromptState {
    std::mutex mutex;
    LogonPrompt prompt;
    bool asked = false;
    bool asking = false;  // a prompt is open; other callers get no answer meanwhile
    std::optional<Credentials> answer;
};

PromptState& State()
{
    static PromptState state;
    return state;
}

}  // namespace

Credentials ParseAuthText(const std::string& text)
{
    Credentials creds;
    std::string userValue;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#' || trimmed[0] == ';')
            continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = LowerAscii(Trim(line.substr(0, eq)));
        // Leading blanks of a value are dropped; a password keeps its trailing ones.
        const std::string value = line.substr(eq + 1);
        const auto start = value.find_first_not_of(" \t");
        const std::string rest = start == std::string::npos ? std::string() : value.substr(start);
        if (key == "password")
            creds.password = rest;
        else if (key == "username")
            userValue = Trim(rest);
        else if (key == "domain")
            creds.domain = Trim(rest);
    }
    SplitDomainUser(creds, userValue);
    return creds;
}

std::optional<Credentials> ReadAuthFile(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = "Cannot open the authentication file " + path + ": " + std::strerror(errno) + ".";
        return std::nullopt;
    }
    // Checks the opened file itself, so that the file read is the file checked.
    struct stat st { };
    std::string text;
    bool ok = false;
    if (::fstat(fd, &st) != 0) {
        error = "Cannot examine the authentication file " + path + ": " + std::strerror(errno) + ".";
    } else if (!S_ISREG(st.st_mode)) {
        error = "The authentication file " + path + " is not a regular file.";
    } else if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        error = "The authentication file " + path +
                " can be read or written by other users; make it private with: chmod 600 " + path;
    } else if (!ReadAll(fd, text)) {
        error = "Cannot read the authentication file " + path + ": " + std::strerror(errno) + ".";
    } else {
        ok = true;
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;
    Credentials creds = ParseAuthText(text);
    if (creds.user.empty()) {
        error = "The authentication file " + path + " names no user (username=).";
        return std::nullopt;
    }
    return creds;
}

bool HasKerberosTicket()
{
    // klist -s: exit status 0 when the cache holds a valid ticket, silent otherwise.
    const auto result = RunCommand({"klist", "-s"});
    return result && result->exitStatus == 0;
}

void SetLogonPrompt(LogonPrompt prompt)
{
    PromptState& state = State();
    std::lock_guard lock(state.mutex);
    state.prompt = std::move(prompt);
}

std::optional<Credentials> AskLogonOnce(const std::string& defaultDomain)
{
    PromptState& state = State();
    LogonPrompt prompt;
    {
        std::lock_guard lock(state.mutex);
        if (state.asked || state.asking || !state.prompt)
            return state.answer;
        state.asking = true;
        prompt = state.prompt;
    }
    // The prompt runs without the lock: it may wait for the window thread, which must
    // stay free to call here (and get no answer yet) rather than block.
    std::optional<Credentials> answer = prompt(defaultDomain);
    std::lock_guard lock(state.mutex);
    state.asking = false;
    state.asked = true;
    state.answer = std::move(answer);
    return state.answer;
}

void ResetLogonPromptState()
{
    PromptState& state = State();
    std::lock_guard lock(state.mutex);
    state.asked = false;
    state.answer.reset();
}

}  // namespace net
