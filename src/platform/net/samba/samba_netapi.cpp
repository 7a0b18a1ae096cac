// SambaNetApi: the Net functions through Samba's libnetapi.
//
// What the library does wrong, and what is done here instead:
// - Output buffers must be nullptr on entry: a stale pointer makes the next call
//   abort the process (talloc). Every call gets a fresh Buffer.
// - Server names go without their leading backslashes; "\\DC1" does not resolve.
// - NetUserEnum's trust-account filters crash on an empty answer: only levels 0
//   with filter 0 or FILTER_NORMAL_ACCOUNT are used; computer accounts come from
//   NetQueryDisplayInformation level 2 and are sorted by their own flags.
// - NetUserSetInfo at level 3 sends usri3_flags as raw SAMR account bits and levels
//   1, 2, 4 and 1008 answer 50: flags and "must change password" go through level 3
//   with the bits translated, everything else of that record as just read, and the
//   result is read back and compared. The other fields use single-field levels.
// - NetLocalGroupAddMembers/DelMembers by name abort the process: members go by SID
//   (level 0) only.
// - NetServerGetInfo never reports SV_TYPE_DOMAIN_CTRL for a Samba DC, and answers
//   for this machine's own names from the local configuration: the PDC bit comes from
//   the server's own NetGetDCName, and every named server is probed first.
// - Neither NetGetDCName nor DsGetDcName finds a classic domain's controller from a
//   machine that is no member (1003, 87): its domain master browser (DOMAIN<1B>) is.
// - The level-3 write ignores usri3_password_expired when usri3_password_age is 0
//   (a password set in the same second): the age sent is never 0.
// - A password must always be set (empty with the credential cache), or the library
//   prompts for one on the terminal.
// - The SAMR handles the library opens (connect, domain, builtin) are kept once for the
//   whole process, not per server, and handed to the next call even when it goes to
//   another server, or to the same one by another name, over another connection: that
//   server answers with a context-mismatch fault, reported as access denied. The handles
//   are dropped whenever a call goes to another server name than the call before.

#include <cstdint>

#include <netapi.h>  // Samba's; its macros collide with the names of our interface
#undef ERROR_MORE_DATA
#undef FILTER_TEMP_DUPLICATE_ACCOUNT
#undef FILTER_NORMAL_ACCOUNT
#undef FILTER_INTERDOMAIN_TRUST_ACCOUNT
#undef FILTER_WORKSTATION_TRUST_ACCOUNT
#undef FILTER_SERVER_TRUST_ACCOUNT
#undef TIMEQ_FOREVER
#undef USER_PRIV_GUEST
#undef USER_PRIV_USER
#undef USER_PRIV_ADMIN

// Exported by libnetapi (NETAPI_1.0.0) but missing from its header: closes and forgets
// the SAMR handles the library keeps.
extern "C" void libnetapi_samr_free(struct libnetapi_ctx* ctx);

#include "platform/net/samba/samba_netapi.h"

#include "platform/net/discovery/discovery.h"
#include "platform/net/discovery/netbios_browse.h"
#include "platform/net/netbios_name.h"
#include "platform/net/samba/samba_support.h"
#include "platform/threads/library_lock.h"
#include "platform/threads/owned_threads.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <utility>

namespace net {

namespace {

constexpr std::uint32_t kWholeList = 0xFFFFFFFFu;  // MAX_PREFERRED_LENGTH
constexpr std::uint32_t kDsPdcRequired = 0x00000080;
constexpr std::uint32_t kDsReturnFlatName = 0x80000000;
constexpr std::chrono::seconds kAnswerRemembered{60};
// Longest wait for a classic domain's master browser to answer its name.
constexpr std::chrono::milliseconds kDomainMasterWait{1500};

// The library's one context is shared by the whole process and is not thread-safe;
// libsmbclient shares its configuration.
std::mutex& LibraryMutex()
{
    return threads::SambaLibraryMutex();
}

std::atomic<std::uint64_t> g_nextId{1};

// A buffer the library allocates; freed on scope exit, never reused.
class Buffer {
public:
    Buffer() = default;
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    ~Buffer()
    {
        if (m_p)
            NetApiBufferFree(m_p);
    }
    std::uint8_t** Out() { return &m_p; }
    void** OutVoid() { return reinterpret_cast<void**>(&m_p); }
    template <class T>
    const T* As() const
    {
        return reinterpret_cast<const T*>(m_p);
    }

private:
    std::uint8_t* m_p = nullptr;
};

std::string Str(const char* text)
{
    return text ? text : "";
}

// Applies the credentials of connection `id` unless they are the ones in place.
// Called with the library lock held.
Status Prepare(const SambaConnection& connection, std::uint64_t id)
{
    static libnetapi_ctx* context = nullptr;
    static std::uint64_t applied = 0;
    if (!context) {
        Status status = libnetapi_init(&context);
        if (status != NERR_Success)
            return status;
        libnetapi_set_debuglevel(context, "0");
    }
    if (applied == id)
        return NERR_Success;
    if (!connection.workgroup.empty())
        libnetapi_set_workgroup(context, connection.workgroup.c_str());
    const Credentials& who = connection.credentials;
    if (!who.user.empty()) {
        std::string user =
            who.domain.empty() || who.user.find('\\') != std::string::npos ? who.user : who.domain + "\\" + who.user;
        libnetapi_set_username(context, user.c_str());
    }
    if (connection.useKerberos) {
        libnetapi_set_use_ccache(context);
        libnetapi_set_password(context, "");
    } else {
        libnetapi_set_password(context, who.password.c_str());
    }
    applied = id;
    return NERR_Success;
}

// Drops the library's SAMR handles when the call about to be made goes to another server
// name (host; nullptr for this machine), or with other credentials (connection `id`),
// than the one before: the handles belong to that call's connection and log-on. Called
// with the library lock held, after Prepare.
void ForgetHandlesOfAnotherServer(const char* host, std::uint64_t id)
{
    static std::string last;
    std::string key = std::to_string(id) + '/' + (host ? UpperAscii(host) : std::string());
    if (key == last)
        return;
    libnetapi_ctx* context = nullptr;
    if (libnetapi_getctx(&context) == NERR_Success && context)
        libnetapi_samr_free(context);
    last = std::move(key);
}

// Reads a whole list through the resume handle. `call(buffer, read, total, resume)`.
template <class Raw, class Call, class Each>
Status ReadAll(Call&& call, Each&& each)
{
    std::uint32_t resume = 0;
    for (;;) {
        if (threads::StopRequested())
            return ERROR_CANCELLED;
        Buffer buffer;
        std::uint32_t read = 0;
        std::uint32_t total = 0;
        Status status = call(buffer.Out(), &read, &total, &resume);
        if (status != NERR_Success && status != ERROR_MORE_DATA)
            return status;
        const Raw* items = buffer.As<Raw>();
        for (std::uint32_t i = 0; items && i < read; ++i)
            each(items[i]);
        if (status == NERR_Success)
            return NERR_Success;
        if (read == 0)
            return ERROR_MORE_DATA;  // no progress: give up rather than loop
    }
}

// NetQueryDisplayInformation pages by the index of the next entry.
template <class Raw, class Each>
Status ReadDisplay(const char* host, std::uint32_t level, Each&& each)
{
    std::uint32_t index = 0;
    for (;;) {
        if (threads::StopRequested())
            return ERROR_CANCELLED;
        Buffer buffer;
        std::uint32_t read = 0;
        Status status = NetQueryDisplayInformation(host, level, index, 1000, kWholeList, &read, buffer.OutVoid());
        if (status != NERR_Success && status != ERROR_MORE_DATA)
            return status;
        const Raw* items = buffer.As<Raw>();
        for (std::uint32_t i = 0; items && i < read; ++i)
            index = each(items[i]);
        if (status == NERR_Success)
            return NERR_Success;
        if (read == 0)
            return ERROR_MORE_DATA;
    }
}

USER_INFO_3 FromRaw(const ::USER_INFO_3& raw, std::int64_t now)
{
    USER_INFO_3 user;
    user.usri3_name = Str(raw.usri3_name);
    user.usri3_password_age = samba::NormalizePasswordAge(raw.usri3_password_age, now);
    user.usri3_priv = raw.usri3_priv;
    user.usri3_home_dir = Str(raw.usri3_home_dir);
    user.usri3_comment = Str(raw.usri3_comment);
    user.usri3_flags = raw.usri3_flags;
    user.usri3_script_path = Str(raw.usri3_script_path);
    user.usri3_auth_flags = raw.usri3_auth_flags;
    user.usri3_full_name = Str(raw.usri3_full_name);
    user.usri3_usr_comment = Str(raw.usri3_usr_comment);
    user.usri3_parms = Str(raw.usri3_parms);
    user.usri3_workstations = Str(raw.usri3_workstations);
    user.usri3_last_logon = raw.usri3_last_logon;
    user.usri3_last_logoff = raw.usri3_last_logoff;
    user.usri3_acct_expires = samba::NormalizeAccountExpiry(raw.usri3_acct_expires);
    user.usri3_max_storage = raw.usri3_max_storage;
    user.usri3_units_per_week = raw.usri3_units_per_week;
    if (raw.usri3_logon_hours) {
        std::size_t bytes = std::min<std::size_t>((raw.usri3_units_per_week + 7) / 8, 1260);
        user.usri3_logon_hours.assign(raw.usri3_logon_hours, raw.usri3_logon_hours + bytes);
    }
    user.usri3_bad_pw_count = raw.usri3_bad_pw_count;
    user.usri3_num_logons = raw.usri3_num_logons;
    user.usri3_logon_server = Str(raw.usri3_logon_server);
    user.usri3_country_code = raw.usri3_country_code;
    user.usri3_code_page = raw.usri3_code_page;
    user.usri3_user_id = raw.usri3_user_id;
    user.usri3_primary_group_id = raw.usri3_primary_group_id;
    if (raw.usri3_profile)
        user.usri3_profile = raw.usri3_profile;
    user.usri3_home_dir_drive = Str(raw.usri3_home_dir_drive);
    user.usri3_password_expired = raw.usri3_password_expired;
    return user;
}

SERVER_INFO_101 FromRaw(const ::SERVER_INFO_101& raw)
{
    SERVER_INFO_101 info;
    info.sv101_platform_id = raw.sv101_platform_id;
    info.sv101_name = HostOf(Str(raw.sv101_name));
    info.sv101_version_major = raw.sv101_version_major;
    info.sv101_version_minor = raw.sv101_version_minor;
    info.sv101_type = raw.sv101_type;
    info.sv101_comment = Str(raw.sv101_comment);
    return info;
}

std::string SidText(const domsid* sid)
{
    if (!sid)
        return {};
    samba::SidParts parts;
    parts.revision = sid->sid_rev_num;
    for (std::uint8_t byte : sid->id_auth)
        parts.authority = (parts.authority << 8) | byte;
    for (std::uint8_t i = 0; i < sid->num_auths && i < MAXSUBAUTHS; ++i)
        parts.subAuthorities.push_back(sid->sub_auths[i]);
    return samba::FormatSid(parts);
}

bool SidFromText(const std::string& text, domsid& sid)
{
    std::optional<samba::SidParts> parts = samba::ParseSid(text);
    if (!parts || parts->subAuthorities.size() > MAXSUBAUTHS)
        return false;
    sid = domsid{};
    sid.sid_rev_num = parts->revision;
    sid.num_auths = static_cast<std::uint8_t>(parts->subAuthorities.size());
    for (int i = 5; i >= 0; --i)
        sid.id_auth[5 - i] = static_cast<std::uint8_t>(parts->authority >> (8 * i));
    std::copy(parts->subAuthorities.begin(), parts->subAuthorities.end(), sid.sub_auths);
    return true;
}

std::int64_t Now()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

// Preferred length of one batch of the level-3 user enumeration: a few hundred
// accounts, so that no caller waits long for the library lock.
constexpr std::uint32_t kUserBatchBytes = 16 * 1024;

// The account flags of `account` (UF_ bits), 0 when it can't be read.
std::uint32_t AccountFlags(const char* host, const std::string& account)
{
    Buffer buffer;
    if (NetUserGetInfo(host, account.c_str(), 1, buffer.Out()) != NERR_Success)
        return 0;
    return buffer.As<::USER_INFO_1>()->usri1_flags;
}

// NetUserEnum level 0 on the library's safe filter (0: user accounts).
Status EnumUserNames(const char* host, std::uint32_t filter, std::uint32_t batch, std::vector<std::string>& names)
{
    return ReadAll<::USER_INFO_0>(
        [&](std::uint8_t** buffer, std::uint32_t* read, std::uint32_t* total, std::uint32_t* resume) {
            return NetUserEnum(host, 0, filter, buffer, batch, read, total, resume);
        },
        [&](const ::USER_INFO_0& user) { names.push_back(Str(user.usri0_name)); });
}

// The name of the server's account domain (its own name on a member or workstation).
std::string AccountDomainOf(const char* host)
{
    Buffer modals;
    if (NetUserModalsGet(host, 2, modals.Out()) != NERR_Success || !modals.As<::USER_MODALS_INFO_2>())
        return {};
    return Str(modals.As<::USER_MODALS_INFO_2>()->usrmod2_domain_name);
}

// Computer accounts with their "$", from the display information.
Status EnumMachineAccounts(const char* host, std::vector<std::string>& names)
{
    return ReadDisplay<::NET_DISPLAY_MACHINE>(host, 2, [&](const ::NET_DISPLAY_MACHINE& machine) {
        names.push_back(Str(machine.usri2_name));
        return machine.usri2_next_index;
    });
}

}  // namespace

SambaNetApi::SambaNetApi(SambaConnection connection) : m_connection(std::move(connection)), m_id(g_nextId.fetch_add(1))
{
    std::lock_guard<std::mutex> lock(LibraryMutex());
    Prepare(m_connection, m_id);
}

SambaNetApi::~SambaNetApi() = default;

Status SambaNetApi::Reach(const std::string& server)
{
    std::string host = HostOf(server);
    if (host.empty())
        return NERR_Success;
    std::string key = UpperAscii(host);
    auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard<std::mutex> lock(m_reachMutex);
        auto known = m_answeredUntil.find(key);
        if (known != m_answeredUntil.end() && now < known->second)
            return NERR_Success;
    }
    switch (samba::ProbeTcp(host, kSmbPort, m_connection.connectTimeout)) {
    case samba::Probe::Answered: {
        std::lock_guard<std::mutex> lock(m_reachMutex);
        m_answeredUntil[key] = std::chrono::steady_clock::now() + kAnswerRemembered;
        return NERR_Success;
    }
    case samba::Probe::Unresolved:
        // Not a host name the system resolves: the library has resolvers of its own
        // (NetBIOS, WINS, lmhosts), each with short time limits.
        return NERR_Success;
    default:
        return ERROR_BAD_NETPATH;
    }
}

template <class Body>
Status SambaNetApi::Locked(const std::string& server, Body&& body)
{
    if (threads::StopRequested())
        return ERROR_CANCELLED;
    if (Status status = Reach(server))
        return status;
    std::string host = HostOf(server);
    std::lock_guard<std::mutex> lock(LibraryMutex());
    if (threads::StopRequested())
        return ERROR_CANCELLED;  // stopped while waiting for the lock
    if (Status status = Prepare(m_connection, m_id))
        return status;
    const char* name = host.empty() ? nullptr : host.c_str();
    ForgetHandlesOfAnotherServer(name, m_id);
    return body(name);
}

Status SambaNetApi::GetDCName(const std::string& server, const std::string& domain, std::string& dcName)
{
    dcName.clear();
    const Status located = Locked(server, [&](const char* host) -> Status {
        const char* wanted = domain.empty() ? nullptr : domain.c_str();
        Buffer buffer;
        Status status = NetGetDCName(host, wanted, buffer.Out());
        if (status == NERR_Success) {
            dcName = "\\\\" + HostOf(Str(reinterpret_cast<const char*>(buffer.As<char>())));
            return NERR_Success;
        }
        if (host)
            return status;
        // This computer: locate the primary controller of the domain the way a member does.
        std::string name = domain.empty() ? m_connection.workgroup : domain;
        ::DOMAIN_CONTROLLER_INFO* info = nullptr;
        status = DsGetDcName(nullptr, name.empty() ? nullptr : name.c_str(), nullptr, nullptr,
                             kDsPdcRequired | kDsReturnFlatName, &info);
        if (status != NERR_Success || !info)
            return NERR_DCNotFound;
        dcName = "\\\\" + HostOf(Str(info->domain_controller_name));
        NetApiBufferFree(info);
        return NERR_Success;
    });
    if (located != NERR_DCNotFound || !HostOf(server).empty())
        return located;
    // A classic domain answers neither: its primary controller is the domain master
    // browser, which holds DOMAIN<1B>.
    const std::string name = domain.empty() ? m_connection.workgroup : domain;
    const std::string master =
        name.empty() ? std::string() : NetbiosDomainMaster(name, NetbiosOrderFromSambaConfig(), kDomainMasterWait);
    if (master.empty())
        return located;
    dcName = "\\\\" + master;
    return NERR_Success;
}

// The server's own domain, as its netlogon service names it; trusts are not asked
// (the library gives no list of them).
Status SambaNetApi::DomainEnum(const std::string& server, std::vector<std::string>& out)
{
    out.clear();
    const Status located = Locked(server, [&](const char* host) -> Status {
        ::DOMAIN_CONTROLLER_INFO* info = nullptr;
        Status status = DsGetDcName(host, nullptr, nullptr, nullptr, kDsReturnFlatName, &info);
        if (status != NERR_Success || !info)
            return status != NERR_Success ? status : NERR_DCNotFound;
        out.push_back(Str(info->domain_name));
        NetApiBufferFree(info);
        return NERR_Success;
    });
    if (located == NERR_Success || HostOf(server).empty())
        return located;
    // A classic controller answers no DsGetDcName (46): the domain it controls is its
    // account domain.
    std::string dc;
    std::string name;
    if (LocateController(server, {}, dc) == NERR_Success) {
        Locked(dc, [&](const char* host) {
            name = AccountDomainOf(host);
            return NERR_Success;
        });
    }
    if (name.empty())
        return located;
    out.push_back(name);
    return NERR_Success;
}

// The machine's master browsers, asked in a process of their own; no server is involved.
Status SambaNetApi::BrowseListEnum(const std::string& workgroup, std::vector<std::string>& out)
{
    return NetbiosBrowseList(workgroup, out);
}

// The hosts that announce themselves on this computer's networks; no server is involved.
Status SambaNetApi::DiscoverHosts(std::vector<DiscoveredHost>& out)
{
    out = net::DiscoverHosts(kDiscoveryBudget);
    return NERR_Success;
}

Status SambaNetApi::ServerInfoLocked(const char* host, SERVER_INFO_101& out)
{
    Buffer buffer;
    Status status = NetServerGetInfo(host, 101, buffer.Out());
    if (status != NERR_Success)
        return status;
    out = FromRaw(*buffer.As<::SERVER_INFO_101>());
    // The primary controller is the server whose own answer names itself.
    Buffer dc;
    if (NetGetDCName(host, nullptr, dc.Out()) == NERR_Success &&
        samba::SameHost(Str(reinterpret_cast<const char*>(dc.As<char>())), out.sv101_name)) {
        out.sv101_type |= SV_TYPE_DOMAIN_CTRL;
    }
    return NERR_Success;
}

Status SambaNetApi::ServerGetInfo(const std::string& server, SERVER_INFO_101& out)
{
    out = SERVER_INFO_101{};
    return Locked(server, [&](const char* host) { return ServerInfoLocked(host, out); });
}

// The controller to ask for the domain of `server` (or `domain`): the server itself when
// its own server information carries the controller bits and its account domain is the
// one asked, else the one the server names. A classic (NT4-style) controller names none:
// it refuses NetGetDCName without a domain name (1908) and, with its own, takes 11 s to
// fail (121).
Status SambaNetApi::LocateController(const std::string& server, const std::string& domain, std::string& dc)
{
    SERVER_INFO_101 info;
    if (!HostOf(server).empty() && ServerGetInfo(server, info) == NERR_Success &&
        (info.sv101_type & (SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL))) {
        std::string own;
        Locked(server, [&](const char* host) {
            own = AccountDomainOf(host);
            return NERR_Success;
        });
        if (!own.empty() && (domain.empty() || UpperAscii(own) == UpperAscii(domain))) {
            dc = "\\\\" + info.sv101_name;
            return NERR_Success;
        }
    }
    return GetDCName(server, domain, dc);
}

Status SambaNetApi::ServerEnum(const std::string& server, std::uint32_t serverType, const std::string& domain,
                               std::vector<SERVER_INFO_101>& out, std::uint32_t& totalEntries)
{
    out.clear();
    totalEntries = 0;
    auto deadline = std::chrono::steady_clock::now() + m_connection.serverEnumBudget;
    std::string dc;
    if (Status status = LocateController(server, domain, dc))
        return status;

    // The controller first, then every computer account of its domain.
    std::vector<std::string> names{HostOf(dc)};
    std::vector<std::uint32_t> kinds;
    std::string domainName;
    Status status = Locked(dc, [&](const char* host) -> Status {
        domainName = AccountDomainOf(host);
        std::vector<std::string> accounts;
        if (Status listed = EnumMachineAccounts(host, accounts))
            return listed;
        for (const std::string& account : accounts) {
            std::string name =
                account.size() > 1 && account.back() == '$' ? account.substr(0, account.size() - 1) : account;
            bool known =
                std::any_of(names.begin(), names.end(), [&](const std::string& n) { return samba::SameHost(n, name); });
            if (!known)
                names.push_back(name);
        }
        for (const std::string& name : names) {
            if (threads::StopRequested())
                return ERROR_CANCELLED;
            kinds.push_back(AccountFlags(host, name + "$"));
        }
        return NERR_Success;
    });
    if (status != NERR_Success)
        return status;

    // Which servers answer at all, probed side by side, while the domain's browse list is
    // read; the library calls that follow are serialised, so each is made only for a
    // server that answered, within the budget. Each probe ends within the connect
    // timeout and the browse list within its helper's limit, so all are waited for.
    auto browsed = std::make_shared<std::vector<std::string>>();
    std::vector<std::optional<Status>> reach =
        AskAtOnce<Status>(names.size() + 1, kServersAtOnce + 1, std::nullopt,
                          [this, names, domainName, browsed](std::size_t i) -> std::optional<Status> {
                              if (i > 0)
                                  return Reach(names[i - 1]);
                              return domainName.empty() ? NERR_Success : BrowseListEnum(domainName, *browsed);
                          });
    reach.erase(reach.begin());  // the browse list's own answer
    // The servers the browse list names and no account does (machines of the workgroup,
    // a classic controller, which has no account of its own), probed in turn.
    const std::size_t accounted = names.size();
    for (const std::string& name : *browsed) {
        if (std::none_of(names.begin(), names.end(), [&](const std::string& n) { return samba::SameHost(n, name); })) {
            names.push_back(name);
            kinds.push_back(0);
        }
    }
    std::vector<std::optional<Status>> more = AskAtOnce<Status>(
        names.size() - accounted, kServersAtOnce, std::nullopt,
        [this, names, accounted](std::size_t i) { return std::optional<Status>(Reach(names[accounted + i])); });
    reach.insert(reach.end(), more.begin(), more.end());
    if (threads::StopRequested())
        return ERROR_CANCELLED;

    for (std::size_t i = 0; i < names.size(); ++i) {
        if (threads::StopRequested())
            return ERROR_CANCELLED;
        bool primary = i == 0;
        SERVER_INFO_101 info;
        Status asked = ERROR_BAD_NETPATH;
        if (reach[i] == NERR_Success && std::chrono::steady_clock::now() < deadline) {
            std::lock_guard<std::mutex> lock(LibraryMutex());
            if (Prepare(m_connection, m_id) == NERR_Success) {
                ForgetHandlesOfAnotherServer(names[i].c_str(), m_id);
                asked = ServerInfoLocked(names[i].c_str(), info);
            }
        }
        if (asked == NERR_Success) {
            // A Samba controller reports no controller bit; its account says what it is.
            bool controller = (kinds[i] & UF_SERVER_TRUST_ACCOUNT) != 0;
            if (controller && !(info.sv101_type & (SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL))) {
                info.sv101_type |= primary ? SV_TYPE_DOMAIN_CTRL : SV_TYPE_DOMAIN_BAKCTRL;
            }
        } else {
            info = SERVER_INFO_101{};
            info.sv101_name = names[i];
            info.sv101_type =
                samba::FallbackServerType(kinds[i] ? kinds[i] : (primary ? UF_SERVER_TRUST_ACCOUNT : 0), primary);
        }
        if (serverType == SV_TYPE_ALL || (info.sv101_type & serverType) != 0)
            out.push_back(std::move(info));
    }
    totalEntries = static_cast<std::uint32_t>(out.size());
    return NERR_Success;
}

Status SambaNetApi::ShareEnum(const std::string& server, std::vector<SHARE_INFO_1>& out)
{
    out.clear();
    return Locked(server, [&](const char* host) {
        return ReadAll<::SHARE_INFO_1>(
            [&](std::uint8_t** buffer, std::uint32_t* read, std::uint32_t* total, std::uint32_t* resume) {
                return NetShareEnum(host, 1, buffer, m_connection.batchBytes, read, total, resume);
            },
            [&](const ::SHARE_INFO_1& share) {
                out.push_back({Str(share.shi1_netname), share.shi1_type, Str(share.shi1_remark)});
            });
    });
}

Status SambaNetApi::UserEnum(const std::string& server, std::uint32_t filter, std::vector<USER_INFO_0>& out)
{
    std::vector<std::string> names;
    out.clear();
    const Status status = AccountNames(server, filter, names);
    for (std::string& name : names)
        out.push_back({std::move(name)});
    return status;
}

Status SambaNetApi::AccountNames(const std::string& server, std::uint32_t filter, std::vector<std::string>& names)
{
    names.clear();
    return Locked(server, [&](const char* host) -> Status {
        Status status = NERR_Success;
        if (filter == 0 || filter == FILTER_NORMAL_ACCOUNT) {
            status = EnumUserNames(host, filter, m_connection.batchBytes, names);
        } else {
            // Other filters crash the library on an empty answer: list user and computer
            // accounts the safe ways and keep those of the asked kinds.
            std::vector<std::string> all;
            status = EnumUserNames(host, 0, m_connection.batchBytes, all);
            if (status == NERR_Success)
                status = EnumMachineAccounts(host, all);
            std::uint32_t kinds = AccountKindsOfFilter(filter);
            for (const std::string& name : all) {
                if (status == NERR_Success && threads::StopRequested())
                    status = ERROR_CANCELLED;
                if (status == NERR_Success && (AccountFlags(host, name) & kinds))
                    names.push_back(name);
            }
        }
        return status;
    });
}

Status SambaNetApi::UserEnumLevel3(const std::string& server, std::vector<USER_INFO_3>& out)
{
    // A batch at a time, each under its own lock, so that other callers get their turn.
    const std::uint32_t batch = std::min(m_connection.batchBytes, kUserBatchBytes);
    std::uint32_t resume = 0;
    for (;;) {
        std::uint32_t read = 0;
        const Status status = Locked(server, [&](const char* host) -> Status {
            Buffer buffer;
            std::uint32_t total = 0;
            Status result = NetUserEnum(host, 3, FILTER_NORMAL_ACCOUNT, buffer.Out(), batch, &read, &total, &resume);
            if (result != NERR_Success && result != ERROR_MORE_DATA)
                return result;
            const ::USER_INFO_3* items = buffer.As<::USER_INFO_3>();
            const std::int64_t now = Now();
            for (std::uint32_t i = 0; items && i < read; ++i)
                out.push_back(FromRaw(items[i], now));
            return result;
        });
        if (status != ERROR_MORE_DATA)
            return status;
        if (read == 0)
            return ERROR_MORE_DATA;  // no progress: give up rather than loop
    }
}

Status SambaNetApi::UserEnum(const std::string& server, std::uint32_t filter, std::vector<USER_INFO_3>& out)
{
    out.clear();
    // Normal accounts through level 3 of NetUserEnum: the library reads each account
    // with fewer requests than one NetUserGetInfo per name. It fails a batch whose
    // account was deleted meanwhile; then the accounts are read one by one. A server
    // that does not answer is not probed a second time.
    if (filter == FILTER_NORMAL_ACCOUNT) {
        Status status = UserEnumLevel3(server, out);
        if (status == NERR_Success)
            return NERR_Success;
        out.clear();
        if (status == ERROR_BAD_NETPATH)
            return status;
    }
    std::vector<std::string> names;
    if (Status status = AccountNames(server, filter, names))
        return status;
    // Level 3 of NetUserEnum reads each account anyway; one read per account keeps the
    // lock short so that other callers get their turn in between.
    for (const std::string& name : names) {
        USER_INFO_3 user;
        Status status = UserGetInfo(server, name, user);
        if (status == NERR_UserNotFound)
            continue;  // deleted meanwhile
        if (status != NERR_Success)
            return status;
        out.push_back(std::move(user));
    }
    return NERR_Success;
}

Status SambaNetApi::UserGetInfo(const std::string& server, const std::string& user, USER_INFO_3& out)
{
    return Locked(server, [&](const char* host) -> Status {
        Buffer buffer;
        Status status = NetUserGetInfo(host, user.c_str(), 3, buffer.Out());
        if (status != NERR_Success)
            return samba::UserCallStatus(status);
        out = FromRaw(*buffer.As<::USER_INFO_3>(), Now());
        return NERR_Success;
    });
}

namespace {

constexpr std::uint32_t kWrittenOptions = UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD;

// The flags `current` should have after a write asking for `asked`: the written option
// bits from `asked`, a lock-out kept only when asked for (it can be cleared, not set).
std::uint32_t FlagsAfter(std::uint32_t current, std::uint32_t asked)
{
    std::uint32_t flags = (current & ~kWrittenOptions) | (asked & kWrittenOptions);
    if (!(asked & UF_LOCKOUT))
        flags &= ~UF_LOCKOUT;
    return flags;
}

constexpr std::uint32_t kComparedFlags = kWrittenOptions | UF_LOCKOUT;

Status SetText(const char* host, const std::string& user, std::uint32_t level, const std::string& text)
{
    const char* value = text.c_str();
    std::uint32_t parameterError = 0;
    // USER_INFO_1003, 1007 and 1011 are each one string pointer.
    return NetUserSetInfo(host, user.c_str(), level, reinterpret_cast<std::uint8_t*>(&value), &parameterError);
}

// Flags and "must change password" through level 3, from a fresh read: every other
// field goes back as the server just gave it.
Status WriteFlagsAndExpiry(const char* host, const std::string& user, std::uint32_t askedFlags, bool mustChange)
{
    Buffer buffer;
    Status status = NetUserGetInfo(host, user.c_str(), 3, buffer.Out());
    if (status != NERR_Success)
        return status;
    ::USER_INFO_3 record = *buffer.As<::USER_INFO_3>();
    std::uint32_t flags = FlagsAfter(record.usri3_flags, askedFlags);
    if ((flags & kComparedFlags) == (record.usri3_flags & kComparedFlags) &&
        (record.usri3_password_expired != 0) == mustChange) {
        return NERR_Success;
    }
    record.usri3_flags = samba::ToSamrAccountBits(flags);
    record.usri3_password_expired = mustChange ? 1 : 0;
    // With a password age of 0 (a password set in this very second) the library drops
    // the must-change field from the write; any other age lets it through.
    record.usri3_password_age = std::max<std::uint32_t>(record.usri3_password_age, 1);
    std::uint32_t parameterError = 0;
    return NetUserSetInfo(host, user.c_str(), 3, reinterpret_cast<std::uint8_t*>(&record), &parameterError);
}

}  // namespace

Status SambaNetApi::UserSetInfo(const std::string& server, const std::string& user, const USER_INFO_3& info,
                                const UserFields& fields)
{
    if (fields.Empty())
        return NERR_Success;
    USER_INFO_3 current;
    if (Status status = UserGetInfo(server, user, current))
        return status;
    return WriteUser(server, user, WithUserFields(current, info, fields));
}

// Writes what differs between `info` and the account as the server holds it now.
Status SambaNetApi::WriteUser(const std::string& server, const std::string& user, const USER_INFO_3& info)
{
    return Locked(server, [&](const char* host) -> Status {
        Buffer before;
        Status status = NetUserGetInfo(host, user.c_str(), 3, before.Out());
        if (status != NERR_Success)
            return samba::UserCallStatus(status);
        const ::USER_INFO_3& old = *before.As<::USER_INFO_3>();
        // "User cannot change password" is an access rule on the account, which SAMR
        // does not carry: refuse before anything is written.
        if ((old.usri3_flags ^ info.usri3_flags) & UF_PASSWD_CANT_CHANGE)
            return ERROR_NOT_SUPPORTED;

        // The password first: setting it clears "must change", which the flags write
        // below then sets again when asked.
        if (info.usri3_password) {
            if ((status = SetText(host, user, 1003, *info.usri3_password)))
                return samba::UserCallStatus(status);
        }
        if (info.usri3_full_name != Str(old.usri3_full_name)) {
            if ((status = SetText(host, user, 1011, info.usri3_full_name)))
                return samba::UserCallStatus(status);
        }
        if (info.usri3_comment != Str(old.usri3_comment)) {
            if ((status = SetText(host, user, 1007, info.usri3_comment)))
                return samba::UserCallStatus(status);
        }
        bool mustChange = info.usri3_password_expired != 0;
        if ((status = WriteFlagsAndExpiry(host, user, info.usri3_flags, mustChange))) {
            return samba::UserCallStatus(status);
        }

        // What the server now holds must be what was asked, and nothing else changed.
        Buffer after;
        if ((status = NetUserGetInfo(host, user.c_str(), 3, after.Out())))
            return samba::UserCallStatus(status);
        const ::USER_INFO_3& now = *after.As<::USER_INFO_3>();
        bool asked =
            (now.usri3_flags & kComparedFlags) == (FlagsAfter(old.usri3_flags, info.usri3_flags) & kComparedFlags) &&
            (now.usri3_password_expired != 0) == mustChange && Str(now.usri3_full_name) == info.usri3_full_name &&
            Str(now.usri3_comment) == info.usri3_comment;
        bool kept = now.usri3_acct_expires == old.usri3_acct_expires &&
                    Str(now.usri3_home_dir) == Str(old.usri3_home_dir) &&
                    Str(now.usri3_script_path) == Str(old.usri3_script_path) &&
                    Str(now.usri3_profile) == Str(old.usri3_profile) &&
                    (now.usri3_flags & ~(kComparedFlags | UF_PASSWORD_EXPIRED)) ==
                        (old.usri3_flags & ~(kComparedFlags | UF_PASSWORD_EXPIRED));
        return asked && kept ? NERR_Success : ERROR_UNEXP_NET_ERR;
    });
}

Status SambaNetApi::UserGetGroups(const std::string& server, const std::string& user,
                                  std::vector<GROUP_USERS_INFO_1>& out)
{
    out.clear();
    return Locked(server, [&](const char* host) -> Status {
        Buffer buffer;
        std::uint32_t read = 0;
        std::uint32_t total = 0;
        Status status = NetUserGetGroups(host, user.c_str(), 1, buffer.Out(), kWholeList, &read, &total);
        if (status != NERR_Success)
            return samba::UserCallStatus(status);
        const auto* groups = buffer.As<::GROUP_USERS_INFO_1>();
        for (std::uint32_t i = 0; groups && i < read; ++i) {
            out.push_back({Str(groups[i].grui1_name), groups[i].grui1_attributes});
        }
        return NERR_Success;
    });
}

Status SambaNetApi::UserGetLocalGroups(const std::string& server, const std::string& user, std::uint32_t flags,
                                       std::vector<LOCALGROUP_USERS_INFO_0>& out)
{
    out.clear();
    return Locked(server, [&](const char* host) -> Status {
        Buffer buffer;
        std::uint32_t read = 0;
        std::uint32_t total = 0;
        Status status = NetUserGetLocalGroups(host, user.c_str(), 0, flags, buffer.Out(), kWholeList, &read, &total);
        // The library can't name the domain-local groups of an account domain (1301):
        // nothing it gives would be the whole answer.
        if (status == ERROR_SOME_NOT_MAPPED)
            return ERROR_NOT_SUPPORTED;
        if (status != NERR_Success)
            return samba::UserCallStatus(status);
        const auto* groups = buffer.As<::LOCALGROUP_USERS_INFO_0>();
        for (std::uint32_t i = 0; groups && i < read; ++i)
            out.push_back({Str(groups[i].lgrui0_name)});
        return NERR_Success;
    });
}

Status SambaNetApi::GroupEnum(const std::string& server, std::vector<GROUP_INFO_2>& out)
{
    out.clear();
    return Locked(server, [&](const char* host) {
        return ReadAll<::GROUP_INFO_2>(
            [&](std::uint8_t** buffer, std::uint32_t* read, std::uint32_t* total, std::uint32_t* resume) {
                return NetGroupEnum(host, 2, buffer, m_connection.batchBytes, read, total, resume);
            },
            [&](const ::GROUP_INFO_2& group) {
                out.push_back(
                    {Str(group.grpi2_name), Str(group.grpi2_comment), group.grpi2_group_id, group.grpi2_attributes});
            });
    });
}

Status SambaNetApi::GroupGetInfo(const std::string& server, const std::string& group, GROUP_INFO_2& out)
{
    return Locked(server, [&](const char* host) -> Status {
        Buffer buffer;
        Status status = NetGroupGetInfo(host, group.c_str(), 2, buffer.Out());
        if (status != NERR_Success)
            return samba::GroupCallStatus(status);
        const auto& raw = *buffer.As<::GROUP_INFO_2>();
        out = {Str(raw.grpi2_name), Str(raw.grpi2_comment), raw.grpi2_group_id, raw.grpi2_attributes};
        return NERR_Success;
    });
}

Status SambaNetApi::GroupSetInfo(const std::string& server, const std::string& group, const GROUP_INFO_2& info)
{
    return Locked(server, [&](const char* host) -> Status {
        ::GROUP_INFO_1002 comment{info.grpi2_comment.c_str()};
        std::uint32_t parameterError = 0;
        Status status =
            NetGroupSetInfo(host, group.c_str(), 1002, reinterpret_cast<std::uint8_t*>(&comment), &parameterError);
        return samba::GroupCallStatus(status);
    });
}

Status SambaNetApi::GroupGetUsers(const std::string& server, const std::string& group,
                                  std::vector<GROUP_USERS_INFO_0>& out)
{
    out.clear();
    return Locked(server, [&](const char* host) {
        Status status = ReadAll<::GROUP_USERS_INFO_0>(
            [&](std::uint8_t** buffer, std::uint32_t* read, std::uint32_t* total, std::uint32_t* resume) {
                return NetGroupGetUsers(host, group.c_str(), 0, buffer, m_connection.batchBytes, read, total, resume);
            },
            [&](const ::GROUP_USERS_INFO_0& user) { out.push_back({Str(user.grui0_name)}); });
        return samba::GroupCallStatus(status);
    });
}

Status SambaNetApi::GroupAddUser(const std::string& server, const std::string& group, const std::string& user)
{
    return Locked(server, [&](const char* host) {
        return samba::GroupCallStatus(NetGroupAddUser(host, group.c_str(), user.c_str()));
    });
}

Status SambaNetApi::GroupDelUser(const std::string& server, const std::string& group, const std::string& user)
{
    return Locked(server, [&](const char* host) {
        return samba::GroupCallStatus(NetGroupDelUser(host, group.c_str(), user.c_str()));
    });
}

Status SambaNetApi::LocalGroupEnum(const std::string& server, std::vector<LOCALGROUP_INFO_1>& out)
{
    out.clear();
    return Locked(server, [&](const char* host) {
        return ReadAll<::LOCALGROUP_INFO_1>(
            [&](std::uint8_t** buffer, std::uint32_t* read, std::uint32_t* total, std::uint32_t* resume) {
                return NetLocalGroupEnum(host, 1, buffer, m_connection.batchBytes, read, total, resume);
            },
            [&](const ::LOCALGROUP_INFO_1& group) {
                out.push_back({Str(group.lgrpi1_name), Str(group.lgrpi1_comment)});
            });
    });
}

Status SambaNetApi::LocalGroupChange(const std::string& server, const std::string& group, const Sid& member, bool add)
{
    domsid sid{};
    if (!SidFromText(member.text, sid))
        return ERROR_INVALID_PARAMETER;
    return Locked(server, [&](const char* host) {
        ::LOCALGROUP_MEMBERS_INFO_0 entry{&sid};
        auto* data = reinterpret_cast<std::uint8_t*>(&entry);
        Status status = add ? NetLocalGroupAddMembers(host, group.c_str(), 0, data, 1)
                            : NetLocalGroupDelMembers(host, group.c_str(), 0, data, 1);
        return samba::LocalGroupCallStatus(status);
    });
}

Status SambaNetApi::LocalGroupAddMember(const std::string& server, const std::string& group, const Sid& member)
{
    return LocalGroupChange(server, group, member, true);
}

Status SambaNetApi::LocalGroupDelMember(const std::string& server, const std::string& group, const Sid& member)
{
    return LocalGroupChange(server, group, member, false);
}

Status SambaNetApi::LookupAccountName(const std::string& server, const std::string& account, Sid& sid,
                                      std::string& domain, SidNameUse& use)
{
    sid = Sid{};
    domain.clear();
    use = SidNameUse::Unknown;
    auto [wantedDomain, name] = samba::SplitAccountName(account);
    if (name.empty())
        return ERROR_NONE_MAPPED;
    return Locked(server, [&](const char* host) -> Status {
        // The server's account domain: its name and identifier.
        Buffer modals;
        Status status = NetUserModalsGet(host, 2, modals.Out());
        if (status != NERR_Success)
            return status;
        const auto& own = *modals.As<::USER_MODALS_INFO_2>();
        std::string ownName = Str(own.usrmod2_domain_name);
        if (!wantedDomain.empty() && !samba::SameHost(wantedDomain, ownName))
            return ERROR_NONE_MAPPED;
        domain = ownName;
        if (samba::SameHost(name, ownName) && name.find('.') == std::string::npos) {
            sid.text = SidText(own.usrmod2_domain_id);
            use = SidNameUse::Domain;
            return NERR_Success;
        }
        Buffer user;
        if (NetUserGetInfo(host, name.c_str(), 23, user.Out()) == NERR_Success) {
            const auto& raw = *user.As<::USER_INFO_23>();
            sid.text = SidText(raw.usri23_user_sid);
            use = IsComputerAccount(raw.usri23_flags) ? SidNameUse::Computer : SidNameUse::User;
            return sid.text.empty() ? ERROR_NONE_MAPPED : NERR_Success;
        }
        Buffer group;
        if (NetGroupGetInfo(host, name.c_str(), 3, group.Out()) == NERR_Success) {
            sid.text = SidText(group.As<::GROUP_INFO_3>()->grpi3_group_sid);
            use = SidNameUse::Group;
            return sid.text.empty() ? ERROR_NONE_MAPPED : NERR_Success;
        }
        domain.clear();
        return ERROR_NONE_MAPPED;
    });
}

std::unique_ptr<NetApi> CreateSambaNetApi(const SambaConnection& connection)
{
    return std::make_unique<SambaNetApi>(connection);
}

}  // namespace net
