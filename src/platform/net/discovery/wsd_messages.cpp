#include "platform/net/discovery/wsd_messages.h"

#include <QHostAddress>
#include <QString>
#include <QUrl>
#include <QUuid>
#include <QXmlStreamReader>

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <map>

namespace net {
namespace {

#define WSD_ADDRESSING_NS "http://schemas.xmlsoap.org/ws/2004/08/addressing"
#define WSD_DISCOVERY_NS "http://schemas.xmlsoap.org/ws/2005/04/discovery"

constexpr char kSoapNs[] = "http://www.w3.org/2003/05/soap-envelope";
constexpr char kAddressingNs[] = WSD_ADDRESSING_NS;
constexpr char kDiscoveryNs[] = WSD_DISCOVERY_NS;
constexpr char kDevprofNs[] = "http://schemas.xmlsoap.org/ws/2006/02/devprof";
constexpr char kMexNs[] = "http://schemas.xmlsoap.org/ws/2004/09/mex";
constexpr char kPubNs[] = "http://schemas.microsoft.com/windows/pub/2005/07";

constexpr char kEnvelopeStart[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                  "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\""
                                  " xmlns:wsa=\"" WSD_ADDRESSING_NS "\""
                                  " xmlns:wsd=\"" WSD_DISCOVERY_NS "\""
                                  " xmlns:wsdp=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\">";
constexpr char kDiscoveryTo[] = "urn:schemas-xmlsoap-org:ws:2005:04:discovery";
constexpr char kProbeAction[] = WSD_DISCOVERY_NS "/Probe";
constexpr char kResolveAction[] = WSD_DISCOVERY_NS "/Resolve";
constexpr char kGetAction[] = "http://schemas.xmlsoap.org/ws/2004/09/transfer/Get";
constexpr char kAnonymous[] = WSD_ADDRESSING_NS "/role/anonymous";

#undef WSD_ADDRESSING_NS
#undef WSD_DISCOVERY_NS

// An element's name as namespace URI and local name.
struct XmlName {
    const char* ns;
    const char* local;
};

constexpr XmlName kEnvelope{kSoapNs, "Envelope"};
constexpr XmlName kHeader{kSoapNs, "Header"};
constexpr XmlName kBody{kSoapNs, "Body"};

std::string Escape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '\r':
            out += "&#13;";
            break;  // a CR as such reads back as a line feed
        default:
            out += c;
        }
    }
    return out;
}

std::string Envelope(const std::string& to, const char* action, const std::string& messageId,
                     const std::string& moreHeader, const std::string& body)
{
    return std::string(kEnvelopeStart) + "<soap:Header><wsa:To>" + Escape(to) + "</wsa:To><wsa:Action>" + action +
           "</wsa:Action><wsa:MessageID>" + Escape(messageId) + "</wsa:MessageID>" + moreHeader +
           "</soap:Header><soap:Body>" + body + "</soap:Body></soap:Envelope>";
}

// Walks a SOAP envelope from one start element to the next, knowing each element's
// path from the root and the namespace prefixes in scope. Any DTD, entity reference,
// malformed XML or a root other than a SOAP 1.2 envelope ends the walk as failed.
class XmlWalk {
public:
    explicit XmlWalk(std::string_view xml)
        : m_reader(QByteArray::fromRawData(xml.data(), static_cast<qsizetype>(xml.size())))
    {
    }

    // The next start element; false at the end of the document or when it failed.
    bool Next()
    {
        if (m_textRead) {
            Pop();
            m_textRead = false;
        }
        while (!m_failed && !m_reader.atEnd()) {
            switch (m_reader.readNext()) {
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::EntityReference:
                m_failed = true;
                break;
            case QXmlStreamReader::StartElement:
                m_path.emplace_back(m_reader.namespaceUri().toString(), m_reader.name().toString());
                m_scopes.push_back(m_reader.namespaceDeclarations());
                if (m_path.size() == 1 && !At({kEnvelope}))
                    m_failed = true;
                else
                    return true;
                break;
            case QXmlStreamReader::EndElement:
                Pop();
                break;
            default:
                break;
            }
        }
        if (m_reader.hasError())
            m_failed = true;
        return false;
    }

    bool ok() const { return !m_failed && !m_reader.hasError() && m_reader.atEnd(); }

    bool At(std::initializer_list<XmlName> path) const
    {
        if (path.size() != m_path.size())
            return false;
        return std::equal(path.begin(), path.end(), m_path.begin(), [](const XmlName& want, const auto& have) {
            return have.first == QLatin1String(want.ns) && have.second == QLatin1String(want.local);
        });
    }

    std::size_t depth() const { return m_path.size(); }

    // The current element's text, trimmed; an element inside it fails the walk. The
    // element stays current (its prefixes in scope) until the next step.
    std::string Text()
    {
        const QString text = m_reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_reader.hasError()) {
            m_failed = true;
            return {};
        }
        m_textRead = true;
        return text.trimmed().toStdString();
    }

    // A qualified name written in text ("wsdp:Device") as "{namespace}local", by the
    // prefixes in scope at the current element; nullopt for an undeclared prefix.
    std::optional<std::string> Resolve(const QString& qname) const
    {
        const qsizetype colon = qname.indexOf(u':');
        const QString prefix = colon < 0 ? QString() : qname.left(colon);
        const QString local = colon < 0 ? qname : qname.mid(colon + 1);
        if (local.isEmpty())
            return std::nullopt;
        for (auto scope = m_scopes.rbegin(); scope != m_scopes.rend(); ++scope)
            for (const QXmlStreamNamespaceDeclaration& declaration : *scope)
                if (declaration.prefix() == prefix)
                    return "{" + declaration.namespaceUri().toString().toStdString() + "}" + local.toStdString();
        if (prefix.isEmpty())
            return "{}" + local.toStdString();
        return std::nullopt;
    }

    void Fail() { m_failed = true; }

private:
    void Pop()
    {
        if (!m_path.empty()) {
            m_path.pop_back();
            m_scopes.pop_back();
        }
    }

    QXmlStreamReader m_reader;
    std::vector<std::pair<QString, QString>> m_path;
    std::vector<QXmlStreamNamespaceDeclarations> m_scopes;
    bool m_textRead = false;
    bool m_failed = false;
};

// Reads an addressing header element at the walk's current position, when it is one.
bool ReadHeaderField(XmlWalk& walk, WsdHeader& header)
{
    const std::pair<const char*, std::string*> fields[] = {{"To", &header.to},
                                                           {"Action", &header.action},
                                                           {"MessageID", &header.messageId},
                                                           {"RelatesTo", &header.relatesTo}};
    for (const auto& [local, field] : fields) {
        if (walk.At({kEnvelope, kHeader, {kAddressingNs, local}})) {
            *field = walk.Text();
            return true;
        }
    }
    return false;
}

// The items of a whitespace-separated list.
QStringList Words(const std::string& text)
{
    return QString::fromStdString(text).simplified().split(u' ', Qt::SkipEmptyParts);
}

// A name as a host or group: not empty, not too long, no path separators or controls.
bool UsableName(const QString& name)
{
    if (name.isEmpty() || name.toUcs4().size() > static_cast<qsizetype>(kWsdMaxNameLength))
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) {
        return c == u'\\' || c == u'/' || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
    });
}

std::optional<QHostAddress> AddressOf(const QString& text)
{
    QHostAddress address;
    if (!address.setAddress(text))
        return std::nullopt;
    address.setScopeId({});
    return address;
}

bool IsIPv4(const std::string& address)
{
    const std::optional<QHostAddress> parsed = AddressOf(QString::fromStdString(address));
    return parsed && parsed->protocol() == QAbstractSocket::IPv4Protocol;
}

}  // namespace

std::string NewWsdMessageId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).prepend(u"urn:uuid:").toStdString();
}

std::string BuildWsdProbe(const std::string& messageId)
{
    return Envelope(kDiscoveryTo, kProbeAction, messageId, {},
                    "<wsd:Probe><wsd:Types>wsdp:Device</wsd:Types></wsd:Probe>");
}

std::string BuildWsdResolve(const std::string& messageId, const std::string& endpoint)
{
    return Envelope(kDiscoveryTo, kResolveAction, messageId, {},
                    "<wsd:Resolve><wsa:EndpointReference><wsa:Address>" + Escape(endpoint) +
                        "</wsa:Address></wsa:EndpointReference></wsd:Resolve>");
}

std::string BuildWsdGet(const std::string& messageId, const std::string& endpoint, const std::string& from)
{
    const std::string replyTo = std::string("<wsa:ReplyTo><wsa:Address>") + kAnonymous +
                                "</wsa:Address></wsa:ReplyTo><wsa:From><wsa:Address>" + Escape(from) +
                                "</wsa:Address></wsa:From>";
    return Envelope(endpoint, kGetAction, messageId, replyTo, {});
}

std::optional<WsdHeader> ReadWsdHeader(std::string_view xml)
{
    if (xml.size() > kWsdMaxHttpBody)
        return std::nullopt;
    XmlWalk walk(xml);
    WsdHeader header;
    while (walk.Next())
        ReadHeaderField(walk, header);
    if (!walk.ok())
        return std::nullopt;
    return header;
}

std::optional<WsdMatches> ReadWsdMatches(std::string_view datagram)
{
    if (datagram.size() > kWsdMaxDatagram)
        return std::nullopt;
    XmlWalk walk(datagram);
    WsdMatches answer;
    std::optional<WsdMatchKind> kind;
    const XmlName kinds[][2] = {{{kDiscoveryNs, "ProbeMatches"}, {kDiscoveryNs, "ProbeMatch"}},
                                {{kDiscoveryNs, "ResolveMatches"}, {kDiscoveryNs, "ResolveMatch"}}};
    while (walk.Next()) {
        if (ReadHeaderField(walk, answer.header) || walk.depth() < 3)
            continue;
        if (walk.depth() == 3) {
            for (const WsdMatchKind k : {WsdMatchKind::Probe, WsdMatchKind::Resolve}) {
                if (walk.At({kEnvelope, kBody, kinds[static_cast<int>(k)][0]})) {
                    if (kind)
                        walk.Fail();
                    kind = k;
                }
            }
            continue;
        }
        if (!kind)
            continue;
        const XmlName list = kinds[static_cast<int>(*kind)][0];
        const XmlName item = kinds[static_cast<int>(*kind)][1];
        if (walk.At({kEnvelope, kBody, list, item})) {
            if (answer.matches.size() == kWsdMaxMatches)
                return std::nullopt;
            answer.matches.emplace_back();
        } else if (answer.matches.empty()) {
            continue;
        } else if (walk.At({kEnvelope,
                            kBody,
                            list,
                            item,
                            {kAddressingNs, "EndpointReference"},
                            {kAddressingNs, "Address"}})) {
            answer.matches.back().endpoint = walk.Text();
        } else if (walk.At({kEnvelope, kBody, list, item, {kDiscoveryNs, "XAddrs"}})) {
            for (const QString& xaddr : Words(walk.Text()))
                answer.matches.back().xaddrs.push_back(xaddr.toStdString());
        } else if (walk.At({kEnvelope, kBody, list, item, {kDiscoveryNs, "Types"}})) {
            WsdMatch& match = answer.matches.back();
            match.hasTypes = true;
            for (const QString& type : Words(walk.Text())) {
                std::optional<std::string> resolved = walk.Resolve(type);
                if (!resolved)
                    return std::nullopt;
                match.types.push_back(std::move(*resolved));
            }
        }
    }
    if (!walk.ok() || !kind || answer.header.relatesTo.empty())
        return std::nullopt;
    for (const WsdMatch& match : answer.matches)
        if (match.endpoint.empty())
            return std::nullopt;
    answer.kind = *kind;
    return answer;
}

bool IsWsdComputer(const WsdMatch& match)
{
    const std::string computer = std::string("{") + kPubNs + "}Computer";
    return !match.hasTypes || std::find(match.types.begin(), match.types.end(), computer) != match.types.end();
}

std::optional<WsdHttpTarget> ChooseWsdXAddr(const std::vector<std::string>& xaddrs, const std::string& from)
{
    const std::optional<QHostAddress> sender = AddressOf(QString::fromStdString(from));
    std::optional<WsdHttpTarget> ipv4;
    std::optional<WsdHttpTarget> other;
    for (const std::string& xaddr : xaddrs) {
        const QUrl url(QString::fromStdString(xaddr), QUrl::StrictMode);
        if (!url.isValid() || url.scheme() != u"http" || !url.userInfo().isEmpty())
            continue;
        const std::optional<QHostAddress> host = AddressOf(url.host());
        const int port = url.port(80);
        if (!host || port <= 0 || port > 65535)
            continue;
        WsdHttpTarget target;
        target.host = host->toString().toStdString();
        target.port = static_cast<std::uint16_t>(port);
        target.path = url.path(QUrl::FullyEncoded).toStdString();
        if (target.path.empty())
            target.path = "/";
        if (url.hasQuery())
            target.path += "?" + url.query(QUrl::FullyEncoded).toStdString();
        if (sender && *host == *sender)
            return target;
        if (host->protocol() == QAbstractSocket::IPv4Protocol) {
            if (!ipv4)
                ipv4 = target;
        } else if (!other) {
            other = target;
        }
    }
    return ipv4 ? ipv4 : other;
}

std::string BuildWsdHttpPost(const WsdHttpTarget& target, const std::string& body)
{
    const bool ipv6 = target.host.find(':') != std::string::npos;
    const std::string host = ipv6 ? "[" + target.host + "]" : target.host;
    return "POST " + target.path + " HTTP/1.1\r\nHost: " + host + ":" + std::to_string(target.port) +
           "\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

std::optional<std::string> ReadWsdComputer(std::string_view getResponse)
{
    if (getResponse.size() > kWsdMaxHttpBody)
        return std::nullopt;
    XmlWalk walk(getResponse);
    std::optional<std::string> computer;
    while (walk.Next()) {
        if (!computer && walk.At({kEnvelope,
                                  kBody,
                                  {kMexNs, "Metadata"},
                                  {kMexNs, "MetadataSection"},
                                  {kDevprofNs, "Relationship"},
                                  {kDevprofNs, "Host"},
                                  {kPubNs, "Computer"}}))
            computer = walk.Text();
    }
    if (!walk.ok())
        return std::nullopt;
    return computer;
}

std::optional<DiscoveredHost> ParseWsdComputer(std::string_view text)
{
    const QString computer = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
    const qsizetype slash = computer.indexOf(u'/');
    if (slash < 0)
        return std::nullopt;
    const QString name = computer.left(slash);
    const QString membership = computer.mid(slash + 1);
    QString group;
    if (membership == u"NotJoined")
        group = QString::fromLatin1(kDefaultWorkgroup);
    else if (membership.startsWith(u"Workgroup:"))
        group = membership.mid(10);
    else if (membership.startsWith(u"Domain:"))
        group = membership.mid(7);
    else
        return std::nullopt;
    if (group.isEmpty())
        group = QString::fromLatin1(kDefaultWorkgroup);
    if (!UsableName(name) || !UsableName(group))
        return std::nullopt;
    return DiscoveredHost{name.toStdString(), group.toStdString(), {}};
}

std::vector<DiscoveredHost> MergeWsdHosts(const std::vector<DiscoveredHost>& hosts)
{
    std::map<QString, DiscoveredHost> byName;
    for (const DiscoveredHost& host : hosts) {
        const auto [it, added] = byName.emplace(QString::fromStdString(host.name).toCaseFolded(), host);
        if (!added && !IsIPv4(it->second.address) && IsIPv4(host.address))
            it->second.address = host.address;
    }
    std::vector<DiscoveredHost> merged;
    for (auto& [key, host] : byName)
        merged.push_back(std::move(host));
    return merged;
}

// --- HTTP response ------------------------------------------------------------------------

HttpResponseReader::Result HttpResponseReader::Fail()
{
    m_phase = Phase::Failed;
    m_body.clear();
    return Result::Failed;
}

// Moves bytes up to the end of a line into m_line; true with the line (without CR LF)
// in `line` once its LF has come.
bool HttpResponseReader::TakeLine(std::string_view& bytes, std::string& line)
{
    const std::size_t lf = bytes.find('\n');
    const std::size_t take = lf == std::string_view::npos ? bytes.size() : lf + 1;
    m_line.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    if (lf == std::string_view::npos)
        return false;
    m_line.pop_back();
    if (!m_line.empty() && m_line.back() == '\r')
        m_line.pop_back();
    line = std::move(m_line);
    m_line.clear();
    return true;
}

bool HttpResponseReader::HeadLine(const std::string& line)
{
    if (m_phase == Phase::StatusLine) {
        // "HTTP/1.1 200 OK"
        if (line.size() < 12 || line.compare(0, 7, "HTTP/1.") != 0 ||
            !std::isdigit(static_cast<unsigned char>(line[7])) || line[8] != ' ' ||
            !std::all_of(line.begin() + 9, line.begin() + 12, [](char c) { return c >= '0' && c <= '9'; }) ||
            (line.size() > 12 && line[12] != ' '))
            return false;
        m_status = std::stoi(line.substr(9, 3));
        m_phase = Phase::Headers;
        return true;
    }
    const std::size_t colon = line.find(':');
    if (colon == 0 || colon == std::string::npos || line[0] == ' ' || line[0] == '\t')
        return false;
    const QString name = QString::fromLatin1(line.data(), static_cast<qsizetype>(colon));
    const QString value =
        QString::fromLatin1(line.data() + colon + 1, static_cast<qsizetype>(line.size() - colon - 1)).trimmed();
    if (name.contains(u' ') || name.contains(u'\t'))
        return false;
    if (name.compare(u"Content-Length", Qt::CaseInsensitive) == 0) {
        if (value.isEmpty() || value.size() > 12 ||
            !std::all_of(value.begin(), value.end(), [](QChar c) { return c.isDigit(); }))
            return false;
        const std::size_t length = value.toULongLong();
        if (length > kWsdMaxHttpBody || (m_contentLength && *m_contentLength != length))
            return false;
        m_contentLength = length;
    } else if (name.compare(u"Transfer-Encoding", Qt::CaseInsensitive) == 0) {
        if (value.compare(u"chunked", Qt::CaseInsensitive) != 0)
            return false;
        m_chunked = true;
    }
    return true;
}

bool HttpResponseReader::StartBody()
{
    if (m_status < 200 || (m_chunked && m_contentLength))
        return false;
    if (m_status == 204 || m_status == 304)
        m_phase = Phase::Done;
    else if (m_chunked)
        m_phase = Phase::ChunkSize;
    else if (m_contentLength)
        m_phase = *m_contentLength == 0 ? Phase::Done : Phase::Length;
    else
        m_phase = Phase::UntilClose;
    m_remaining = m_contentLength.value_or(0);
    return true;
}

HttpResponseReader::Result HttpResponseReader::Feed(std::string_view bytes)
{
    while (!bytes.empty() && m_phase != Phase::Done && m_phase != Phase::Failed) {
        switch (m_phase) {
        case Phase::StatusLine:
        case Phase::Headers:
        case Phase::Trailers:
        case Phase::ChunkSize:
        case Phase::ChunkEnd: {
            const std::size_t before = bytes.size();
            std::string line;
            const bool complete = TakeLine(bytes, line);
            if (m_phase == Phase::ChunkSize || m_phase == Phase::ChunkEnd)
                m_framingBytes += before - bytes.size();
            else
                m_headBytes += before - bytes.size();
            if (m_headBytes > kWsdMaxHttpHead || m_framingBytes > kWsdMaxHttpBody || m_line.size() > kWsdMaxHttpHead)
                return Fail();
            if (!complete)
                return Result::More;
            if (m_phase == Phase::StatusLine || (m_phase == Phase::Headers && !line.empty())) {
                if (!HeadLine(line))
                    return Fail();
            } else if (m_phase == Phase::Headers) {
                if (!StartBody())
                    return Fail();
            } else if (m_phase == Phase::Trailers) {
                if (line.empty())
                    m_phase = Phase::Done;
            } else if (m_phase == Phase::ChunkEnd) {
                if (!line.empty())
                    return Fail();
                m_phase = Phase::ChunkSize;
            } else {
                // "1a2b" or "1a2b;extension"
                const std::string size = line.substr(0, line.find(';'));
                if (size.empty() || size.size() > 8 || !std::all_of(size.begin(), size.end(), [](char c) {
                        return std::isxdigit(static_cast<unsigned char>(c));
                    }))
                    return Fail();
                m_remaining = std::stoul(size, nullptr, 16);
                if (m_body.size() + m_remaining > kWsdMaxHttpBody)
                    return Fail();
                m_phase = m_remaining == 0 ? Phase::Trailers : Phase::ChunkData;
            }
            break;
        }
        case Phase::Length:
        case Phase::ChunkData: {
            const std::size_t take = std::min(m_remaining, bytes.size());
            m_body.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
            m_remaining -= take;
            if (m_remaining == 0)
                m_phase = m_phase == Phase::Length ? Phase::Done : Phase::ChunkEnd;
            break;
        }
        case Phase::UntilClose:
            if (m_body.size() + bytes.size() > kWsdMaxHttpBody)
                return Fail();
            m_body.append(bytes);
            bytes = {};
            break;
        case Phase::Done:
        case Phase::Failed:
            break;
        }
    }
    if (m_phase == Phase::Done)
        return Result::Done;
    return m_phase == Phase::Failed ? Result::Failed : Result::More;
}

HttpResponseReader::Result HttpResponseReader::Finish()
{
    if (m_phase == Phase::UntilClose)
        m_phase = Phase::Done;
    if (m_phase == Phase::Done)
        return Result::Done;
    return Fail();
}

}  // namespace net
