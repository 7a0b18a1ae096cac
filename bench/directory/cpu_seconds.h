// CPU time spent by this process and by the controller, for telling apart where a
// browse's time goes: the client's own work, the server's, or waiting between them.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace vxbench {

// CPU seconds of this process (every thread) so far.
inline double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// CPU seconds so far of every process in the network namespace `name` (made by
// `ip netns add`): the controller's processes.
inline double NamespaceCpuSeconds(const std::string& name)
{
    struct stat ns { };
    if (stat(("/run/netns/" + name).c_str(), &ns) != 0)
        return 0;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    double seconds = 0;
    DIR* proc = opendir("/proc");
    if (!proc)
        return 0;
    while (dirent* d = readdir(proc)) {
        if (d->d_name[0] < '1' || d->d_name[0] > '9')
            continue;
        const std::string dir = std::string("/proc/") + d->d_name;
        struct stat own { };
        if (stat((dir + "/ns/net").c_str(), &own) != 0 || own.st_ino != ns.st_ino || own.st_dev != ns.st_dev)
            continue;
        FILE* f = std::fopen((dir + "/stat").c_str(), "r");
        if (!f)
            continue;
        char buffer[1024];
        const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
        std::fclose(f);
        buffer[n] = '\0';
        // Fields after the command's closing parenthesis: state is the 3rd, utime the 14th.
        const char* p = std::strrchr(buffer, ')');
        unsigned long long utime = 0, stime = 0;
        if (p && std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) == 2)
            seconds += static_cast<double>(utime + stime) / tick;
    }
    closedir(proc);
    return seconds;
}

}  // namespace vxbench
