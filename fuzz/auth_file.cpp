// The authentication-file reader. The input is the file's text. Names come back without
// surrounding blanks and a password without leading ones; no value runs into the next
// line; a file saved with CR LF line ends, or with comment lines added, reads the same.
#include "platform/net/credentials.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace net;

namespace {

bool Trimmed(const std::string& s)
{
    const std::string blanks = " \t\r\n";
    return s.empty() || (blanks.find(s.front()) == std::string::npos && blanks.find(s.back()) == std::string::npos);
}

bool Same(const Credentials& a, const Credentials& b)
{
    return a.user == b.user && a.domain == b.domain && a.password == b.password;
}

// `text` with every line preceded by a comment line of each kind.
std::string WithComments(const std::string& text)
{
    std::string out = "# comment\n";
    for (const char c : text) {
        out += c;
        if (c == '\n')
            out += "  ; comment = x\n";
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Credentials creds = ParseAuthText(text);
    FUZZ_CHECK(Trimmed(creds.user));
    FUZZ_CHECK(Trimmed(creds.domain));
    FUZZ_CHECK(creds.password.empty() || (creds.password.front() != ' ' && creds.password.front() != '\t'));
    for (const std::string* value : {&creds.user, &creds.domain, &creds.password})
        FUZZ_CHECK(value->find('\n') == std::string::npos);

    FUZZ_CHECK(Same(ParseAuthText(WithComments(text)), creds));
    if (text.find('\r') == std::string::npos) {
        std::string crlf;
        for (const char c : text)
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        FUZZ_CHECK(Same(ParseAuthText(crlf), creds));
    }
    return 0;
}
