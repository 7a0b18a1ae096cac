// How the program logs on to a controller's directory: the rule that picks the ways
// to try and, for each, where to connect and which name to trust. No network here.
//
// The rootDSE is read over an unprotected connection, so its dnsHostName may only name
// the Kerberos service (a ticket for that service proves the server); it never names
// the host an LDAPS certificate is checked against before a password is sent.
#pragma once

#include <string>
#include <vector>

namespace net {

enum class DirectoryBind {
    KerberosPassword,  // a ticket of the program's own, got with the password from the named server's KDC
    KerberosCache,     // the ticket in the user's credential cache (kinit)
    Ldaps,             // a simple bind over LDAPS, the certificate verified for the name the user gave
};

struct LogonWay {
    DirectoryBind bind = DirectoryBind::Ldaps;
    std::string address;  // where to connect: always the server the user named
    std::string host;     // Kerberos: the service host; LDAPS: the name the certificate must carry

    bool operator==(const LogonWay&) const = default;
};

// True for an IPv4 or IPv6 address ("192.0.2.10", "::1", "[::1]").
bool IsAddress(const std::string& host);

// The ways to log on to the directory of `named` (the host the user gave, or the
// domain's answer for its controller), best first. `dnsHostName` is the rootDSE's.
// With a password: Kerberos from the password, then LDAPS when `named` is a name (a
// certificate is checked against a name). Without one: the ticket in the cache when
// there is one. Empty when nothing protected can be tried.
std::vector<LogonWay> PlanDirectoryLogon(const std::string& named, const std::string& dnsHostName, bool havePassword,
                                         bool haveTicket);

// The Kerberos realm: from the rootDSE's ldapServiceName ("example.org:dc1$@EXAMPLE.ORG"),
// else its naming context ("DC=example,DC=org"), else `domain` in upper case.
std::string RealmOfDirectory(const std::string& ldapServiceName, const std::string& namingContext,
                             const std::string& domain);

// "Kerberos with the password", "Kerberos with the ticket cache", "LDAPS".
std::string DescribeBind(DirectoryBind bind);

}  // namespace net
