// The WS-Discovery answer readers: what any host on the network may send. An input
// that starts as an HTTP response goes through the HTTP reader, fed in pieces of
// varying size and whole, which must agree; its body, or any other input, goes through
// the SOAP readers. What they accept must make sense to the code that uses it: a match
// has an endpoint, the request built for a chosen XAddr has no line break or blank in
// its request line, a computer's name and group are usable names, and a Get built for
// an endpoint read back names that endpoint again.
#include "platform/net/discovery/wsd_messages.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace net;

namespace {

struct HttpOutcome {
    HttpResponseReader::Result result;
    int status;
    std::string body;
};

HttpOutcome ReadHttp(std::string_view bytes, std::size_t step)
{
    HttpResponseReader reader;
    HttpResponseReader::Result result = HttpResponseReader::Result::More;
    for (std::size_t at = 0; at < bytes.size() && result == HttpResponseReader::Result::More;) {
        result = reader.Feed(bytes.substr(at, step));
        at += step;
        step = step % 13 + 1;  // pieces of changing size
    }
    if (result == HttpResponseReader::Result::More)
        result = reader.Finish();
    return {result, reader.status(), reader.body()};
}

void CheckTarget(const WsdHttpTarget& target)
{
    FUZZ_CHECK(!target.host.empty() && target.host.find_first_of("[]%/ ") == std::string::npos);
    FUZZ_CHECK(target.port != 0);
    FUZZ_CHECK(target.path.starts_with('/'));
    for (const char c : target.path)
        FUZZ_CHECK(static_cast<unsigned char>(c) > ' ' && static_cast<unsigned char>(c) < 0x7F);
    // The head ends once, right before the body.
    const std::string request = BuildWsdHttpPost(target, "<x/>");
    FUZZ_CHECK(request.find("\r\n\r\n") == request.size() - 8);
}

void CheckName(const std::string& name)
{
    FUZZ_CHECK(!name.empty() && name.find_first_of("/\\\r\n") == std::string::npos);
}

void ReadSoap(std::string_view xml)
{
    if (const auto answer = ReadWsdMatches(xml)) {
        FUZZ_CHECK(!answer->header.relatesTo.empty());
        FUZZ_CHECK(answer->matches.size() <= kWsdMaxMatches);
        for (const WsdMatch& match : answer->matches) {
            FUZZ_CHECK(!match.endpoint.empty());
            IsWsdComputer(match);
            if (const auto target = ChooseWsdXAddr(match.xaddrs, "192.0.2.10"))
                CheckTarget(*target);
            // The Get we would send to this endpoint is a well-formed message to it.
            const auto header = ReadWsdHeader(BuildWsdGet("urn:uuid:1", match.endpoint, "urn:uuid:2"));
            FUZZ_CHECK(header && header->to == match.endpoint);
        }
    }
    if (const auto computer = ReadWsdComputer(xml)) {
        if (const auto host = ParseWsdComputer(*computer)) {
            CheckName(host->name);
            CheckName(host->group);
            FUZZ_CHECK(host->address.empty());
        }
    }
    ReadWsdHeader(xml);
    if (const auto host = ParseWsdComputer(xml)) {
        CheckName(host->name);
        CheckName(host->group);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!bytes.starts_with("HTTP/")) {
        ReadSoap(bytes);
        return 0;
    }
    const HttpOutcome whole = ReadHttp(bytes, bytes.size() + 1);
    const HttpOutcome pieces = ReadHttp(bytes, size % 7 + 1);
    FUZZ_CHECK(whole.result == pieces.result);
    FUZZ_CHECK(whole.body == pieces.body);
    if (whole.result == HttpResponseReader::Result::Done) {
        FUZZ_CHECK(whole.status == pieces.status);
        FUZZ_CHECK(whole.body.size() <= kWsdMaxHttpBody);
        ReadSoap(whole.body);
    } else {
        FUZZ_CHECK(whole.body.empty() || whole.result == HttpResponseReader::Result::More);
    }
    return 0;
}
