// WS-Discovery messages: what we send reads back, what wsdd and Windows answer is read,
// and every answer that is malformed, oversized or names a host badly is refused. That
// wsdd takes our Probe and Resolve is shown by the integration test.
#include "platform/net/discovery/wsd_messages.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using namespace net;

// The envelope wsdd writes, around a header tail and a body.
std::string WsddEnvelope(const std::string& action, const std::string& header, const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
           "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
           "xmlns:wsd=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
           "xmlns:wsx=\"http://schemas.xmlsoap.org/ws/2004/09/mex\" "
           "xmlns:wsdp=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\" "
           "xmlns:pnpx=\"http://schemas.microsoft.com/windows/pnpx/2005/10\" "
           "xmlns:pub=\"http://schemas.microsoft.com/windows/pub/2005/07\">"
           "<soap:Header><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To><wsa:Action>" +
           action + "</wsa:Action><wsa:MessageID>urn:uuid:cdf16038-f276-11f1-b30e-be7a12fe49c7</wsa:MessageID>" +
           header + "</soap:Header><soap:Body>" + body + "</soap:Body></soap:Envelope>";
}

const std::string kRelates = "<wsa:RelatesTo>urn:uuid:e7be28f4-cdc8-47b3-b5ba-388e716e10d0</wsa:RelatesTo>";
const std::string kEndpoint = "<wsa:EndpointReference><wsa:Address>urn:uuid:65496228-cfca-5541-8ee6-f952cbe3e832</"
                              "wsa:Address></wsa:EndpointReference>";
const std::string kProbeMatches = "http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches";

std::string ProbeMatch(const std::string& inner, const std::string& header = kRelates)
{
    return WsddEnvelope(kProbeMatches, header,
                        "<wsd:ProbeMatches><wsd:ProbeMatch>" + inner + "</wsd:ProbeMatch></wsd:ProbeMatches>");
}

// Metadata as wsdd's Get answer carries it, with `computer` as pub:Computer's content.
std::string Metadata(const std::string& computer)
{
    return WsddEnvelope(
        "http://schemas.xmlsoap.org/ws/2004/09/transfer/GetResponse", kRelates,
        "<wsx:Metadata><wsx:MetadataSection Dialect=\"http://schemas.xmlsoap.org/ws/2006/02/devprof/ThisDevice\">"
        "<wsdp:ThisDevice><wsdp:FriendlyName>WSD Device NB1</wsdp:FriendlyName></wsdp:ThisDevice></wsx:MetadataSection>"
        "<wsx:MetadataSection Dialect=\"http://schemas.xmlsoap.org/ws/2006/02/devprof/Relationship\">"
        "<wsdp:Relationship Type=\"http://schemas.xmlsoap.org/ws/2006/02/devprof/host\"><wsdp:Host>" +
            kEndpoint + "<wsdp:Types>pub:Computer</wsdp:Types>" + computer +
            "</wsdp:Host></wsdp:Relationship></wsx:MetadataSection></wsx:Metadata>");
}

// The same document behind a DTD that declares entities.
std::string WithDoctype(const std::string& xml)
{
    return "<?xml version=\"1.0\"?><!DOCTYPE soap:Envelope [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>" +
           xml.substr(xml.find("?>") + 2);
}

struct MatchCase {
    const char* what;
    std::string xml;
    bool read;
    WsdMatchKind kind = WsdMatchKind::Probe;
    std::vector<std::string> xaddrs = {};
    bool computer = true;
    std::string endpoint = "urn:uuid:65496228-cfca-5541-8ee6-f952cbe3e832";
};

TEST(WsdMessages, ReadsProbeAndResolveMatches)
{
    const std::string types =
        "<wsd:Types>wsdp:Device pub:Computer</wsd:Types><wsd:MetadataVersion>1</wsd:MetadataVersion>";
    // Windows' style: its own prefixes, a default namespace, several XAddrs over lines.
    const std::string windows =
        "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
        "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\">"
        "<s:Header><a:Action>" +
        kProbeMatches +
        "</a:Action><a:RelatesTo>urn:uuid:e7be28f4-cdc8-47b3-b5ba-388e716e10d0</a:RelatesTo>"
        "</s:Header><s:Body><ProbeMatches xmlns=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
        "xmlns:d=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\">"
        "<ProbeMatch><a:EndpointReference><a:Address>urn:uuid:65496228-cfca-5541-8ee6-f952cbe3e832</a:Address></"
        "a:EndpointReference>"
        "<Types xmlns:c=\"http://schemas.microsoft.com/windows/pub/2005/07\">d:Device c:Computer</Types>"
        "<XAddrs>http://[fe80::1c2d:3e4f:5a6b:7c8d]:5357/1f0b\n  http://192.168.1.20:5357/1f0b</XAddrs>"
        "</ProbeMatch></ProbeMatches></s:Body></s:Envelope>";
    const std::string small =
        "<wsd:ProbeMatch><wsa:EndpointReference><wsa:Address>u</wsa:Address></wsa:EndpointReference></wsd:ProbeMatch>";
    std::string most;
    for (std::size_t i = 0; i < kWsdMaxMatches; ++i)
        most += small;

    const MatchCase cases[] = {
        {"wsdd's probe match, without XAddrs", ProbeMatch(kEndpoint + types), true},
        {"wsdd's resolve match",
         WsddEnvelope("http://schemas.xmlsoap.org/ws/2005/04/discovery/ResolveMatches", kRelates,
                      "<wsd:ResolveMatches><wsd:ResolveMatch>" + kEndpoint + types +
                          "<wsd:XAddrs>http://192.0.2.10:5357/65496228-cfca-5541-8ee6-f952cbe3e832</wsd:XAddrs>"
                          "</wsd:ResolveMatch></wsd:ResolveMatches>"),
         true,
         WsdMatchKind::Resolve,
         {"http://192.0.2.10:5357/65496228-cfca-5541-8ee6-f952cbe3e832"}},
        {"Windows, other prefixes",
         windows,
         true,
         WsdMatchKind::Probe,
         {"http://[fe80::1c2d:3e4f:5a6b:7c8d]:5357/1f0b", "http://192.168.1.20:5357/1f0b"}},
        {"a printer",
         ProbeMatch(kEndpoint +
                    "<wsd:Types xmlns:p=\"http://schemas.microsoft.com/windows/2006/08/wdp/print\">wsdp:Device "
                    "p:PrintDeviceType</wsd:Types>"),
         true,
         WsdMatchKind::Probe,
         {},
         false},
        {"no types at all", ProbeMatch(kEndpoint), true},
        {"256 matches",
         WsddEnvelope(kProbeMatches, kRelates, "<wsd:ProbeMatches>" + most + "</wsd:ProbeMatches>"),
         true,
         WsdMatchKind::Probe,
         {},
         true,
         "u"},
        {"257 matches",
         WsddEnvelope(kProbeMatches, kRelates, "<wsd:ProbeMatches>" + most + small + "</wsd:ProbeMatches>"), false},
        {"malformed", ProbeMatch(kEndpoint + "<wsd:Types>wsdp:Device"), false},
        {"a DOCTYPE", WithDoctype(ProbeMatch(kEndpoint + "<wsd:Types>&b;</wsd:Types>")), false},
        {"an undeclared entity", ProbeMatch(kEndpoint + "<wsd:Types>&b;</wsd:Types>"), false},
        {"WS-Discovery 1.1's namespace",
         WsddEnvelope(kProbeMatches, kRelates,
                      "<ProbeMatches xmlns=\"http://docs.oasis-open.org/ws-dd/ns/discovery/2009/01\"><ProbeMatch>" +
                          kEndpoint + "</ProbeMatch></ProbeMatches>"),
         false},
        {"a SOAP 1.1 envelope", "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"/>", false},
        {"no RelatesTo", ProbeMatch(kEndpoint, ""), false},
        {"a match without an endpoint", ProbeMatch(types), false},
        {"an undeclared prefix among the types",
         ProbeMatch(kEndpoint + "<wsd:Types>wsdp:Device x:Computer</wsd:Types>"), false},
        {"an element inside the address",
         ProbeMatch("<wsa:EndpointReference><wsa:Address>urn:<b>x</b></wsa:Address></wsa:EndpointReference>"), false},
        {"a datagram beyond the bound", ProbeMatch(kEndpoint + std::string(kWsdMaxDatagram, ' ')), false},
        {"no matches list", WsddEnvelope(kProbeMatches, kRelates, ""), false},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<WsdMatches> answer = ReadWsdMatches(c.xml);
        ASSERT_EQ(answer.has_value(), c.read);
        if (!answer)
            continue;
        EXPECT_EQ(answer->kind, c.kind);
        EXPECT_EQ(answer->header.relatesTo, "urn:uuid:e7be28f4-cdc8-47b3-b5ba-388e716e10d0");
        ASSERT_FALSE(answer->matches.empty());
        EXPECT_EQ(answer->matches[0].endpoint, c.endpoint);
        EXPECT_EQ(answer->matches[0].xaddrs, c.xaddrs);
        EXPECT_EQ(IsWsdComputer(answer->matches[0]), c.computer);
    }
}

TEST(WsdMessages, ReadsTheComputerOfTheMetadata)
{
    const std::string computer = "<pub:Computer>NB1/Workgroup:VXLAN</pub:Computer>";
    const struct {
        const char* what;
        std::string xml;
        std::optional<std::string> text;
    } cases[] = {
        {"wsdd's answer", Metadata(computer), "NB1/Workgroup:VXLAN"},
        {"blanks around the text", Metadata("<pub:Computer>\n  pc7/Domain:corp.example\n</pub:Computer>"),
         "pc7/Domain:corp.example"},
        {"another prefix",
         Metadata(
             "<c:Computer xmlns:c=\"http://schemas.microsoft.com/windows/pub/2005/07\">Box/NotJoined</c:Computer>"),
         "Box/NotJoined"},
        {"no computer (a printer)", Metadata(""), std::nullopt},
        {"a computer of another namespace", Metadata("<x:Computer xmlns:x=\"urn:other\">NB1/NotJoined</x:Computer>"),
         std::nullopt},
        {"a computer outside the host",
         WsddEnvelope("GetResponse", "", "<wsx:Metadata>" + computer + "</wsx:Metadata>"), std::nullopt},
        {"malformed", Metadata(computer).substr(0, Metadata(computer).size() - 20), std::nullopt},
        {"a DOCTYPE", WithDoctype(Metadata(computer)), std::nullopt},
        {"beyond the bound", Metadata(computer + std::string(kWsdMaxHttpBody, ' ')), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadWsdComputer(c.xml), c.text);
    }
}

TEST(WsdMessages, ParsesTheComputerTextIntoNameAndGroup)
{
    const std::string longest(kWsdMaxNameLength, 'N');
    const struct {
        std::string text;
        std::optional<std::pair<std::string, std::string>> host;
    } cases[] = {
        {"NB1/Workgroup:VXLAN", {{"NB1", "VXLAN"}}},
        {"pc7/Domain:corp.example", {{"pc7", "corp.example"}}},
        {" Box/NotJoined\n", {{"Box", "WORKGROUP"}}},
        {"Box/Workgroup:", {{"Box", "WORKGROUP"}}},
        {"Bücher/Workgroup:Grüne", {{"Bücher", "Grüne"}}},
        {longest + "/NotJoined", {{longest, "WORKGROUP"}}},
        {longest + "N/NotJoined", std::nullopt},
        {"NB1", std::nullopt},
        {"/Workgroup:VXLAN", std::nullopt},
        {"NB1/Member:VXLAN", std::nullopt},
        {"A\\B/Workgroup:VXLAN", std::nullopt},
        {"A\x01"
         "B/Workgroup:VXLAN",
         std::nullopt},
        {"NB1/Workgroup:VX\\LAN", std::nullopt},
        {"NB1/Domain:corp/example", std::nullopt},
        {"NB1/Workgroup:VX\tLAN", std::nullopt},
        {"NB1/Workgroup:" + longest + "N", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<DiscoveredHost> host = ParseWsdComputer(c.text);
        ASSERT_EQ(host.has_value(), c.host.has_value());
        if (host) {
            EXPECT_EQ(host->name, c.host->first);
            EXPECT_EQ(host->group, c.host->second);
        }
    }
}

TEST(WsdMessages, ChoosesTheXAddrOnTheAnsweringAddressThenIPv4)
{
    const std::string v6 = "http://[fe80::1c2d:3e4f:5a6b:7c8d]:5357/1f0b";
    const struct {
        const char* what;
        std::vector<std::string> xaddrs;
        std::string from;
        std::optional<std::string> host;
        std::uint16_t port = 5357;
        std::string path = "/1f0b";
    } cases[] = {
        {"the sender's",
         {v6, "http://10.0.0.5:5357/1f0b", "http://192.168.1.20:5357/1f0b"},
         "192.168.1.20",
         "192.168.1.20"},
        {"the sender's, link-local",
         {"http://10.0.0.5:5357/1f0b", v6},
         "fe80::1c2d:3e4f:5a6b:7c8d",
         "fe80::1c2d:3e4f:5a6b:7c8d"},
        {"IPv4 first", {v6, "http://10.0.0.5:5357/1f0b"}, "192.168.1.20", "10.0.0.5"},
        {"IPv6 alone", {v6}, "192.168.1.20", "fe80::1c2d:3e4f:5a6b:7c8d"},
        {"defaults and a query", {"http://10.0.0.5"}, "", "10.0.0.5", 80, "/"},
        {"query kept", {"http://10.0.0.5:8080/a/b?x=1"}, "", "10.0.0.5", 8080, "/a/b?x=1"},
        {"none usable",
         {"https://10.0.0.5/x", "http://fileserver:5357/x", "urn:x", "http://user@10.0.0.5/", "http://10.0.0.5:99999/"},
         "10.0.0.5",
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<WsdHttpTarget> target = ChooseWsdXAddr(c.xaddrs, c.from);
        ASSERT_EQ(target.has_value(), c.host.has_value());
        if (target) {
            EXPECT_EQ(target->host, *c.host);
            EXPECT_EQ(target->port, c.port);
            EXPECT_EQ(target->path, c.path);
        }
    }
}

TEST(WsdMessages, BuiltMessagesReadBack)
{
    const std::string id = NewWsdMessageId();
    EXPECT_TRUE(
        std::regex_match(id, std::regex("urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[0-9a-f]{4}-[0-9a-f]{12}")))
        << id;
    EXPECT_NE(NewWsdMessageId(), id);

    const std::string discovery = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
    const std::string endpoint = "urn:uuid:65496228-cfca-5541-8ee6-f952cbe3e832&<x>";
    const struct {
        std::string xml;
        std::string to;
        std::string action;
    } cases[] = {
        {BuildWsdProbe(id), "urn:schemas-xmlsoap-org:ws:2005:04:discovery", discovery + "/Probe"},
        {BuildWsdResolve(id, endpoint), "urn:schemas-xmlsoap-org:ws:2005:04:discovery", discovery + "/Resolve"},
        {BuildWsdGet(id, endpoint, "urn:uuid:self"), endpoint, "http://schemas.xmlsoap.org/ws/2004/09/transfer/Get"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        const std::optional<WsdHeader> header = ReadWsdHeader(c.xml);
        ASSERT_TRUE(header.has_value());
        EXPECT_EQ(header->to, c.to);
        EXPECT_EQ(header->action, c.action);
        EXPECT_EQ(header->messageId, id);
    }
    const std::string post = BuildWsdHttpPost({"fe80::1", 5357, "/1f0b"}, "<x/>");
    EXPECT_EQ(post,
              "POST /1f0b HTTP/1.1\r\nHost: [fe80::1]:5357\r\nContent-Type: application/soap+xml; charset=utf-8\r\n"
              "Content-Length: 4\r\nConnection: close\r\n\r\n<x/>");
}

TEST(WsdMessages, MergesOneHostFoundSeveralTimes)
{
    const std::vector<DiscoveredHost> merged = MergeWsdHosts({
        {"nb1", "VXLAN", "fe80::1%vx-client1"},
        {"Zeta", "WORKGROUP", "192.0.2.30"},
        {"NB1", "VXLAN", "198.51.100.10"},
        {"nb1", "VXLAN", "198.51.100.11"},
    });
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0].name, "nb1");
    EXPECT_EQ(merged[0].address, "198.51.100.10");
    EXPECT_EQ(merged[1].name, "Zeta");
}

struct HttpCase {
    const char* what;
    std::string response;
    bool close;  // the peer closes after the bytes
    HttpResponseReader::Result result;
    int status = 200;
    std::string body = "<x/>";
};

HttpResponseReader::Result ReadHttp(const HttpCase& c, std::size_t piece, HttpResponseReader& reader)
{
    HttpResponseReader::Result result = HttpResponseReader::Result::More;
    for (std::size_t at = 0; at < c.response.size() && result == HttpResponseReader::Result::More; at += piece)
        result = reader.Feed(std::string_view(c.response).substr(at, piece));
    if (c.close && result == HttpResponseReader::Result::More)
        result = reader.Finish();
    return result;
}

TEST(WsdMessages, ReadsHttpResponsesWithinBounds)
{
    using R = HttpResponseReader::Result;
    const std::string ok = "HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml\r\n";
    const std::string big(kWsdMaxHttpBody + 1, ' ');
    std::string chunks;
    for (std::size_t i = 0; i <= kWsdMaxHttpBody / 1024; ++i)
        chunks += "400\r\n" + std::string(1024, ' ') + "\r\n";
    const HttpCase cases[] = {
        {"Content-Length", ok + "Content-Length: 4\r\n\r\n<x/>", false, R::Done},
        {"chunked, with an extension and a trailer",
         ok + "Transfer-Encoding: chunked\r\n\r\n2;x=y\r\n<x\r\n2\r\n/>\r\n0\r\nT: 1\r\n\r\n", false, R::Done},
        {"until the connection ends, bare line feeds", "HTTP/1.0 200 OK\nServer: BaseHTTP/0.6\n\n<x/>", true, R::Done},
        {"an error status", "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\n<x/>", false, R::Done, 404},
        {"cut short", ok + "Content-Length: 40\r\n\r\n<x/>", true, R::Failed},
        {"cut inside the head", ok, true, R::Failed},
        {"a length beyond the bound", ok + "Content-Length: " + std::to_string(kWsdMaxHttpBody + 1) + "\r\n\r\n", false,
         R::Failed},
        {"two lengths", ok + "Content-Length: 4\r\nContent-Length: 5\r\n\r\n<x/>", false, R::Failed},
        {"a body beyond the bound", ok + "\r\n" + big, true, R::Failed},
        {"chunks beyond the bound", ok + "Transfer-Encoding: chunked\r\n\r\n" + chunks, false, R::Failed},
        {"a head beyond the bound", ok + "X: " + std::string(kWsdMaxHttpHead, 'x') + "\r\n\r\n<x/>", true, R::Failed},
        {"length and chunked at once", ok + "Content-Length: 4\r\nTransfer-Encoding: chunked\r\n\r\n<x/>", false,
         R::Failed},
        {"another transfer coding", ok + "Transfer-Encoding: gzip\r\n\r\n<x/>", true, R::Failed},
        {"a bad chunk size", ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n<x/>", false, R::Failed},
        {"not HTTP", "SSH-2.0-OpenSSH_9.2\r\n\r\n", true, R::Failed},
        {"a folded header", ok + " folded\r\n\r\n<x/>", true, R::Failed},
    };
    for (const HttpCase& c : cases) {
        for (const std::size_t piece : {c.response.size(), std::size_t{1}}) {
            SCOPED_TRACE(std::string(c.what) + (piece == 1 ? ", a byte at a time" : ""));
            HttpResponseReader reader;
            ASSERT_EQ(ReadHttp(c, piece, reader), c.result);
            if (c.result == R::Done) {
                EXPECT_EQ(reader.status(), c.status);
                EXPECT_EQ(reader.body(), c.body);
            }
        }
    }
}

}  // namespace
