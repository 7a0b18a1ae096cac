// Shared by the classic controller tests: the controller that
// scripts/fixtures/classic-dc.sh runs (CLPDC of CLASSIC, found by NetBIOS broadcast
// only), its administrator's connection, and what Samba's own tools say about it.
#pragma once

#include "platform/net/credentials.h"
#include "platform/net/samba/samba_netapi.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace classic {

inline const std::string kServer = "\\\\CLPDC";
inline const std::string kDomain = "CLASSIC";
inline const std::string kPassword = "Vellox-Test-1a";  // the test users' password

inline std::string Dir()
{
    const char* dir = std::getenv("VELLOX_CLASSIC_DC_DIR");
    return dir ? dir : "";
}

inline std::string AuthFile()
{
    return Dir() + "/admin.auth";
}

inline net::SambaConnection AdminConnection()
{
    net::SambaConnection connection;
    connection.workgroup = kDomain;
    if (Dir().empty()) {
        ADD_FAILURE() << "VELLOX_CLASSIC_DC_DIR is not set; run the classic controller tests through ctest";
        return connection;
    }
    std::string error;
    std::optional<net::Credentials> admin = net::ReadAuthFile(AuthFile(), error);
    if (!admin) {
        ADD_FAILURE() << "no administrator credentials: " << error;
        return connection;
    }
    connection.credentials = *admin;
    return connection;
}

// The standard output of a shell command; fails the test when it fails.
inline std::string Output(const std::string& command)
{
    std::string out;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        EXPECT_EQ(::pclose(pipe), 0) << command;
    }
    return out;
}

// A command in the controller's namespace, against its own configuration.
inline std::string OnController(const std::string& tool, const std::string& arguments)
{
    return Output("ip netns exec vx-cl-dc " + tool + " -s '" + Dir() + "/etc/smb.conf' " + arguments + " 2>/dev/null");
}

inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Whether `user` logs on to the controller with `password` (an SMB session, from the
// client's side).
inline bool LogsOn(const std::string& user, const std::string& password)
{
    // Through an authentication file, so that the password is on no command line.
    char path[] = "/tmp/vellox-classic-auth.XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0)
        return false;
    const std::string text = "username=" + user + "\npassword=" + password + "\ndomain=" + kDomain + "\n";
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    const std::string command = std::string("smbclient -L CLPDC -m NT1 -g -A ") + path + " >/dev/null 2>&1";
    const bool answered = written && std::system(command.c_str()) == 0;
    ::unlink(path);
    return answered;
}

}  // namespace classic
