// Moves the calling process into a network namespace made by `ip netns add`, as
// "ip netns exec" would: its network, and its own hosts and resolver files bound over
// /etc/hosts and /etc/resolv.conf in a private mount namespace. Needs root; call it
// before any thread starts.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <string>

namespace vxns {

inline bool EnterNetworkNamespace(const std::string& name, std::string& error)
{
    const std::string path = "/run/netns/" + name;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = fd >= 0 && setns(fd, CLONE_NEWNET) == 0;
    if (fd >= 0)
        close(fd);
    if (!entered) {
        error = "cannot enter " + path;
        return false;
    }
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_SLAVE | MS_REC, nullptr) != 0) {
        error = "cannot make a mount namespace";
        return false;
    }
    for (const char* file : {"hosts", "resolv.conf"}) {
        const std::string from = "/etc/netns/" + name + "/" + file;
        if (mount(from.c_str(), ("/etc/" + std::string(file)).c_str(), nullptr, MS_BIND, nullptr) != 0) {
            error = "cannot bind " + from;
            return false;
        }
    }
    return true;
}

}  // namespace vxns
