#include "platform/net/sample/sim_netapi.h"

#include "platform/net/net_support.h"
#include "platform/net/sample/sim_model.h"
#include "platform/threads/owned_threads.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace net {
namespace {

constexpr const char* kMethods[] = {
    "GetDCName",      "ServerEnum",          "ServerGetInfo",       "ShareEnum",          "UserEnum",
    "UserGetInfo",    "UserSetInfo",         "UserGetGroups",       "UserGetLocalGroups", "GroupEnum",
    "GroupGetInfo",   "GroupSetInfo",        "GroupGetUsers",       "GroupAddUser",       "GroupDelUser",
    "LocalGroupEnum", "LocalGroupAddMember", "LocalGroupDelMember", "LookupAccountName",  "DomainEnum",
    "BrowseListEnum", "DiscoverHosts",
};

void CheckMethod(const std::string& method)
{
    if (std::none_of(std::begin(kMethods), std::end(kMethods), [&](const char* m) { return method == m; }))
        throw std::invalid_argument("SimNetApi: no NetApi method is called " + method);
}

// One entry of a list with the key its resume handle remembers.
template <class Record>
struct Keyed {
    std::uint64_t key;
    Record record;
};

struct Failure {
    Status status = NERR_Success;
    int remaining = -1;  // negative: every call
};

struct Counters {
    std::size_t calls = 0;
    std::size_t requests = 0;
};

bool AccountFilterMatches(std::uint32_t filter, std::uint32_t flags)
{
    return filter == 0 || (flags & AccountKindsOfFilter(filter)) != 0;
}

// The RID that ends `sid` when it is `domainSid` plus one more part, else 0.
std::uint32_t RidUnder(const std::string& sid, const std::string& domainSid)
{
    if (sid.size() <= domainSid.size() + 1 || sid.compare(0, domainSid.size(), domainSid) != 0 ||
        sid[domainSid.size()] != '-')
        return 0;
    const std::string tail = sid.substr(domainSid.size() + 1);
    if (tail.size() > 10 || !std::all_of(tail.begin(), tail.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    const unsigned long long rid = std::stoull(tail);
    return rid > 0xFFFFFFFFull ? 0 : static_cast<std::uint32_t>(rid);
}

}  // namespace

struct SimNetApi::Impl {
    mutable std::mutex mutex;
    sim::Network net;
    std::map<std::string, Failure> failures;
    std::map<std::string, Counters> counters;
    std::chrono::milliseconds delay{0};
    std::function<void(const std::string&)> observer;
    std::size_t batchSize = 0;
    std::map<std::string, std::vector<std::string>> browseLists;  // by upper-case workgroup
    std::optional<std::vector<DiscoveredHost>> discovered;

    // --- call plumbing -------------------------------------------------------

    // The time a request to the "server" takes, told to the observer first.
    void Wait(const char* method) const
    {
        std::chrono::milliseconds wait;
        std::function<void(const std::string&)> observe;
        {
            std::lock_guard lock(mutex);
            wait = delay;
            observe = observer;
        }
        if (observe)
            observe(method);
        if (wait.count() > 0)
            std::this_thread::sleep_for(wait);
    }

    // With the lock held: counts the call and takes a scripted failure.
    Status BeginCall(const char* method)
    {
        Counters& c = counters[method];
        ++c.calls;
        ++c.requests;
        const auto found = failures.find(method);
        if (found == failures.end())
            return NERR_Success;
        const Status status = found->second.status;
        if (found->second.remaining > 0 && --found->second.remaining == 0)
            failures.erase(found);
        return status;
    }

    // A call that is one request: waits, locks, runs `body` unless a failure is scripted.
    template <class Body>
    Status Single(const char* method, Body&& body)
    {
        if (threads::StopRequested())
            return ERROR_CANCELLED;  // a stopped browse sends no request
        Wait(method);
        std::lock_guard lock(mutex);
        if (const Status scripted = BeginCall(method))
            return scripted;
        return body();
    }

    // A list read in batches as the Net functions deliver it: each request waits, locks
    // and takes the next entries after the resume key from a fresh snapshot, so writes
    // made between batches neither repeat nor skip the entries already read.
    template <class Record, class Snapshot>
    Status Enumerate(const char* method, std::vector<Record>& out, Snapshot&& snapshot)
    {
        out.clear();
        std::uint64_t resume = 0;
        for (bool first = true;; first = false) {
            if (threads::StopRequested()) {
                out.clear();
                return ERROR_CANCELLED;
            }
            Wait(method);
            std::lock_guard lock(mutex);
            if (first) {
                if (const Status scripted = BeginCall(method))
                    return scripted;
            } else {
                ++counters[method].requests;
            }
            std::vector<Keyed<Record>> all;
            if (const Status status = snapshot(all)) {
                out.clear();
                return status;
            }
            auto it = first ? all.begin()
                            : std::upper_bound(all.begin(), all.end(), resume,
                                               [](std::uint64_t key, const Keyed<Record>& e) { return key < e.key; });
            for (std::size_t n = 0; it != all.end() && (batchSize == 0 || n < batchSize); ++it, ++n) {
                out.push_back(it->record);
                resume = it->key;
            }
            if (it == all.end())
                return NERR_Success;
        }
    }

    // --- lookups (lock held) -------------------------------------------------

    const sim::Server* FindServer(const std::string& name) const
    {
        const std::string host = HostOf(name);
        if (host.empty())
            return &net.servers[net.localComputer];
        for (const sim::Server& server : net.servers)
            if (EqualNoCase(server.info.sv101_name, host))
                return &server;
        return nullptr;
    }

    sim::Domain* FindDomain(const std::string& name)
    {
        for (sim::Domain& domain : net.domains)
            if (EqualNoCase(domain.name, name))
                return &domain;
        return nullptr;
    }

    // The domain whose accounts `server` holds, and whether it refuses writes.
    Status Accounts(const std::string& server, sim::Domain*& domain, bool& readOnly)
    {
        const sim::Server* found = FindServer(server);
        if (!found)
            return ERROR_BAD_NETPATH;
        if (!found->HoldsAccounts())
            return ERROR_ACCESS_DENIED;
        domain = &net.domains[found->domain];
        readOnly = found->ReadOnly();
        return NERR_Success;
    }

    // A one-request call on the accounts `server` holds: `body(domain, readOnly)`.
    template <class Body>
    Status SingleOnAccounts(const char* method, const std::string& server, Body&& body)
    {
        return Single(method, [&]() -> Status {
            sim::Domain* domain = nullptr;
            bool readOnly = false;
            if (const Status status = Accounts(server, domain, readOnly))
                return status;
            return body(*domain, readOnly);
        });
    }

    // A list of the accounts `server` holds: `fill(domain, all)` gives its entries.
    template <class Record, class Fill>
    Status EnumerateAccounts(const char* method, const std::string& server, std::vector<Record>& out, Fill&& fill)
    {
        return Enumerate(method, out, [&](std::vector<Keyed<Record>>& all) -> Status {
            sim::Domain* domain = nullptr;
            bool readOnly = false;
            if (const Status status = Accounts(server, domain, readOnly))
                return status;
            return fill(*domain, all);
        });
    }

    // A membership write on a global group and a user: `change(group, user)` once both
    // are found and the server takes writes.
    template <class Change>
    Status GroupAndUser(const char* method, const std::string& server, const std::string& group,
                        const std::string& user, Change&& change)
    {
        return SingleOnAccounts(method, server, [&](sim::Domain& domain, bool readOnly) -> Status {
            sim::Group* foundGroup = GroupNamed(domain, group);
            if (!foundGroup)
                return NERR_GroupNotFound;
            const sim::User* foundUser = UserNamed(domain, user);
            if (!foundUser)
                return NERR_UserNotFound;
            if (readOnly)
                return ERROR_ACCESS_DENIED;
            return change(*foundGroup, *foundUser);
        });
    }

    // A membership write on a local group: `change(group)` once it is found and the
    // server takes writes.
    template <class Change>
    Status LocalGroupChange(const char* method, const std::string& server, const std::string& group, Change&& change)
    {
        return SingleOnAccounts(method, server, [&](sim::Domain& domain, bool readOnly) -> Status {
            sim::LocalGroup* found = LocalGroupNamed(domain, group);
            if (!found)
                return ERROR_NO_SUCH_ALIAS;
            if (readOnly)
                return ERROR_ACCESS_DENIED;
            return change(*found);
        });
    }

    static sim::User* UserNamed(sim::Domain& domain, const std::string& name)
    {
        const auto it = domain.userByName.find(name);
        return it == domain.userByName.end() ? nullptr : &domain.users.at(it->second);
    }

    static sim::Group* GroupNamed(sim::Domain& domain, const std::string& name)
    {
        const auto it = domain.groupByName.find(name);
        return it == domain.groupByName.end() ? nullptr : &domain.groups.at(it->second);
    }

    static sim::LocalGroup* LocalGroupNamed(sim::Domain& domain, const std::string& name)
    {
        const auto it = domain.localGroupByName.find(name);
        return it == domain.localGroupByName.end() ? nullptr : &domain.localGroups.at(it->second);
    }

    // The SIDs that stand for `account` (a name in `home`, or "DOMAIN\name") in local
    // group member lists: its own and, with `indirect`, those of its global groups.
    Status MembershipSids(sim::Domain& home, const std::string& account, bool indirect, std::vector<std::string>& sids)
    {
        const auto [domainName, name] = SplitAccount(account);
        sim::Domain* domain = domainName.empty() ? &home : FindDomain(domainName);
        sim::User* user = domain ? UserNamed(*domain, name) : nullptr;
        if (!user)
            return NERR_UserNotFound;
        const std::uint32_t rid = user->info.usri3_user_id;
        sids.push_back(sim::AccountSid(*domain, rid));
        if (indirect)
            for (const auto& [groupRid, group] : domain->groups)
                if (group.members.count(rid))
                    sids.push_back(sim::AccountSid(*domain, groupRid));
        return NERR_Success;
    }

    // What a member SID names: a user or a global group of some domain of the network.
    Status CheckMemberSid(const std::string& sid) const
    {
        for (const sim::Domain& domain : net.domains) {
            if (sid == domain.sid)
                return ERROR_INVALID_MEMBER;
            const std::uint32_t rid = RidUnder(sid, domain.sid);
            if (rid == 0)
                continue;
            if (domain.users.count(rid) || domain.groups.count(rid))
                return NERR_Success;
            if (domain.localGroups.count(rid) && !domain.localGroups.at(rid).builtin)
                return ERROR_INVALID_MEMBER;
        }
        if (RidUnder(sid, "S-1-5-32") != 0)
            return ERROR_INVALID_MEMBER;
        return ERROR_NO_SUCH_MEMBER;
    }

    // Looks `name` up among the accounts of `domain`; builtin local groups only when `builtin`.
    static bool FindAccount(const sim::Domain& domain, const std::string& name, bool builtin, Sid& sid,
                            std::string& domainName, SidNameUse& use)
    {
        if (const auto it = domain.localGroupByName.find(name); it != domain.localGroupByName.end()) {
            const sim::LocalGroup& group = domain.localGroups.at(it->second);
            if (group.builtin != builtin)
                return false;
            sid.text = sim::LocalGroupSid(domain, group);
            domainName = group.builtin ? "BUILTIN" : domain.name;
            use = SidNameUse::Alias;
            return true;
        }
        if (builtin)
            return false;
        if (const auto it = domain.userByName.find(name); it != domain.userByName.end()) {
            sid.text = sim::AccountSid(domain, it->second);
            domainName = domain.name;
            use = IsComputerAccount(domain.users.at(it->second).info.usri3_flags) ? SidNameUse::Computer
                                                                                  : SidNameUse::User;
            return true;
        }
        if (const auto it = domain.groupByName.find(name); it != domain.groupByName.end()) {
            sid.text = sim::AccountSid(domain, it->second);
            domainName = domain.name;
            use = SidNameUse::Group;
            return true;
        }
        return false;
    }

    Status Lookup(const sim::Domain& home, const std::string& account, Sid& sid, std::string& domainName,
                  SidNameUse& use)
    {
        const auto [prefix, name] = SplitAccount(account);
        if (EqualNoCase(prefix, "BUILTIN"))
            return FindAccount(home, name, true, sid, domainName, use) ? NERR_Success : ERROR_NONE_MAPPED;
        if (!prefix.empty()) {
            const sim::Domain* domain = FindDomain(prefix);
            if (!domain)
                return ERROR_NONE_MAPPED;
            if (name.empty()) {
                sid.text = domain->sid;
                domainName = domain->name;
                use = SidNameUse::Domain;
                return NERR_Success;
            }
            return FindAccount(*domain, name, false, sid, domainName, use) ? NERR_Success : ERROR_NONE_MAPPED;
        }
        if (FindAccount(home, name, true, sid, domainName, use) || FindAccount(home, name, false, sid, domainName, use))
            return NERR_Success;
        if (const sim::Domain* domain = FindDomain(name)) {
            sid.text = domain->sid;
            domainName = domain->name;
            use = SidNameUse::Domain;
            return NERR_Success;
        }
        // Then the trusted domains, as a controller asks them.
        for (const sim::Domain& domain : net.domains)
            if (&domain != &home && FindAccount(domain, name, false, sid, domainName, use))
                return NERR_Success;
        return ERROR_NONE_MAPPED;
    }

    // --- user writes (lock held) ---------------------------------------------

    static void ApplyUserInfo(const sim::Domain& domain, sim::User& user, const USER_INFO_3& info, Status& status)
    {
        if (info.usri3_password && info.usri3_password->size() < domain.minPasswordLength) {
            status = NERR_PasswordTooShort;
            return;
        }
        USER_INFO_3& u = user.info;
        u.usri3_full_name = info.usri3_full_name;
        u.usri3_comment = info.usri3_comment;
        constexpr std::uint32_t kWritable = UF_ACCOUNTDISABLE | UF_DONT_EXPIRE_PASSWD | UF_PASSWD_CANT_CHANGE;
        u.usri3_flags = (u.usri3_flags & ~kWritable) | (info.usri3_flags & kWritable);
        // A lockout can be lifted, never set.
        if (!(info.usri3_flags & UF_LOCKOUT) && (u.usri3_flags & UF_LOCKOUT)) {
            u.usri3_flags &= ~UF_LOCKOUT;
            u.usri3_bad_pw_count = 0;
        }
        // A new password, or clearing "must change", dates the password from now
        // (age 1 s: age 0 means it has to be changed).
        if (info.usri3_password || (info.usri3_password_expired == 0 && u.usri3_password_expired != 0))
            u.usri3_password_age = 1;
        if (info.usri3_password_expired != 0)
            u.usri3_password_age = 0;
        u.usri3_password_expired = u.usri3_password_age == 0 ? 1 : 0;
        status = NERR_Success;
    }
};

// --- construction ------------------------------------------------------------

SimNetApi::SimNetApi(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) { }
SimNetApi::~SimNetApi() = default;

std::unique_ptr<SimNetApi> SimNetApi::FromJson(const std::string& json, std::string& error)
{
    auto impl = std::make_unique<Impl>();
    if (!sim::LoadNetwork(json, impl->net, error))
        return nullptr;
    return std::unique_ptr<SimNetApi>(new SimNetApi(std::move(impl)));
}

namespace {

// The whole file, or the system's reason why it can't be opened (`opened` false) or
// read ("No such file or directory", "Is a directory").
bool ReadSampleFile(const std::string& path, std::string& text, bool& opened, std::string& reason)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    opened = fd >= 0;
    if (!opened) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat st { };
    int error = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    char buffer[65536];
    while (error == 0) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n == 0)
            break;
        else if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (error != 0)
        reason = std::strerror(error);
    return error == 0;
}

}  // namespace

std::unique_ptr<SimNetApi> SimNetApi::FromFile(const std::string& path, std::string& error)
{
    std::string text;
    bool opened = false;
    std::string reason;
    if (!ReadSampleFile(path, text, opened, reason)) {
        error = std::string(opened ? "Cannot read" : "Cannot open") + " the sample domain file " + path + ": " +
                reason + ".";
        return nullptr;
    }
    std::string detail;
    auto api = FromJson(text, detail);
    if (!api)
        error = "The sample domain file " + path + " is not valid: " + detail + ".";
    return api;
}

// --- servers and domains -----------------------------------------------------

Status SimNetApi::GetDCName(const std::string& server, const std::string& domain, std::string& dcName)
{
    return m_impl->Single("GetDCName", [&]() -> Status {
        const sim::Server* asked = m_impl->FindServer(server);
        if (!asked)
            return ERROR_BAD_NETPATH;
        const sim::Domain* target = domain.empty() ? &m_impl->net.domains[asked->domain] : m_impl->FindDomain(domain);
        if (!target)
            return NERR_DCNotFound;
        dcName = "\\\\" + m_impl->net.servers[target->pdc].info.sv101_name;
        return NERR_Success;
    });
}

Status SimNetApi::ServerEnum(const std::string& server, std::uint32_t serverType, const std::string& domain,
                             std::vector<SERVER_INFO_101>& out, std::uint32_t& totalEntries)
{
    const bool listDomains = (serverType & SV_TYPE_DOMAIN_ENUM) != 0 && serverType != SV_TYPE_ALL;
    const Status status = m_impl->Enumerate("ServerEnum", out, [&](std::vector<Keyed<SERVER_INFO_101>>& all) -> Status {
        const sim::Server* asked = m_impl->FindServer(server);
        if (!asked)
            return ERROR_BAD_NETPATH;
        const sim::Network& net = m_impl->net;
        if (listDomains) {
            for (std::size_t i = 0; i < net.domains.size(); ++i) {
                SERVER_INFO_101 info;
                info.sv101_name = net.domains[i].name;
                info.sv101_type = SV_TYPE_DOMAIN_ENUM | SV_TYPE_NT;
                info.sv101_comment = net.servers[net.domains[i].pdc].info.sv101_name;  // the browse master
                all.push_back({i + 1, info});
            }
            return NERR_Success;
        }
        const sim::Domain* target = domain.empty() ? &net.domains[asked->domain] : m_impl->FindDomain(domain);
        if (!target)
            return ERROR_NO_BROWSER_SERVERS_FOUND;
        for (std::size_t i = 0; i < target->servers.size(); ++i) {
            const SERVER_INFO_101& info = net.servers[target->servers[i]].info;
            if (info.sv101_type & serverType)
                all.push_back({i + 1, info});
        }
        return NERR_Success;
    });
    totalEntries = static_cast<std::uint32_t>(out.size());
    return status;
}

Status SimNetApi::ServerGetInfo(const std::string& server, SERVER_INFO_101& out)
{
    return m_impl->Single("ServerGetInfo", [&]() -> Status {
        const sim::Server* found = m_impl->FindServer(server);
        if (!found)
            return ERROR_BAD_NETPATH;
        out = found->info;
        return NERR_Success;
    });
}

Status SimNetApi::ShareEnum(const std::string& server, std::vector<SHARE_INFO_1>& out)
{
    // A machine that never answers holds its caller for a minute, outside the lock.
    bool silent = false;
    {
        std::lock_guard lock(m_impl->mutex);
        const sim::Server* found = m_impl->FindServer(server);
        silent = found && found->silent;
    }
    if (silent) {
        std::this_thread::sleep_for(std::chrono::minutes(1));
        out.clear();
        return ERROR_BAD_NETPATH;
    }
    return m_impl->Enumerate("ShareEnum", out, [&](std::vector<Keyed<SHARE_INFO_1>>& all) -> Status {
        const sim::Server* found = m_impl->FindServer(server);
        if (!found)
            return ERROR_BAD_NETPATH;
        if (found->sharesRefused)
            return ERROR_ACCESS_DENIED;
        for (std::size_t i = 0; i < found->shares.size(); ++i)
            all.push_back({i + 1, found->shares[i]});
        return NERR_Success;
    });
}

Status SimNetApi::DomainEnum(const std::string& server, std::vector<std::string>& out)
{
    return m_impl->Enumerate("DomainEnum", out, [&](std::vector<Keyed<std::string>>& all) -> Status {
        const sim::Server* asked = m_impl->FindServer(server);
        if (!asked)
            return ERROR_BAD_NETPATH;
        // The server's own domain first, then the others of the network (all trusted).
        const auto& domains = m_impl->net.domains;
        all.push_back({0, domains[asked->domain].name});
        for (std::size_t i = 0; i < domains.size(); ++i)
            if (i != asked->domain)
                all.push_back({i + 1, domains[i].name});
        return NERR_Success;
    });
}

Status SimNetApi::BrowseListEnum(const std::string& workgroup, std::vector<std::string>& out)
{
    out.clear();
    return m_impl->Single("BrowseListEnum", [&]() -> Status {
        if (m_impl->browseLists.empty())
            return ERROR_NOT_SUPPORTED;
        const auto found = m_impl->browseLists.find(UpperAscii(workgroup));
        if (found == m_impl->browseLists.end())
            return ERROR_NO_BROWSER_SERVERS_FOUND;
        out = found->second;
        return NERR_Success;
    });
}

Status SimNetApi::DiscoverHosts(std::vector<DiscoveredHost>& out)
{
    out.clear();
    return m_impl->Single("DiscoverHosts", [&]() -> Status {
        if (!m_impl->discovered)
            return ERROR_NOT_SUPPORTED;
        out = *m_impl->discovered;
        return NERR_Success;
    });
}

void SimNetApi::SetDiscoveredHosts(std::vector<DiscoveredHost> hosts)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->discovered = std::move(hosts);
}

void SimNetApi::SetBrowseList(const std::string& workgroup, std::vector<std::string> names)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->browseLists[UpperAscii(workgroup)] = std::move(names);
}

std::vector<SimDomainInfo> SimNetApi::ListDomains() const
{
    std::lock_guard lock(m_impl->mutex);
    const sim::Network& net = m_impl->net;
    std::vector<SimDomainInfo> domains;
    for (const sim::Domain& domain : net.domains) {
        SimDomainInfo info{domain.name, "\\\\" + net.servers[domain.pdc].info.sv101_name, {}};
        for (std::size_t index : domain.servers)
            info.servers.push_back(net.servers[index].info.sv101_name);
        domains.push_back(std::move(info));
    }
    return domains;
}

// --- users -------------------------------------------------------------------

Status SimNetApi::UserEnum(const std::string& server, std::uint32_t filter, std::vector<USER_INFO_3>& out)
{
    return m_impl->EnumerateAccounts("UserEnum", server, out, [&](sim::Domain& domain, auto& all) {
        for (const auto& [rid, user] : domain.users)
            if (AccountFilterMatches(filter, user.info.usri3_flags))
                all.push_back({rid, user.info});
        return NERR_Success;
    });
}

Status SimNetApi::UserGetInfo(const std::string& server, const std::string& user, USER_INFO_3& out)
{
    return m_impl->SingleOnAccounts("UserGetInfo", server, [&](sim::Domain& domain, bool) -> Status {
        const sim::User* found = Impl::UserNamed(domain, user);
        if (!found)
            return NERR_UserNotFound;
        out = found->info;
        return NERR_Success;
    });
}

Status SimNetApi::UserSetInfo(const std::string& server, const std::string& user, const USER_INFO_3& info,
                              const UserFields& fields)
{
    return m_impl->SingleOnAccounts("UserSetInfo", server, [&](sim::Domain& domain, bool readOnly) -> Status {
        sim::User* found = Impl::UserNamed(domain, user);
        if (!found)
            return NERR_UserNotFound;
        if (readOnly)
            return ERROR_ACCESS_DENIED;
        Status status = NERR_Success;
        if (!fields.Empty())
            Impl::ApplyUserInfo(domain, *found, WithUserFields(found->info, info, fields), status);
        return status;
    });
}

Status SimNetApi::UserGetGroups(const std::string& server, const std::string& user,
                                std::vector<GROUP_USERS_INFO_1>& out)
{
    return m_impl->EnumerateAccounts("UserGetGroups", server, out, [&](sim::Domain& domain, auto& all) -> Status {
        const sim::User* found = Impl::UserNamed(domain, user);
        if (!found)
            return NERR_UserNotFound;
        for (const auto& [rid, group] : domain.groups)
            if (group.members.count(found->info.usri3_user_id))
                all.push_back({rid, GROUP_USERS_INFO_1{group.name, group.attributes}});
        return NERR_Success;
    });
}

Status SimNetApi::UserGetLocalGroups(const std::string& server, const std::string& user, std::uint32_t flags,
                                     std::vector<LOCALGROUP_USERS_INFO_0>& out)
{
    return m_impl->Enumerate(
        "UserGetLocalGroups", out, [&](std::vector<Keyed<LOCALGROUP_USERS_INFO_0>>& all) -> Status {
            if (flags & ~LG_INCLUDE_INDIRECT)
                return ERROR_INVALID_PARAMETER;
            sim::Domain* domain = nullptr;
            bool readOnly = false;
            if (const Status status = m_impl->Accounts(server, domain, readOnly))
                return status;
            std::vector<std::string> sids;
            if (const Status status = m_impl->MembershipSids(*domain, user, (flags & LG_INCLUDE_INDIRECT) != 0, sids))
                return status;
            for (const auto& [rid, group] : domain->localGroups) {
                const bool member =
                    std::any_of(group.members.begin(), group.members.end(), [&](const std::string& sid) {
                        return std::find(sids.begin(), sids.end(), sid) != sids.end();
                    });
                if (member)
                    all.push_back({rid, LOCALGROUP_USERS_INFO_0{group.name}});
            }
            return NERR_Success;
        });
}

// --- global groups -----------------------------------------------------------

Status SimNetApi::GroupEnum(const std::string& server, std::vector<GROUP_INFO_2>& out)
{
    return m_impl->EnumerateAccounts("GroupEnum", server, out, [&](sim::Domain& domain, auto& all) {
        for (const auto& [rid, group] : domain.groups)
            all.push_back({rid, GROUP_INFO_2{group.name, group.comment, rid, group.attributes}});
        return NERR_Success;
    });
}

Status SimNetApi::GroupGetInfo(const std::string& server, const std::string& group, GROUP_INFO_2& out)
{
    return m_impl->SingleOnAccounts("GroupGetInfo", server, [&](sim::Domain& domain, bool) -> Status {
        const sim::Group* found = Impl::GroupNamed(domain, group);
        if (!found)
            return NERR_GroupNotFound;
        out = GROUP_INFO_2{found->name, found->comment, found->rid, found->attributes};
        return NERR_Success;
    });
}

Status SimNetApi::GroupSetInfo(const std::string& server, const std::string& group, const GROUP_INFO_2& info)
{
    return m_impl->SingleOnAccounts("GroupSetInfo", server, [&](sim::Domain& domain, bool readOnly) -> Status {
        sim::Group* found = Impl::GroupNamed(domain, group);
        if (!found)
            return NERR_GroupNotFound;
        if (readOnly)
            return ERROR_ACCESS_DENIED;
        found->comment = info.grpi2_comment;
        return NERR_Success;
    });
}

Status SimNetApi::GroupGetUsers(const std::string& server, const std::string& group,
                                std::vector<GROUP_USERS_INFO_0>& out)
{
    return m_impl->EnumerateAccounts("GroupGetUsers", server, out, [&](sim::Domain& domain, auto& all) -> Status {
        const sim::Group* found = Impl::GroupNamed(domain, group);
        if (!found)
            return NERR_GroupNotFound;
        for (std::uint32_t rid : found->members)
            all.push_back({rid, GROUP_USERS_INFO_0{domain.users.at(rid).info.usri3_name}});
        return NERR_Success;
    });
}

Status SimNetApi::GroupAddUser(const std::string& server, const std::string& group, const std::string& user)
{
    return m_impl->GroupAndUser("GroupAddUser", server, group, user, [](sim::Group& found, const sim::User& member) {
        if (!found.members.insert(member.info.usri3_user_id).second)
            return ERROR_MEMBER_IN_GROUP;
        return NERR_Success;
    });
}

Status SimNetApi::GroupDelUser(const std::string& server, const std::string& group, const std::string& user)
{
    return m_impl->GroupAndUser("GroupDelUser", server, group, user, [](sim::Group& found, const sim::User& member) {
        const std::uint32_t rid = member.info.usri3_user_id;
        if (!found.members.count(rid))
            return ERROR_MEMBER_NOT_IN_GROUP;
        if (member.info.usri3_primary_group_id == found.rid)
            return ERROR_MEMBERS_PRIMARY_GROUP;
        found.members.erase(rid);
        return NERR_Success;
    });
}

// --- local groups ------------------------------------------------------------

Status SimNetApi::LocalGroupEnum(const std::string& server, std::vector<LOCALGROUP_INFO_1>& out)
{
    return m_impl->EnumerateAccounts("LocalGroupEnum", server, out, [&](sim::Domain& domain, auto& all) {
        for (const auto& [rid, group] : domain.localGroups)
            all.push_back({rid, LOCALGROUP_INFO_1{group.name, group.comment}});
        return NERR_Success;
    });
}

Status SimNetApi::LocalGroupAddMember(const std::string& server, const std::string& group, const Sid& member)
{
    return m_impl->LocalGroupChange("LocalGroupAddMember", server, group, [&](sim::LocalGroup& found) -> Status {
        if (const Status status = m_impl->CheckMemberSid(member.text))
            return status;
        if (std::find(found.members.begin(), found.members.end(), member.text) != found.members.end())
            return ERROR_MEMBER_IN_ALIAS;
        found.members.push_back(member.text);
        return NERR_Success;
    });
}

Status SimNetApi::LocalGroupDelMember(const std::string& server, const std::string& group, const Sid& member)
{
    return m_impl->LocalGroupChange("LocalGroupDelMember", server, group, [&](sim::LocalGroup& found) -> Status {
        const auto it = std::find(found.members.begin(), found.members.end(), member.text);
        if (it == found.members.end())
            return ERROR_MEMBER_NOT_IN_ALIAS;
        found.members.erase(it);
        return NERR_Success;
    });
}

Status SimNetApi::LookupAccountName(const std::string& server, const std::string& account, Sid& sid,
                                    std::string& domain, SidNameUse& use)
{
    return m_impl->Single("LookupAccountName", [&]() -> Status {
        const sim::Server* asked = m_impl->FindServer(server);
        if (!asked)
            return ERROR_BAD_NETPATH;
        if (account.empty())
            return ERROR_NONE_MAPPED;
        return m_impl->Lookup(m_impl->net.domains[asked->domain], account, sid, domain, use);
    });
}

// --- test switches -----------------------------------------------------------

void SimNetApi::FailCall(const std::string& method, Status status, int times)
{
    CheckMethod(method);
    std::lock_guard lock(m_impl->mutex);
    if (status == NERR_Success || times == 0)
        m_impl->failures.erase(method);
    else
        m_impl->failures[method] = Failure{status, times};
}

void SimNetApi::ClearFailures()
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->failures.clear();
}

void SimNetApi::SetCallDelay(std::chrono::milliseconds delay)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->delay = delay;
}

void SimNetApi::SetRequestObserver(std::function<void(const std::string& method)> observer)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->observer = std::move(observer);
}

void SimNetApi::SetBatchSize(std::size_t entries)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->batchSize = entries;
}

std::size_t SimNetApi::CallCount(const std::string& method) const
{
    CheckMethod(method);
    std::lock_guard lock(m_impl->mutex);
    const auto it = m_impl->counters.find(method);
    return it == m_impl->counters.end() ? 0 : it->second.calls;
}

std::size_t SimNetApi::RequestCount(const std::string& method) const
{
    CheckMethod(method);
    std::lock_guard lock(m_impl->mutex);
    const auto it = m_impl->counters.find(method);
    return it == m_impl->counters.end() ? 0 : it->second.requests;
}

}  // namespace net
