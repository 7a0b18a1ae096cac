// WS-Discovery messages (2005/04, SOAP 1.2, as Windows and wsdd speak them): the
// requests we send, the answers we read, and the HTTP response that carries a device's
// metadata. Plain functions, no network. Answers come from anyone on the network: they
// are read namespace-aware with QXmlStreamReader, bounded, and refused whole when
// anything about them is wrong.
#pragma once

#include "platform/net/discovery/discovery.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net {

inline constexpr std::size_t kWsdMaxDatagram = 32767;      // SOAP-over-UDP's own limit
inline constexpr std::size_t kWsdMaxMatches = 256;         // per answer, and per run
inline constexpr std::size_t kWsdMaxHttpHead = 16 * 1024;  // status line and headers
inline constexpr std::size_t kWsdMaxHttpBody = 256 * 1024;
inline constexpr std::size_t kWsdMaxNameLength = 63;

// "urn:uuid:" and a fresh random UUID.
std::string NewWsdMessageId();

// A Probe for devices (wsdp:Device), a Resolve of an endpoint address, and a WS-Transfer
// Get of a device's metadata sent to `endpoint` from our own endpoint `from`.
std::string BuildWsdProbe(const std::string& messageId);
std::string BuildWsdResolve(const std::string& messageId, const std::string& endpoint);
std::string BuildWsdGet(const std::string& messageId, const std::string& endpoint, const std::string& from);

// The addressing header of a SOAP message; nullopt when it isn't a well-formed SOAP 1.2
// envelope.
struct WsdHeader {
    std::string to;
    std::string action;
    std::string messageId;
    std::string relatesTo;
};
std::optional<WsdHeader> ReadWsdHeader(std::string_view xml);

// One ProbeMatch or ResolveMatch. Types are qualified names resolved against the
// answer's own prefixes, written "{namespace}local"; `hasTypes` is false when the match
// lists none at all.
struct WsdMatch {
    std::string endpoint;
    bool hasTypes = false;
    std::vector<std::string> types;
    std::vector<std::string> xaddrs;
};

enum class WsdMatchKind { Probe, Resolve };

struct WsdMatches {
    WsdHeader header;
    WsdMatchKind kind = WsdMatchKind::Probe;
    std::vector<WsdMatch> matches;
};

// A ProbeMatches or ResolveMatches answer: nullopt when it is neither, too big, has
// more than kWsdMaxMatches matches, lacks RelatesTo, or has a match without an
// endpoint address.
std::optional<WsdMatches> ReadWsdMatches(std::string_view datagram);

// Whether a match may be a computer worth asking for its name: it says it is one
// (pub:Computer among its types) or lists no types.
bool IsWsdComputer(const WsdMatch& match);

// Where to send a device's Get. Of its XAddrs (http URLs whose host is an address, not a
// name) the one on `from`, the address the device answered from, else the first IPv4
// one, else the first other one; nullopt when none fits.
struct WsdHttpTarget {
    std::string host;  // an IPv4 or IPv6 address, without brackets or scope
    std::uint16_t port = 80;
    std::string path;  // path and query, as sent in the request line
};
std::optional<WsdHttpTarget> ChooseWsdXAddr(const std::vector<std::string>& xaddrs, const std::string& from);

// The HTTP/1.1 POST that carries `body` (a SOAP message) to `target`.
std::string BuildWsdHttpPost(const WsdHttpTarget& target, const std::string& body);

// The text of pub:Computer in the host relationship of a Get answer's metadata.
std::optional<std::string> ReadWsdComputer(std::string_view getResponse);

// "NAME/Workgroup:WG", "NAME/Domain:DOM" or "NAME/NotJoined" as a host (address left
// empty); nullopt when the text has none of these forms or a name is unusable.
std::optional<DiscoveredHost> ParseWsdComputer(std::string_view text);

// One entry per name, compared ignoring case: the first found, with an IPv4 address
// when any of its duplicates has one. Sorted by name.
std::vector<DiscoveredHost> MergeWsdHosts(const std::vector<DiscoveredHost>& hosts);

// Reads an HTTP/1.x response as its bytes arrive: status line, headers, and a body
// delimited by Content-Length, chunked transfer coding, or the end of the connection.
// Fails on anything malformed, a head beyond kWsdMaxHttpHead, a body beyond
// kWsdMaxHttpBody whatever its headers promise, or chunk framing beyond as much again.
class HttpResponseReader {
public:
    enum class Result { More, Done, Failed };

    Result Feed(std::string_view bytes);
    // The peer closed the connection.
    Result Finish();

    int status() const { return m_status; }
    const std::string& body() const { return m_body; }

private:
    enum class Phase {
        StatusLine,
        Headers,
        Length,
        ChunkSize,
        ChunkData,
        ChunkEnd,
        Trailers,
        UntilClose,
        Done,
        Failed
    };

    bool TakeLine(std::string_view& bytes, std::string& line);
    bool HeadLine(const std::string& line);
    bool StartBody();
    Result Fail();

    Phase m_phase = Phase::StatusLine;
    std::string m_line;
    std::size_t m_headBytes = 0;     // status line, headers and trailers
    std::size_t m_framingBytes = 0;  // chunk size lines and their ends
    int m_status = 0;
    std::optional<std::size_t> m_contentLength;
    bool m_chunked = false;
    std::size_t m_remaining = 0;
    std::string m_body;
};

}  // namespace net
