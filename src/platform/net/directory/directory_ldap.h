// A connection to a directory server over OpenLDAP's libldap: an anonymous rootDSE
// probe, a protected bind (LDAPS with a verified certificate and a simple bind, or
// SASL GSSAPI with the Kerberos cache, signed and sealed), paged searches, ranged
// attribute reads and modifications. Never a simple bind without TLS.
#pragma once

#include "platform/net/credentials.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

typedef struct ldap LDAP;
typedef struct ldapmsg LDAPMessage;

namespace net::directory {

// One entry of a search answer. Attribute names are kept in lower case, without a
// range option ("member;range=0-1499" is stored as "member").
struct Entry {
    std::string dn;
    std::unordered_map<std::string, std::vector<std::string>> values;

    const std::vector<std::string>* All(const std::string& lowerName) const;
    // The first value, or empty / nullopt when the attribute is absent.
    std::string Text(const std::string& lowerName) const;
    std::optional<std::string> Optional(const std::string& lowerName) const;
    std::int64_t Integer(const std::string& lowerName, std::int64_t otherwise = 0) const;
};

// One attribute of an entry as it arrives: the values point into the answer and live
// only while a sink looks at them.
struct AttributeView {
    std::string_view name;  // as the server spelled it, without a range option
    long rangeEnd = -1;     // ranged retrieval: -1 none, -2 the last range ("-*"), else the last index given
    std::vector<std::string_view> values;
};

// One entry of a search answer as it arrives; attributes[0..count) are this entry's
// (the vectors are kept from entry to entry, so that reading allocates little).
struct EntryView {
    std::string_view dn;
    std::vector<AttributeView> attributes;
    std::size_t count = 0;
};

// Takes the entries of a search one by one while the answer still arrives.
class EntrySink {
public:
    virtual ~EntrySink() = default;
    virtual void Take(const EntryView& entry) = 0;
    // Everything taken so far is void: the server capped the answer and the search
    // starts again in pages.
    virtual void Restart() = 0;
};

// Which of a search's requested attributes a returned one is (case aside), remembered
// per position, since a server returns an entry's attributes in the same order.
class AttributeIndex {
public:
    explicit AttributeIndex(const std::vector<std::string>& requested);
    // The place of `name` in the request, -1 when it was not asked for.
    int Of(std::size_t position, std::string_view name);

private:
    const std::vector<std::string>& m_requested;
    std::vector<int> m_seen;  // per position: the place found last time, -1 none
};

struct ConnectOptions {
    // LDAPS: the name the user gave, which the certificate must carry. GSSAPI: the
    // server's DNS name, from which the Kerberos service name is made.
    std::string host;
    // GSSAPI: where to connect (the server the user named, perhaps an address) when
    // that is not `host`; empty: `host`.
    std::string address;
    // GSSAPI: the credential cache to bind with ("MEMORY:..."); empty: the default cache.
    std::string ccache;
    // CA certificates for LDAPS; empty: LDAPTLS_CACERT, else ldap.conf's TLS_CACERT,
    // else libldap's own default.
    std::string caFile;
    // With a password: LDAPS and a simple bind as DOMAIN\user. Without: SASL GSSAPI
    // with the Kerberos credential cache.
    std::optional<Credentials> credentials;
    int timeoutSeconds = 20;
    // Most entries asked for in a search without paging (0: no limit). A limit makes
    // the session meet a server that caps such answers, as Windows does (tests).
    int unpagedSizeLimit = 0;
};

// What a failed connect was: the caller turns it into a Net status.
enum class ConnectFailure { None, Unreachable, Certificate, NoTicket, LogonFailure, Other };

struct Modification {
    enum Op { Add, Delete, Replace } op = Replace;
    std::string attribute;
    std::vector<std::string> values;  // binary-safe
};

class LdapSession {
public:
    ~LdapSession();
    LdapSession(const LdapSession&) = delete;
    LdapSession& operator=(const LdapSession&) = delete;

    // Binds as the options say. On failure: nullptr, `failure` and a message for the user.
    static std::unique_ptr<LdapSession> Connect(const ConnectOptions& options, ConnectFailure& failure,
                                                std::string& error);

    // The rootDSE over plain LDAP without a bind (only public server facts);
    // nullopt when nothing answers in time.
    static std::optional<Entry> ReadRootDse(const std::string& host, int timeoutSeconds, std::string& error);

    // A subtree (or base) search read completely: in one answer where the server gives
    // it whole, else in pages of 1,000 entries. `daclOnly` asks for the security
    // descriptor's DACL alone. `ranged`, when given, receives the names of attributes
    // that came back cut short by ranged retrieval, with the last index given (read
    // the rest with ReadRestOfRange).
    // Returns the LDAP result code.
    int Search(const std::string& base, bool subtree, const std::string& filter,
               const std::vector<std::string>& attributes, std::vector<Entry>& out, bool daclOnly = false,
               std::unordered_map<std::string, long>* ranged = nullptr);

    // The same search, its entries handed to `sink` as they arrive (a stopped browse
    // abandons it). Returns the LDAP result code.
    int Search(const std::string& base, bool subtree, const std::string& filter,
               const std::vector<std::string>& attributes, EntrySink& sink, bool daclOnly = false);

    // One entry by DN with every value of its attributes, following ranged
    // retrieval ("member;range=1500-*") until the server has given them all.
    int ReadEntry(const std::string& dn, const std::vector<std::string>& attributes, Entry& out, bool daclOnly = false);

    // The values of `attribute` (lower case) of `dn` after index `last`, the last one an
    // answer gave, appended to `values`, range by range until the server marks the end.
    int ReadRestOfRange(const std::string& dn, const std::string& attribute, long last,
                        std::vector<std::string>& values);

    int Modify(const std::string& dn, const std::vector<Modification>& mods, bool daclOnly = false);

    // True when the connection is protected against reading on the wire.
    bool Encrypted() const { return m_encrypted; }
    bool Broken() const { return m_broken; }
    std::string LastDiagnostic() const;
    // The bound libldap handle, for reads measured beside the route's (benchmarks).
    LDAP* Handle() const { return m_ld; }

private:
    explicit LdapSession(LDAP* ld) : m_ld(ld) { }
    static std::unique_ptr<LdapSession> BindLdaps(const ConnectOptions& options, ConnectFailure& failure,
                                                  std::string& error);
    static std::unique_ptr<LdapSession> BindGssapi(const ConnectOptions& options, ConnectFailure& failure,
                                                   std::string& error);
    int Track(int rc);
    // One search, in pages of 1,000 entries when `paged`.
    int RunSearch(const std::string& base, bool subtree, const std::string& filter,
                  const std::vector<std::string>& attributes, EntrySink& sink, bool daclOnly, bool paged);
    // Waits for the next message of `msgid` (owned by the caller); LDAP_SUCCESS or why not.
    int NextMessage(int msgid, LDAPMessage*& message);

    LDAP* m_ld = nullptr;
    bool m_encrypted = false;
    bool m_broken = false;
    int m_unpagedSizeLimit = 0;
    // The server capped an unpaged answer once (Windows does at MaxPageSize): every
    // later subtree search on this connection asks in pages at once.
    bool m_pageAlways = false;
    int m_timeoutSeconds = 20;  // longest wait for the next message of an answer
};

// True when host:port accepts a TCP connection within the time limit.
bool TcpReachable(const std::string& host, int port, int timeoutSeconds);

// LDAP result code to the closest Net status.
std::uint32_t StatusOfLdapResult(int rc);

}  // namespace net::directory
