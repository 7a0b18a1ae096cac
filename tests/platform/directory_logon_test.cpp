// The rule that picks how to log on to a directory, and the names it trusts: no network.
#include "platform/net/directory/directory_logon.h"
#include "platform/net/directory/kerberos_logon.h"

#include <gtest/gtest.h>

namespace net {

void PrintTo(const LogonWay& w, std::ostream* os)
{
    *os << DescribeBind(w.bind) << " to " << w.address << " as " << w.host;
}

}  // namespace net

using namespace net;

namespace {

using B = DirectoryBind;

struct PlanCase {
    const char* named;
    const char* dnsHostName;  // from the unprotected rootDSE
    bool password;
    bool ticket;
    std::vector<LogonWay> ways;
};

TEST(DirectoryLogonPlan, WaysAndTheNamesEachTrusts)
{
    const std::vector<PlanCase> cases = {
        // An address: Kerberos only, the service named by the rootDSE; never LDAPS.
        {"192.0.2.10", "dc1.example.org", true, false, {{B::KerberosPassword, "192.0.2.10", "dc1.example.org"}}},
        {"[2001:db8::10]",
         "dc1.example.org",
         true,
         false,
         {{B::KerberosPassword, "[2001:db8::10]", "dc1.example.org"}}},
        // A name: Kerberos, then LDAPS with the certificate checked for that name.
        {"DC1",
         "dc1.example.org",
         true,
         false,
         {{B::KerberosPassword, "DC1", "dc1.example.org"}, {B::Ldaps, "DC1", "DC1"}}},
        // The rootDSE's name never becomes the name a certificate is checked against.
        {"dc1.example.org",
         "attacker.example",
         true,
         true,
         {{B::KerberosPassword, "dc1.example.org", "attacker.example"},
          {B::Ldaps, "dc1.example.org", "dc1.example.org"}}},
        // No dnsHostName: a name serves as the service name, an address can't.
        {"dc1.example.org",
         "",
         true,
         false,
         {{B::KerberosPassword, "dc1.example.org", "dc1.example.org"},
          {B::Ldaps, "dc1.example.org", "dc1.example.org"}}},
        {"192.0.2.10", "", true, false, {}},
        // Without a password: the user's ticket, or nothing at all.
        {"192.0.2.10", "dc1.example.org", false, true, {{B::KerberosCache, "192.0.2.10", "dc1.example.org"}}},
        {"dc1.example.org", "dc1.example.org", false, false, {}},
        {"", "dc1.example.org", true, true, {}},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(std::string(c.named) + " / " + c.dnsHostName);
        EXPECT_EQ(PlanDirectoryLogon(c.named, c.dnsHostName, c.password, c.ticket), c.ways);
    }
}

TEST(DirectoryLogonPlan, AddressesAreToldFromNames)
{
    for (const char* address : {"192.0.2.10", "::1", "[::1]", "2001:db8::10"})
        EXPECT_TRUE(IsAddress(address)) << address;
    for (const char* name : {"DC1", "dc1.example.org", "192.0.2", "192.0.2.10.example.org", "[dc1]", ""})
        EXPECT_FALSE(IsAddress(name)) << name;
}

TEST(DirectoryLogonPlan, RealmFromTheRootDseOrTheDomain)
{
    EXPECT_EQ(RealmOfDirectory("example.org:dc1$@EXAMPLE.ORG", "DC=other,DC=net", "X"), "EXAMPLE.ORG");
    EXPECT_EQ(RealmOfDirectory("", "DC=corp,DC=example,DC=org", "X"), "CORP.EXAMPLE.ORG");
    EXPECT_EQ(RealmOfDirectory("", "dc=vellox,dc=test", "X"), "VELLOX.TEST");
    EXPECT_EQ(RealmOfDirectory("no-realm-here", "", "vellox"), "VELLOX");
}

TEST(KerberosLogonNames, PrincipalOfEveryUserForm)
{
    EXPECT_EQ(PrincipalName({"Administrator", "VELLOX", ""}, "VELLOX.TEST"), "Administrator@VELLOX.TEST");
    EXPECT_EQ(PrincipalName({"VELLOX\\jane", "", ""}, "VELLOX.TEST"), "jane@VELLOX.TEST");
    EXPECT_EQ(PrincipalName({"jane@vellox.test", "VELLOX", ""}, "VELLOX.TEST"), "jane@vellox.test");
}

}  // namespace
