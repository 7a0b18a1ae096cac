// Test helpers for code that uses the registry store: a throw-away settings folder
// and a way to run a step without root's permission bypass.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace regtest {

// Points XDG_CONFIG_HOME at a fresh temporary folder for the life of the object.
class TempConfigHome {
public:
    TempConfigHome()
    {
        char pattern[] = "/tmp/vellox-registry-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        m_root = made ? made : "";
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            m_saved = old;
        ::setenv("XDG_CONFIG_HOME", m_root.c_str(), 1);
    }
    ~TempConfigHome()
    {
        if (m_saved)
            ::setenv("XDG_CONFIG_HOME", m_saved->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        std::error_code ignored;
        std::filesystem::permissions(Folder(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
        std::filesystem::remove_all(m_root, ignored);
    }
    TempConfigHome(const TempConfigHome&) = delete;
    TempConfigHome& operator=(const TempConfigHome&) = delete;

    const std::string& Root() const { return m_root; }
    std::string Folder() const { return m_root + "/Tavro"; }
    std::string Store() const { return Folder() + "/Vellox.reg"; }

private:
    std::string m_root;
    std::optional<std::string> m_saved;
};

inline bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline unsigned ModeOf(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0xFFFFFFFFu;
}

// Runs step in a child process without the permission bypass of root: as root the
// child first takes the "nobody" user and group (and hands it the temporary folder).
// Returns what step returns ("" for success, else a description of what went wrong),
// or a description of how the child failed.
inline std::string RunUnprivileged(const TempConfigHome& home, const std::function<std::string()>& step)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "pipe failed";
    pid_t pid = ::fork();
    if (pid < 0)
        return "fork failed";
    if (pid == 0) {
        ::close(fds[0]);
        std::string result;
        if (::geteuid() == 0 &&
            (::chown(home.Root().c_str(), 65534, 65534) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            result = "could not become nobody";
        if (result.empty())
            result = step();
        if (::write(fds[1], result.data(), result.size()) < 0)
            ::_exit(2);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string out;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child failed: " + out;
    return out;
}

}  // namespace regtest
