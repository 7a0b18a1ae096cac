// Secrets that tests and benchmarks hand to other programs (a password for kinit or
// ldapsearch, an auth file, a Kerberos cache) live in a folder of their own: made by
// mkdtemp (mode 0700) under the temporary folder, its files made by mkstemp (mode
// 0600), and removed with everything in it when the object goes, a failed test
// included. No fixed name under /tmp that another user could plant first.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace vxtest {

class PrivateFolder {
public:
    PrivateFolder()
    {
        std::error_code error;
        std::string pattern = (std::filesystem::temp_directory_path(error) / "vellox-private-XXXXXX").string();
        if (!error && ::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~PrivateFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // The folder, or "" when it could not be made.
    const std::string& Path() const { return m_path; }

    // A new file in the folder, named stem-XXXXXX, holding text; its path, or "" when it
    // could not be made or written.
    std::string Write(const std::string& stem, std::string_view text) const
    {
        if (m_path.empty())
            return "";
        std::string path = m_path + "/" + stem + "-XXXXXX";
        const int fd = ::mkstemp(path.data());
        if (fd < 0)
            return "";
        bool ok = true;
        while (ok && !text.empty()) {
            const ssize_t n = ::write(fd, text.data(), text.size());
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0;
            if (ok)
                text.remove_prefix(static_cast<std::size_t>(n));
        }
        if (::close(fd) != 0 || !ok) {
            ::unlink(path.c_str());
            return "";
        }
        return path;
    }

private:
    std::string m_path;
};

}  // namespace vxtest
