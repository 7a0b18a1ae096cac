// Choosing the directory route: the rootDSE probe and the ways of logging on.
#include "platform/net/directory/directory_netapi.h"

#include "platform/net/directory/directory_netapi_parts.h"
#include "platform/net/directory/kerberos_logon.h"
#include "platform/net/net_support.h"
#include "platform/net/netbios_name.h"

#include <algorithm>

namespace net {

using namespace directory;
using namespace directory_parts;

namespace {

struct RootFacts {
    std::string baseDn;
    std::string dnsHostName;
    std::string realm;
};

// The rootDSE of `host` when it answers as an Active Directory controller.
std::optional<RootFacts> ReadAdRoot(const std::string& host, const std::string& domain, int timeoutSeconds,
                                    std::string& error)
{
    const auto root = LdapSession::ReadRootDse(host, timeoutSeconds, error);
    if (!root)
        return std::nullopt;
    const auto* capabilities = root->All("supportedcapabilities");
    const bool isAd = capabilities && std::find(capabilities->begin(), capabilities->end(), "1.2.840.113556.1.4.800") !=
                                          capabilities->end();
    RootFacts facts;
    facts.baseDn = root->Text("defaultnamingcontext");
    if (!isAd || facts.baseDn.empty())
        return std::nullopt;
    facts.dnsHostName = root->Text("dnshostname");
    facts.realm = RealmOfDirectory(root->Text("ldapservicename"), facts.baseDn, domain);
    return facts;
}

// One way of the plan: its log-on, bound now. `refused` tells a refused password,
// `stop` an account the KDC refuses whatever the way (disabled, locked, expired).
std::unique_ptr<DirectoryNetApi> TryWay(const std::string& server, const RootFacts& root, const LogonWay& way,
                                        const std::optional<Credentials>& credentials, const DirectoryOptions& options,
                                        bool& refused, bool& stop, std::string& message)
{
    DirectoryLogon logon{way, std::nullopt, nullptr};
    refused = false;
    stop = false;
    if (way.bind == DirectoryBind::Ldaps)
        logon.credentials = credentials;
    if (way.bind == DirectoryBind::KerberosPassword) {
        std::shared_ptr<KerberosLogon> kerberos = KerberosLogon::Create(root.realm, way.address, message);
        if (!kerberos)
            return nullptr;
        const KerberosResult result = kerberos->LogOn(*credentials, message);
        refused = result == KerberosResult::WrongPassword;
        stop = result == KerberosResult::AccountRefused;
        if (result != KerberosResult::Ok)
            return nullptr;
        logon.kerberos = std::move(kerberos);
    }
    const std::string host = root.dnsHostName.empty() ? way.host : root.dnsHostName;
    auto api = std::make_unique<DirectoryNetApi>(server, host, root.baseDn, std::move(logon), nullptr, options);
    if (!api->Connect(message, &refused))
        return nullptr;
    return api;
}

// A server without a directory is still of use when it answers SMB. It is found the way
// Samba's libraries find it (DNS and the hosts file, else NetBIOS by WINS and broadcast),
// so that a name only NetBIOS knows raises no alarm. A name nothing knows is NotFound,
// which the caller words.
void NoteSmbReach(const std::string& server, const std::string& probeError, int seconds, DirectoryAttempt& attempt)
{
    const ServerReach reach =
        ReachServer(HostOf(server), kSmbPort, NetbiosOrderFromSambaConfig(), std::chrono::seconds(seconds));
    if (reach == ServerReach::NotFound) {
        attempt.outcome = DirectoryAttempt::NotFound;
    } else if (reach == ServerReach::Silent) {
        attempt.outcome = DirectoryAttempt::Unreachable;
        attempt.message = "The server " + server + " does not answer (LDAP: " + probeError +
                          "; SMB port 445 closed or silent). Browses will fail until it answers.";
    }
}

// What would let the program use the directory of `named`.
std::string EnableHint(const std::string& named, bool havePassword)
{
    if (!havePassword)
        return "To use the directory, give an authentication file (--auth-file) or get a Kerberos ticket with kinit.";
    std::string hint = "To use the directory, let the controller's Kerberos service (port 88) answer at " + named;
    if (!IsAddress(named))
        hint += ", or name the file of the CA that issued its LDAPS certificate in LDAPTLS_CACERT (the certificate "
                "must carry the name " +
                named + ")";
    return hint + ".";
}

}  // namespace

DirectoryAttempt AttachDirectory(const std::string& server, const std::optional<Credentials>& credentials,
                                 std::unique_ptr<NetApi>& fallback, const std::string& domain, DirectoryOptions options)
{
    DirectoryAttempt attempt;
    const std::string named = HostOf(server);
    if (named.empty())
        return attempt;
    const int probeSeconds = std::min(options.timeoutSeconds, 3);
    std::string probeError;
    const auto root =
        ReadAdRoot(named, domain.empty() && credentials ? credentials->domain : domain, probeSeconds, probeError);
    if (!root) {
        if (!probeError.empty())
            NoteSmbReach(server, probeError, probeSeconds, attempt);
        return attempt;
    }
    const bool havePassword = credentials && !credentials->password.empty();
    const auto ways = PlanDirectoryLogon(named, root->dnsHostName, havePassword, !havePassword && HasKerberosTicket());
    std::string reasons;
    for (const LogonWay& way : ways) {
        bool refused = false;
        bool stop = false;
        std::string message;
        attempt.api = TryWay(server, *root, way, credentials, options, refused, stop, message);
        if (attempt.api) {
            attempt.outcome = DirectoryAttempt::Bound;
            attempt.api->SetFallback(std::shared_ptr<NetApi>(std::move(fallback)));
            return attempt;
        }
        if (refused) {
            attempt.outcome = DirectoryAttempt::WrongPassword;
            attempt.message = "The password of " + credentials->user + " was refused by " + server + ": " + message;
            return attempt;
        }
        reasons += (reasons.empty() ? "" : "\n") + DescribeBind(way.bind) + ": " + message;
        if (stop)
            break;
    }
    attempt.outcome = DirectoryAttempt::Refused;
    attempt.message = "The directory of " + server +
                      " can't be used securely, so every call goes through "
                      "SMB (libnetapi) instead.\n\n" +
                      (reasons.empty() ? std::string() : reasons + "\n\n") + EnableHint(named, havePassword);
    return attempt;
}

std::unique_ptr<NetApi> CreateDomainNetApi(const std::string& server, std::optional<Credentials> credentials,
                                           std::unique_ptr<NetApi> fallback, std::string* error,
                                           DirectoryOptions options)
{
    DirectoryAttempt attempt = AttachDirectory(server, credentials, fallback, {}, std::move(options));
    switch (attempt.outcome) {
    case DirectoryAttempt::Bound:
        return std::move(attempt.api);
    case DirectoryAttempt::NoDirectory:
    case DirectoryAttempt::Unreachable:
    case DirectoryAttempt::NotFound:
        return fallback;
    default:
        if (error)
            *error = attempt.message;
        return nullptr;
    }
}

}  // namespace net
