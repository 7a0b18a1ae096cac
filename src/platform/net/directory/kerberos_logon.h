// A Kerberos log-on of the program's own: a ticket got with a password from one
// named KDC (the server the user named), kept in a credential cache in memory for
// the rest of the run. It needs no krb5.conf and no DNS: the library's settings come
// from memory, and nothing is written to disk. GSSAPI binds use the cache by name.
#pragma once

#include "platform/net/credentials.h"

#include <memory>
#include <mutex>
#include <string>

namespace net {

enum class KerberosResult {
    Ok,
    WrongPassword,   // the KDC refused the password or does not know the account
    AccountRefused,  // disabled, locked out or expired account, or expired password
    Unreachable,     // no KDC answered
    Other,
};

class KerberosLogon {
public:
    // A log-on to `realm` ("VELLOX.TEST") whose KDC is `kdc` (a host name or an
    // address, as the user gave it). nullptr and `error` when the library can't start.
    static std::unique_ptr<KerberosLogon> Create(const std::string& realm, const std::string& kdc, std::string& error);
    ~KerberosLogon();
    KerberosLogon(const KerberosLogon&) = delete;
    KerberosLogon& operator=(const KerberosLogon&) = delete;

    // Gets the initial ticket of `credentials` into the cache; the password is kept
    // (in memory) to get a new one when that ticket has expired.
    KerberosResult LogOn(const Credentials& credentials, std::string& message);

    // Makes sure the cache holds a valid ticket for service/host (for example
    // ldap/dc1.example.org), logging on again first when the initial ticket has expired.
    KerberosResult ServiceTicket(const std::string& service, const std::string& host, std::string& message);

    // "MEMORY:..." for gss_krb5_ccache_name.
    std::string CacheName() const { return m_cacheName; }
    const std::string& Realm() const { return m_realm; }

private:
    struct Library;
    KerberosLogon(std::string realm, std::string kdc);
    KerberosResult Initial(std::string& message);  // under m_mutex
    std::string Text(long code) const;

    std::string m_realm;
    std::string m_kdc;
    std::string m_cacheName;
    Credentials m_credentials;
    std::unique_ptr<Library> m_lib;
    std::mutex m_mutex;
};

// The principal name of `credentials` in `realm`: "user@REALM" for "user" or
// "DOMAIN\user"; a name that carries '@' (a UPN) as given.
std::string PrincipalName(const Credentials& credentials, const std::string& realm);

// What the library answered, sorted for the caller.
KerberosResult ClassifyKerberosError(long code);

}  // namespace net
