// The smb.conf reading that finds the local domain at start-up. The input is the
// configuration's text. The workgroup comes back trimmed and on one line; a file saved
// with CR LF line ends reads the same; a [global] workgroup appended at the end, however
// its name is spaced and cased, is the one that counts.
#include "platform/net/samba_config.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace net;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string workgroup = WorkgroupFromSmbConf(text);
    FUZZ_CHECK(workgroup.find('\n') == std::string::npos);
    FUZZ_CHECK(workgroup.empty() || (workgroup.front() != ' ' && workgroup.front() != '\t' && workgroup.back() != ' ' &&
                                     workgroup.back() != '\t' && workgroup.back() != '\r'));

    if (text.find('\r') == std::string::npos) {
        std::string crlf;
        for (const char c : text)
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        FUZZ_CHECK(WorkgroupFromSmbConf(crlf) == workgroup);
    }
    // The blank line ends a line the text leaves continued with a backslash.
    FUZZ_CHECK(WorkgroupFromSmbConf(text + "\n\n[ Global ]\n\tWork Group = FUZZ-WG \n") == "FUZZ-WG");
    return 0;
}
