#include "platform/net/directory/kerberos_logon.h"

#include "platform/net/net_support.h"

#include <krb5/krb5.h>
#include <profile.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace net {

namespace {

using Path = std::vector<std::string>;
using Settings = std::map<Path, std::vector<std::string>>;

// The library's settings, answered from memory: the realm's one KDC, no DNS lookups
// and no name canonicalisation, so that only the server the user named is asked.
Settings MakeSettings(const std::string& realm, const std::string& kdc)
{
    Settings s;
    s[{"libdefaults", "default_realm"}] = {realm};
    s[{"libdefaults", "dns_lookup_kdc"}] = {"false"};
    s[{"libdefaults", "dns_lookup_realm"}] = {"false"};
    s[{"libdefaults", "dns_canonicalize_hostname"}] = {"false"};
    s[{"libdefaults", "rdns"}] = {"false"};
    // TCP at once: a controller's tickets carry a PAC too large for UDP, and a closed
    // port then fails at once instead of after UDP's retries.
    s[{"libdefaults", "udp_preference_limit"}] = {"1"};
    s[{"realms", realm, "kdc"}] = {kdc};
    return s;
}

long GetValues(void* data, const char* const* names, char*** values)
{
    const auto& settings = *static_cast<const Settings*>(data);
    Path path;
    for (const char* const* n = names; n && *n; ++n)
        path.emplace_back(*n);
    const auto it = settings.find(path);
    if (it == settings.end())
        return PROF_NO_RELATION;
    char** list = static_cast<char**>(std::calloc(it->second.size() + 1, sizeof(char*)));
    if (!list)
        return ENOMEM;
    for (std::size_t i = 0; i < it->second.size(); ++i)
        list[i] = strdup(it->second[i].c_str());
    *values = list;
    return 0;
}

void FreeValues(void*, char** values)
{
    for (char** v = values; v && *v; ++v)
        std::free(*v);
    std::free(values);
}

// A KDC named by an IPv6 address goes in brackets.
std::string KdcEntry(const std::string& host)
{
    if (host.find(':') != std::string::npos && host.front() != '[')
        return "[" + host + "]";
    return host;
}

}  // namespace

struct KerberosLogon::Library {
    Settings settings;
    profile_t profile = nullptr;
    krb5_context context = nullptr;
    krb5_ccache cache = nullptr;

    ~Library()
    {
        if (cache)
            krb5_cc_destroy(context, cache);
        if (context)
            krb5_free_context(context);
        if (profile)
            profile_release(profile);
    }
};

std::string PrincipalName(const Credentials& credentials, const std::string& realm)
{
    if (credentials.user.find('@') != std::string::npos)
        return credentials.user;
    return SplitAccount(credentials.user).second + "@" + realm;
}

KerberosResult ClassifyKerberosError(long code)
{
    switch (code) {
    case 0:
        return KerberosResult::Ok;
    case KRB5KDC_ERR_PREAUTH_FAILED:
    case KRB5KRB_AP_ERR_BAD_INTEGRITY:
    case KRB5KDC_ERR_C_PRINCIPAL_UNKNOWN:
        return KerberosResult::WrongPassword;
    case KRB5KDC_ERR_CLIENT_REVOKED:
    case KRB5KDC_ERR_KEY_EXP:
    case KRB5KDC_ERR_NAME_EXP:
        return KerberosResult::AccountRefused;
    case KRB5_KDC_UNREACH:
    case KRB5_REALM_CANT_RESOLVE:
    case KRB5_REALM_UNKNOWN:
        return KerberosResult::Unreachable;
    default:
        return KerberosResult::Other;
    }
}

KerberosLogon::KerberosLogon(std::string realm, std::string kdc)
    : m_realm(std::move(realm)), m_kdc(std::move(kdc)), m_lib(std::make_unique<Library>())
{
}

KerberosLogon::~KerberosLogon()
{
    if (!m_credentials.password.empty())
        std::fill(m_credentials.password.begin(), m_credentials.password.end(), '\0');
}

std::unique_ptr<KerberosLogon> KerberosLogon::Create(const std::string& realm, const std::string& kdc,
                                                     std::string& error)
{
    if (realm.empty() || kdc.empty()) {
        error = "no realm or KDC to log on with Kerberos";
        return nullptr;
    }
    std::unique_ptr<KerberosLogon> logon(new KerberosLogon(realm, kdc));
    Library& lib = *logon->m_lib;
    lib.settings = MakeSettings(realm, KdcEntry(kdc));
    profile_vtable vtable{};
    vtable.minor_ver = 1;
    vtable.get_values = GetValues;
    vtable.free_values = FreeValues;
    long code = profile_init_vtable(&vtable, &lib.settings, &lib.profile);
    if (code == 0)
        code = krb5_init_context_profile(lib.profile, KRB5_INIT_CONTEXT_SECURE, &lib.context);
    if (code == 0)
        code = krb5_cc_new_unique(lib.context, "MEMORY", nullptr, &lib.cache);
    char* name = nullptr;
    if (code == 0)
        code = krb5_cc_get_full_name(lib.context, lib.cache, &name);
    if (code != 0) {
        error = "Kerberos could not start: " + logon->Text(code);
        return nullptr;
    }
    logon->m_cacheName = name;
    krb5_free_string(lib.context, name);
    return logon;
}

std::string KerberosLogon::Text(long code) const
{
    const char* text = krb5_get_error_message(m_lib->context, static_cast<krb5_error_code>(code));
    std::string result = text ? text : ("Kerberos error " + std::to_string(code));
    krb5_free_error_message(m_lib->context, text);
    return result;
}

KerberosResult KerberosLogon::LogOn(const Credentials& credentials, std::string& message)
{
    std::lock_guard lock(m_mutex);
    m_credentials = credentials;
    return Initial(message);
}

KerberosResult KerberosLogon::Initial(std::string& message)
{
    krb5_context ctx = m_lib->context;
    const std::string name = PrincipalName(m_credentials, m_realm);
    krb5_principal client = nullptr;
    krb5_get_init_creds_opt* opt = nullptr;
    krb5_creds creds{};
    // A UPN ("user@example.org") is an enterprise name, resolved by the KDC in its realm.
    const int flags = m_credentials.user.find('@') != std::string::npos ? KRB5_PRINCIPAL_PARSE_ENTERPRISE : 0;
    krb5_error_code code = krb5_parse_name_flags(ctx, name.c_str(), flags, &client);
    if (code == 0)
        code = krb5_get_init_creds_opt_alloc(ctx, &opt);
    if (code == 0) {
        krb5_get_init_creds_opt_set_canonicalize(opt, 1);
        code = krb5_get_init_creds_opt_set_out_ccache(ctx, opt, m_lib->cache);
    }
    if (code == 0) {
        code = krb5_get_init_creds_password(ctx, &creds, client, m_credentials.password.c_str(), nullptr, nullptr, 0,
                                            nullptr, opt);
        if (code == 0)
            krb5_free_cred_contents(ctx, &creds);
    }
    const KerberosResult result = ClassifyKerberosError(code);
    if (code != 0)
        message = "Kerberos log-on of " + name + " at " + m_kdc + ": " + Text(code);
    if (opt)
        krb5_get_init_creds_opt_free(ctx, opt);
    if (client)
        krb5_free_principal(ctx, client);
    return result;
}

KerberosResult KerberosLogon::ServiceTicket(const std::string& service, const std::string& host, std::string& message)
{
    std::lock_guard lock(m_mutex);
    krb5_context ctx = m_lib->context;
    // GSSAPI asks for the service in lower case (host-based names are folded), and
    // finds it in this cache under the client's realm.
    const std::string lowerHost = LowerAscii(host);
    for (int attempt = 0;; ++attempt) {
        krb5_creds in{};
        krb5_creds* out = nullptr;
        krb5_error_code code = krb5_cc_get_principal(ctx, m_lib->cache, &in.client);
        if (code == 0)
            code = krb5_build_principal(ctx, &in.server, static_cast<unsigned>(m_realm.size()), m_realm.c_str(),
                                        service.c_str(), lowerHost.c_str(), nullptr);
        if (code == 0)
            code = krb5_get_credentials(ctx, 0, m_lib->cache, &in, &out);
        if (out)
            krb5_free_creds(ctx, out);
        krb5_free_cred_contents(ctx, &in);
        if (code == 0)
            return KerberosResult::Ok;
        const bool expired = code == KRB5KRB_AP_ERR_TKT_EXPIRED || code == KRB5_CC_NOTFOUND ||
                             code == KRB5_FCC_NOFILE || code == KRB5_CC_END;
        if (!expired || attempt == 1 || m_credentials.password.empty()) {
            message = "Kerberos ticket for " + service + "/" + lowerHost + "@" + m_realm + ": " + Text(code);
            return ClassifyKerberosError(code);
        }
        const KerberosResult again = Initial(message);
        if (again != KerberosResult::Ok)
            return again;
    }
}

}  // namespace net
