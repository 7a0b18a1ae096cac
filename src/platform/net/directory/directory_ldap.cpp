#include "platform/net/directory/directory_ldap.h"

#include "platform/net/directory/directory_convert.h"
#include "platform/net/net_support.h"
#include "platform/threads/owned_threads.h"

#include <gssapi/gssapi_krb5.h>
#include <ldap.h>
#include <openldap.h>
#include <sasl/sasl.h>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <tuple>

namespace net::directory {

namespace {

constexpr int kPageSize = 1000;
constexpr const char* kSdFlagsOid = "1.2.840.113556.1.4.801";

// "member;range=0-1499" -> ("member", 1499); no range -> (name, -1); "...-*" -> (name, -2).
std::pair<std::string_view, long> SplitRange(std::string_view description)
{
    constexpr std::string_view kRange = ";range=";
    std::size_t at = std::string_view::npos;
    for (std::size_t i = 0; i + kRange.size() <= description.size(); ++i) {
        if (EqualNoCase(description.substr(i, kRange.size()), kRange)) {
            at = i;
            break;
        }
    }
    if (at == std::string_view::npos)
        return {description, -1};
    const auto dash = description.find('-', at);
    if (dash == std::string_view::npos)
        return {description.substr(0, at), -1};
    const std::string_view high = description.substr(dash + 1);
    if (high == "*")
        return {description.substr(0, at), -2};
    return {description.substr(0, at), std::strtol(std::string(high).c_str(), nullptr, 10)};
}

struct MessageGuard {
    LDAPMessage* msg = nullptr;
    ~MessageGuard()
    {
        if (msg)
            ldap_msgfree(msg);
    }
};

struct ControlGuard {
    LDAPControl* ctrl = nullptr;
    ~ControlGuard()
    {
        if (ctrl)
            ldap_control_free(ctrl);
    }
};

// The DN and attributes of entry `e` into `view`, without copying a value: the views
// point into the message. A DN that can't be read leaves the entry empty.
void ReadView(LDAP* ld, LDAPMessage* e, EntryView& view)
{
    view.dn = {};
    view.count = 0;
    BerElement* ber = nullptr;
    berval dn{};
    if (ldap_get_dn_ber(ld, e, &ber, &dn) == LDAP_SUCCESS) {
        view.dn = {dn.bv_val, dn.bv_len};
        berval name{};
        BerVarray values = nullptr;
        while (ldap_get_attribute_ber(ld, e, ber, &name, &values) == LDAP_SUCCESS && name.bv_val) {
            if (view.count == view.attributes.size())
                view.attributes.emplace_back();
            AttributeView& attribute = view.attributes[view.count++];
            std::tie(attribute.name, attribute.rangeEnd) = SplitRange({name.bv_val, name.bv_len});
            attribute.values.clear();
            for (BerValue* v = values; v && v->bv_val; ++v)
                attribute.values.emplace_back(v->bv_val, v->bv_len);
            if (values)
                ber_memfree(values);
            values = nullptr;
        }
    }
    if (ber)
        ber_free(ber, 0);
}

// Keeps the entries of an answer whole, attribute names in lower case; `ranges` gets
// attribute -> last index for ranged ones.
class EntryCollector final : public EntrySink {
public:
    EntryCollector(std::vector<Entry>& out, std::unordered_map<std::string, long>* ranges)
        : m_out(out), m_before(out.size()), m_ranges(ranges)
    {
    }
    void Take(const EntryView& view) override
    {
        Entry entry;
        entry.dn = view.dn;
        for (std::size_t i = 0; i < view.count; ++i) {
            const AttributeView& attribute = view.attributes[i];
            std::string name = LowerAscii(attribute.name);
            if (m_ranges && attribute.rangeEnd != -1)
                (*m_ranges)[name] = attribute.rangeEnd;
            auto& list = entry.values[std::move(name)];
            list.insert(list.end(), attribute.values.begin(), attribute.values.end());
        }
        m_out.push_back(std::move(entry));
    }
    void Restart() override
    {
        m_out.erase(m_out.begin() + static_cast<std::ptrdiff_t>(m_before), m_out.end());
        if (m_ranges)
            m_ranges->clear();
    }

private:
    std::vector<Entry>& m_out;
    std::size_t m_before;
    std::unordered_map<std::string, long>* m_ranges;
};

// Reads the entries of one whole answer; `ranges` gets attribute -> last index for ranged ones.
void CollectEntries(LDAP* ld, LDAPMessage* res, std::vector<Entry>& out,
                    std::unordered_map<std::string, long>* ranges = nullptr)
{
    EntryCollector collector(out, ranges);
    EntryView view;
    for (LDAPMessage* e = ldap_first_entry(ld, res); e; e = ldap_next_entry(ld, e)) {
        ReadView(ld, e, view);
        collector.Take(view);
    }
}

LDAPControl SdFlagsControl(berval& value)
{
    static char kDaclOnly[] = {0x30, 0x03, 0x02, 0x01, 0x04};  // SEQUENCE { INTEGER 4 }
    value.bv_val = kDaclOnly;
    value.bv_len = sizeof kDaclOnly;
    LDAPControl control;
    control.ldctl_oid = const_cast<char*>(kSdFlagsOid);
    control.ldctl_value = value;
    control.ldctl_iscritical = 0;
    return control;
}

// The attribute names as libldap takes them: C strings, then nullptr.
std::vector<char*> AttributeList(const std::vector<std::string>& attributes)
{
    std::vector<char*> list;
    for (const auto& a : attributes)
        list.push_back(const_cast<char*>(a.c_str()));
    list.push_back(nullptr);
    return list;
}

int SaslDefaults(LDAP*, unsigned, void*, void* in)
{
    for (auto* i = static_cast<sasl_interact_t*>(in); i && i->id != SASL_CB_LIST_END; ++i) {
        i->result = i->defresult ? i->defresult : "";
        i->len = static_cast<unsigned>(std::strlen(static_cast<const char*>(i->result)));
    }
    return LDAP_SUCCESS;
}

// A TCP connection to host:port within the time limit, blocking again once made;
// -1 when none could be made.
int ConnectedSocket(const std::string& host, int port, int timeoutSeconds)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0)
        return -1;
    int connected = -1;
    for (addrinfo* a = list; a && connected < 0; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        bool ok = connect(fd, a->ai_addr, a->ai_addrlen) == 0;
        if (!ok && errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            int err = 0;
            socklen_t len = sizeof err;
            ok = poll(&p, 1, timeoutSeconds * 1000) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 &&
                 err == 0;
        }
        if (ok && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0)
            connected = fd;
        else
            close(fd);
    }
    freeaddrinfo(list);
    return connected;
}

// Options every handle gets; false when the library refuses one.
bool Configure(LDAP* ld, int timeoutSeconds)
{
    const int version = LDAP_VERSION3;
    timeval tv{timeoutSeconds, 0};
    return ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version) == LDAP_OPT_SUCCESS &&
           ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF) == LDAP_OPT_SUCCESS &&
           ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &tv) == LDAP_OPT_SUCCESS &&
           ldap_set_option(ld, LDAP_OPT_TIMEOUT, &tv) == LDAP_OPT_SUCCESS;
}

LDAP* NewHandle(const std::string& uri, int timeoutSeconds)
{
    LDAP* ld = nullptr;
    if (ldap_initialize(&ld, uri.c_str()) != LDAP_SUCCESS || !ld)
        return nullptr;
    if (!Configure(ld, timeoutSeconds)) {
        ldap_unbind_ext_s(ld, nullptr, nullptr);
        return nullptr;
    }
    return ld;
}

// A handle on a connection already made to `address`, whose URL carries `host`: the
// name that libldap gives SASL for the service, whatever address was connected to.
LDAP* HandleOnSocket(const std::string& address, const std::string& host, int timeoutSeconds, bool& reached)
{
    const int fd = ConnectedSocket(address, 389, timeoutSeconds);
    reached = fd >= 0;
    if (fd < 0)
        return nullptr;
    LDAP* ld = nullptr;
    if (ldap_init_fd(fd, LDAP_PROTO_TCP, ("ldap://" + host).c_str(), &ld) != LDAP_SUCCESS || !ld) {
        close(fd);
        return nullptr;
    }
    if (!Configure(ld, timeoutSeconds)) {
        ldap_unbind_ext_s(ld, nullptr, nullptr);  // closes fd
        return nullptr;
    }
    return ld;
}

std::string Diagnostic(LDAP* ld, int rc)
{
    std::string text = ldap_err2string(rc);
    char* diag = nullptr;
    if (ldap_get_option(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE, &diag) == LDAP_OPT_SUCCESS && diag) {
        if (*diag && std::strcmp(diag, "(unknown error code)") != 0)
            text += std::string(" (") + diag + ")";
        ldap_memfree(diag);
    }
    return text;
}

// The CA file for LDAPS: the one given, else LDAPTLS_CACERT, else what ldap.conf
// names; empty: libldap's own default (the system's trusted certificates).
std::string ChooseCaFile(const std::string& given)
{
    if (!given.empty())
        return given;
    if (const char* env = std::getenv("LDAPTLS_CACERT"); env && *env)
        return env;
    char* configured = nullptr;
    if (ldap_get_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, &configured) == LDAP_OPT_SUCCESS && configured) {
        std::string path = configured;
        ldap_memfree(configured);
        return path;
    }
    return {};
}

// TLS that verifies the server's certificate, whatever LDAPTLS_REQCERT or ldap.conf
// say: every option is checked, and a context that can't be made ends the attempt.
bool RequireVerifiedTls(LDAP* ld, const std::string& caFile, std::string& error)
{
    const int hard = LDAP_OPT_X_TLS_HARD;
    const int newContext = 0;
    int rc = ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &hard);
    if (rc == LDAP_OPT_SUCCESS && !caFile.empty())
        rc = ldap_set_option(ld, LDAP_OPT_X_TLS_CACERTFILE, caFile.c_str());
    if (rc == LDAP_OPT_SUCCESS)
        rc = ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &newContext);
    int check = 0;
    if (rc == LDAP_OPT_SUCCESS)
        rc = ldap_get_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &check);
    if (rc != LDAP_OPT_SUCCESS || check != LDAP_OPT_X_TLS_HARD) {
        error = "a TLS context that verifies certificates could not be made" +
                (caFile.empty() ? std::string() : " with " + caFile) + ": " + ldap_err2string(rc);
        return false;
    }
    return true;
}

ConnectFailure Failed(int rc)
{
    if (rc == LDAP_INVALID_CREDENTIALS)
        return ConnectFailure::LogonFailure;
    if (rc == LDAP_SERVER_DOWN || rc == LDAP_CONNECT_ERROR || rc == LDAP_TIMEOUT)
        return ConnectFailure::Unreachable;
    return ConnectFailure::Other;
}

// Points this thread's GSSAPI at a credential cache for as long as it lives, then back
// at the default cache (nothing else in the program sets one).
class GssCacheScope {
public:
    explicit GssCacheScope(const std::string& cache)
    {
        OM_uint32 minor = 0;
        m_set = !cache.empty() && gss_krb5_ccache_name(&minor, cache.c_str(), nullptr) == GSS_S_COMPLETE;
    }
    ~GssCacheScope()
    {
        OM_uint32 minor = 0;
        if (m_set)
            gss_krb5_ccache_name(&minor, nullptr, nullptr);
    }
    bool Ok(const std::string& cache) const { return cache.empty() || m_set; }

private:
    bool m_set = false;
};

}  // namespace

bool TcpReachable(const std::string& host, int port, int timeoutSeconds)
{
    const int fd = ConnectedSocket(host, port, timeoutSeconds);
    if (fd >= 0)
        close(fd);
    return fd >= 0;
}

const std::vector<std::string>* Entry::All(const std::string& lowerName) const
{
    const auto it = values.find(lowerName);
    return it == values.end() ? nullptr : &it->second;
}

std::string Entry::Text(const std::string& lowerName) const
{
    const auto* list = All(lowerName);
    return list && !list->empty() ? list->front() : std::string();
}

std::optional<std::string> Entry::Optional(const std::string& lowerName) const
{
    const auto* list = All(lowerName);
    if (!list || list->empty())
        return std::nullopt;
    return list->front();
}

std::int64_t Entry::Integer(const std::string& lowerName, std::int64_t otherwise) const
{
    const auto* list = All(lowerName);
    if (!list || list->empty())
        return otherwise;
    return ParseInteger(list->front()).value_or(otherwise);
}

AttributeIndex::AttributeIndex(const std::vector<std::string>& requested) : m_requested(requested) { }

int AttributeIndex::Of(std::size_t position, std::string_view name)
{
    if (position < m_seen.size() && m_seen[position] >= 0 && EqualNoCase(m_requested[m_seen[position]], name))
        return m_seen[position];
    int found = -1;
    for (std::size_t i = 0; i < m_requested.size() && found < 0; ++i)
        if (EqualNoCase(m_requested[i], name))
            found = static_cast<int>(i);
    if (position >= m_seen.size())
        m_seen.resize(position + 1, -1);
    m_seen[position] = found;
    return found;
}

LdapSession::~LdapSession()
{
    if (m_ld)
        ldap_unbind_ext_s(m_ld, nullptr, nullptr);
}

std::string LdapSession::LastDiagnostic() const
{
    int rc = 0;
    ldap_get_option(m_ld, LDAP_OPT_RESULT_CODE, &rc);
    return Diagnostic(m_ld, rc);
}

int LdapSession::Track(int rc)
{
    if (rc == LDAP_SERVER_DOWN || rc == LDAP_CONNECT_ERROR || rc == LDAP_TIMEOUT || rc == LDAP_UNAVAILABLE)
        m_broken = true;
    return rc;
}

std::optional<Entry> LdapSession::ReadRootDse(const std::string& host, int timeoutSeconds, std::string& error)
{
    LDAP* ld = NewHandle("ldap://" + host, timeoutSeconds);
    if (!ld) {
        error = "invalid server name " + host;
        return std::nullopt;
    }
    LdapSession session(ld);
    session.m_timeoutSeconds = timeoutSeconds;
    std::vector<Entry> entries;
    const int rc = session.Search("", false, "(objectClass=*)",
                                  {"defaultNamingContext", "dnsHostName", "supportedCapabilities",
                                   "configurationNamingContext", "ldapServiceName"},
                                  entries);
    if (rc != LDAP_SUCCESS || entries.empty()) {
        error = Diagnostic(ld, rc);
        return std::nullopt;
    }
    return entries.front();
}

std::unique_ptr<LdapSession> LdapSession::Connect(const ConnectOptions& options, ConnectFailure& failure,
                                                  std::string& error)
{
    failure = ConnectFailure::None;
    const bool simple = options.credentials && !options.credentials->password.empty();
    std::unique_ptr<LdapSession> session =
        simple ? BindLdaps(options, failure, error) : BindGssapi(options, failure, error);
    if (session) {
        session->m_unpagedSizeLimit = options.unpagedSizeLimit;
        session->m_timeoutSeconds = options.timeoutSeconds;
    }
    return session;
}

std::unique_ptr<LdapSession> LdapSession::BindLdaps(const ConnectOptions& options, ConnectFailure& failure,
                                                    std::string& error)
{
    LDAP* ld = NewHandle("ldaps://" + options.host, options.timeoutSeconds);
    if (!ld) {
        failure = ConnectFailure::Other;
        error = "invalid server name " + options.host;
        return nullptr;
    }
    std::unique_ptr<LdapSession> session(new LdapSession(ld));
    const std::string caFile = ChooseCaFile(options.caFile);
    const std::string trusted = caFile.empty() ? "the system's trusted certificates" : caFile;
    std::string tlsError;
    if (!RequireVerifiedTls(ld, caFile, tlsError)) {
        failure = ConnectFailure::Certificate;
        error = "LDAPS to " + options.host + ": " + tlsError + ".";
        return nullptr;
    }
    const auto& c = *options.credentials;
    const std::string who =
        c.user.find('@') != std::string::npos || c.domain.empty() || c.user.find('\\') != std::string::npos
            ? c.user
            : c.domain + "\\" + c.user;
    berval password{static_cast<ber_len_t>(c.password.size()), const_cast<char*>(c.password.data())};
    const int rc = ldap_sasl_bind_s(ld, who.c_str(), LDAP_SASL_SIMPLE, &password, nullptr, nullptr, nullptr);
    if (rc == LDAP_SERVER_DOWN || rc == LDAP_CONNECT_ERROR) {
        if (TcpReachable(options.host, 636, options.timeoutSeconds)) {
            failure = ConnectFailure::Certificate;
            error = "The LDAPS certificate of " + options.host + " could not be verified against " + trusted + " (" +
                    Diagnostic(ld, rc) + ").";
        } else {
            failure = ConnectFailure::Unreachable;
            error = "The directory of " + options.host + " does not answer on port 636: " + Diagnostic(ld, rc);
        }
        return nullptr;
    }
    if (rc != LDAP_SUCCESS) {
        failure = Failed(rc);
        error = "The log-on to the directory of " + options.host + " failed: " + Diagnostic(ld, rc);
        return nullptr;
    }
    session->m_encrypted = true;
    return session;
}

std::unique_ptr<LdapSession> LdapSession::BindGssapi(const ConnectOptions& options, ConnectFailure& failure,
                                                     std::string& error)
{
    if (options.ccache.empty() && !HasKerberosTicket()) {
        failure = ConnectFailure::NoTicket;
        error = "There is no valid Kerberos ticket for the directory of " + options.host +
                ". Run kinit (for example: kinit Administrator@REALM) or give an authentication file "
                "(--auth-file), then try again.";
        return nullptr;
    }
    const std::string address = options.address.empty() ? options.host : options.address;
    bool reached = false;
    LDAP* ld = HandleOnSocket(address, options.host, options.timeoutSeconds, reached);
    if (!ld) {
        failure = reached ? ConnectFailure::Other : ConnectFailure::Unreachable;
        error = reached ? "the LDAP library refused the connection to " + address
                        : "The directory of " + address + " does not answer on port 389.";
        return nullptr;
    }
    std::unique_ptr<LdapSession> session(new LdapSession(ld));
    const GssCacheScope cache(options.ccache);
    if (!cache.Ok(options.ccache) || ldap_set_option(ld, LDAP_OPT_X_SASL_SECPROPS, "minssf=56") != LDAP_OPT_SUCCESS ||
        ldap_set_option(ld, LDAP_OPT_X_SASL_NOCANON, LDAP_OPT_ON) != LDAP_OPT_SUCCESS) {
        failure = ConnectFailure::Other;
        error = "A sealed Kerberos connection to " + options.host + " could not be set up.";
        return nullptr;
    }
    const int rc =
        ldap_sasl_interactive_bind_s(ld, nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET, SaslDefaults, nullptr);
    if (rc == LDAP_LOCAL_ERROR || rc == LDAP_AUTH_UNKNOWN || rc == LDAP_INVALID_CREDENTIALS) {
        failure = ConnectFailure::NoTicket;
        error = "The Kerberos log-on to the directory of " + options.host + " failed: " + Diagnostic(ld, rc) +
                (options.ccache.empty() ? ". Renew the ticket with kinit, or give an authentication file (--auth-file)."
                                        : ".");
        return nullptr;
    }
    if (rc != LDAP_SUCCESS) {
        failure = Failed(rc);
        error = "The log-on to the directory of " + options.host + " failed: " + Diagnostic(ld, rc);
        return nullptr;
    }
    sasl_ssf_t ssf = 0;
    if (ldap_get_option(ld, LDAP_OPT_X_SASL_SSF, &ssf) != LDAP_OPT_SUCCESS || ssf < 56) {
        failure = ConnectFailure::Other;
        error = "The directory of " + options.host + " did not agree to an encrypted connection.";
        return nullptr;
    }
    session->m_encrypted = true;
    return session;
}

int LdapSession::Search(const std::string& base, bool subtree, const std::string& filter,
                        const std::vector<std::string>& attributes, std::vector<Entry>& out, bool daclOnly,
                        std::unordered_map<std::string, long>* ranged)
{
    EntryCollector collector(out, ranged);
    return Search(base, subtree, filter, attributes, collector, daclOnly);
}

int LdapSession::Search(const std::string& base, bool subtree, const std::string& filter,
                        const std::vector<std::string>& attributes, EntrySink& sink, bool daclOnly)
{
    // Samba answers a search without paging whole and several times faster than in
    // pages. A server that caps such answers (Windows at MaxPageSize, 1,000 entries)
    // says so with a size or administrative limit: then the search runs again in pages,
    // and so does every later one, rather than fetch and drop the first 1,000 each time.
    if (subtree && m_pageAlways)
        return RunSearch(base, subtree, filter, attributes, sink, daclOnly, true);
    int rc = RunSearch(base, subtree, filter, attributes, sink, daclOnly, false);
    if (subtree && (rc == LDAP_SIZELIMIT_EXCEEDED || rc == LDAP_ADMINLIMIT_EXCEEDED)) {
        m_pageAlways = true;
        sink.Restart();
        rc = RunSearch(base, subtree, filter, attributes, sink, daclOnly, true);
    }
    return rc;
}

int LdapSession::NextMessage(int msgid, LDAPMessage*& message)
{
    timeval wait{m_timeoutSeconds, 0};
    message = nullptr;
    const int type = ldap_result(m_ld, msgid, LDAP_MSG_ONE, &wait, &message);
    if (type > 0)
        return LDAP_SUCCESS;
    if (type == 0)
        return LDAP_TIMEOUT;
    int rc = LDAP_OTHER;
    ldap_get_option(m_ld, LDAP_OPT_RESULT_CODE, &rc);
    return rc == LDAP_SUCCESS ? LDAP_OTHER : rc;
}

int LdapSession::RunSearch(const std::string& base, bool subtree, const std::string& filter,
                           const std::vector<std::string>& attributes, EntrySink& sink, bool daclOnly, bool paged)
{
    std::vector<char*> attrs = AttributeList(attributes);
    berval sdValue{};
    LDAPControl sdControl = SdFlagsControl(sdValue);
    berval* cookie = nullptr;
    EntryView view;
    int rc = LDAP_SUCCESS;
    for (;;) {
        if (threads::StopRequested()) {
            rc = LDAP_USER_CANCELLED;  // stopped: no further page is asked for
            break;
        }
        ControlGuard page;
        std::vector<LDAPControl*> controls;
        if (paged) {
            rc = ldap_create_page_control(m_ld, kPageSize, cookie, 0, &page.ctrl);
            if (rc != LDAP_SUCCESS)
                break;
            controls.push_back(page.ctrl);
        }
        if (daclOnly)
            controls.push_back(&sdControl);
        controls.push_back(nullptr);
        int msgid = 0;
        rc = Track(ldap_search_ext(m_ld, base.c_str(), subtree ? LDAP_SCOPE_SUBTREE : LDAP_SCOPE_BASE, filter.c_str(),
                                   attrs.data(), 0, controls.data(), nullptr, nullptr,
                                   paged || m_unpagedSizeLimit <= 0 ? LDAP_NO_LIMIT : m_unpagedSizeLimit, &msgid));
        if (rc != LDAP_SUCCESS)
            break;
        // The entries as they arrive, so that the caller's work on them overlaps the
        // server's on the next ones; then the result.
        MessageGuard result;
        while (!result.msg) {
            if (threads::StopRequested()) {
                ldap_abandon_ext(m_ld, msgid, nullptr, nullptr);
                rc = LDAP_USER_CANCELLED;
                break;
            }
            MessageGuard message;
            rc = Track(NextMessage(msgid, message.msg));
            if (rc != LDAP_SUCCESS) {
                if (rc == LDAP_TIMEOUT)
                    ldap_abandon_ext(m_ld, msgid, nullptr, nullptr);
                break;
            }
            switch (ldap_msgtype(message.msg)) {
            case LDAP_RES_SEARCH_ENTRY:
                ReadView(m_ld, message.msg, view);
                sink.Take(view);
                break;
            case LDAP_RES_SEARCH_RESULT:
                std::swap(result.msg, message.msg);
                break;
            default:
                break;  // references (referrals are off) and intermediate answers
            }
        }
        if (!result.msg)
            break;
        int code = LDAP_SUCCESS;
        LDAPControl** serverControls = nullptr;
        if (ldap_parse_result(m_ld, result.msg, &code, nullptr, nullptr, nullptr, &serverControls, 0) != LDAP_SUCCESS) {
            rc = LDAP_DECODING_ERROR;
            break;
        }
        rc = code;
        if (cookie) {
            ber_bvfree(cookie);
            cookie = nullptr;
        }
        bool more = false;
        if (paged && rc == LDAP_SUCCESS && serverControls) {
            if (LDAPControl* response = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, serverControls, nullptr)) {
                ber_int_t estimate = 0;
                berval next{};
                if (ldap_parse_pageresponse_control(m_ld, response, &estimate, &next) == LDAP_SUCCESS) {
                    if (next.bv_len > 0) {
                        cookie = ber_bvdup(&next);
                        more = true;
                    }
                    ber_memfree(next.bv_val);
                }
            }
        }
        if (serverControls)
            ldap_controls_free(serverControls);
        if (!more)
            break;
    }
    if (cookie)
        ber_bvfree(cookie);
    return rc;
}

int LdapSession::ReadEntry(const std::string& dn, const std::vector<std::string>& attributes, Entry& out, bool daclOnly)
{
    std::vector<char*> attrs = AttributeList(attributes);
    berval sdValue{};
    LDAPControl sdControl = SdFlagsControl(sdValue);
    LDAPControl* controls[] = {daclOnly ? &sdControl : nullptr, nullptr};
    std::vector<Entry> entries;
    std::unordered_map<std::string, long> ranges;
    {
        MessageGuard res;
        const int rc = Track(ldap_search_ext_s(m_ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", attrs.data(), 0,
                                               controls, nullptr, nullptr, LDAP_NO_LIMIT, &res.msg));
        if (rc != LDAP_SUCCESS)
            return rc;
        CollectEntries(m_ld, res.msg, entries, &ranges);
    }
    if (entries.empty())
        return LDAP_NO_SUCH_OBJECT;
    out = std::move(entries.front());
    // A ranged attribute ("member;range=0-1499"): the rest of its values.
    for (const auto& [name, last] : ranges) {
        const int rc = ReadRestOfRange(dn, name, last, out.values[name]);
        if (rc != LDAP_SUCCESS)
            return rc;
    }
    return LDAP_SUCCESS;
}

int LdapSession::ReadRestOfRange(const std::string& dn, const std::string& attribute, long last,
                                 std::vector<std::string>& values)
{
    // Ask for the next range until the server marks the last one with "*"; a stopped
    // browse asks for no further range.
    while (last >= 0) {
        if (threads::StopRequested())
            return LDAP_USER_CANCELLED;
        const std::string request = attribute + ";range=" + std::to_string(last + 1) + "-*";
        char* next[] = {const_cast<char*>(request.c_str()), nullptr};
        MessageGuard res;
        const int rc = Track(ldap_search_ext_s(m_ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", next, 0, nullptr,
                                               nullptr, nullptr, LDAP_NO_LIMIT, &res.msg));
        if (rc != LDAP_SUCCESS)
            return rc;
        std::vector<Entry> more;
        std::unordered_map<std::string, long> moreRanges;
        CollectEntries(m_ld, res.msg, more, &moreRanges);
        const auto it = moreRanges.find(attribute);
        if (more.empty() || it == moreRanges.end())
            return LDAP_DECODING_ERROR;  // the server stopped answering the range: never a silent cut
        const auto& got = more.front().values[attribute];
        if (got.empty() && it->second != -2)
            return LDAP_DECODING_ERROR;
        values.insert(values.end(), got.begin(), got.end());
        last = it->second;
    }
    return LDAP_SUCCESS;
}

int LdapSession::Modify(const std::string& dn, const std::vector<Modification>& mods, bool daclOnly)
{
    std::vector<LDAPMod> store(mods.size());
    std::vector<std::vector<berval>> values(mods.size());
    std::vector<std::vector<berval*>> pointers(mods.size());
    std::vector<LDAPMod*> list;
    for (std::size_t i = 0; i < mods.size(); ++i) {
        const auto& m = mods[i];
        for (const auto& v : m.values)
            values[i].push_back(berval{static_cast<ber_len_t>(v.size()), const_cast<char*>(v.data())});
        for (auto& b : values[i])
            pointers[i].push_back(&b);
        pointers[i].push_back(nullptr);
        store[i].mod_op = LDAP_MOD_BVALUES | (m.op == Modification::Add      ? LDAP_MOD_ADD
                                              : m.op == Modification::Delete ? LDAP_MOD_DELETE
                                                                             : LDAP_MOD_REPLACE);
        store[i].mod_type = const_cast<char*>(m.attribute.c_str());
        store[i].mod_bvalues = pointers[i].data();
        list.push_back(&store[i]);
    }
    list.push_back(nullptr);
    berval sdValue{};
    LDAPControl sdControl = SdFlagsControl(sdValue);
    LDAPControl* controls[] = {daclOnly ? &sdControl : nullptr, nullptr};
    return Track(ldap_modify_ext_s(m_ld, dn.c_str(), list.data(), controls, nullptr));
}

std::uint32_t StatusOfLdapResult(int rc)
{
    switch (rc) {
    case LDAP_SUCCESS:
        return NERR_Success;
    case LDAP_INSUFFICIENT_ACCESS:
    case LDAP_STRONG_AUTH_REQUIRED:
    case LDAP_CONFIDENTIALITY_REQUIRED:
        return ERROR_ACCESS_DENIED;
    case LDAP_INVALID_CREDENTIALS:
        return ERROR_LOGON_FAILURE;
    case LDAP_SERVER_DOWN:
    case LDAP_CONNECT_ERROR:
    case LDAP_UNAVAILABLE:
        return RPC_S_SERVER_UNAVAILABLE;
    case LDAP_TIMEOUT:
    case LDAP_TIMELIMIT_EXCEEDED:
        return ERROR_TIMEOUT;
    case LDAP_NO_MEMORY:
        return ERROR_NOT_ENOUGH_MEMORY;
    case LDAP_USER_CANCELLED:
        return ERROR_CANCELLED;  // stopped by the user, not a failure of the network
    case LDAP_BUSY:
    case LDAP_UNWILLING_TO_PERFORM:
    case LDAP_CONSTRAINT_VIOLATION:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_UNEXP_NET_ERR;
    }
}

}  // namespace net::directory
