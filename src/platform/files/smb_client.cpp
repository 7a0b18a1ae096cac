// libsmbclient behind the SmbClient interface: one context per connection of a walk,
// logged on with the walk's credentials (or the Kerberos cache), never anonymously.
//
// Threads: a context is used by one thread at a time, and contexts are made, set up
// and freed under the Samba libraries' lock. The library keeps its per-call scratch
// memory (talloc stack frames) in one process-wide stack unless a thread
// implementation is set before its first use; the one set below when the program is
// loaded makes that stack per thread, so that two contexts can work on two threads
// at once. Each helper context logs on from the walk's own thread before the helpers
// start, so only file requests run at the same time.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include <libsmbclient.h>
#include <pthread.h>

#include "platform/files/smb_walk.h"
#include "platform/threads/library_lock.h"

// --- Per-thread scratch memory for the Samba libraries
//
// Samba's libraries keep the scratch memory of every call on one talloc stack, which
// is one process-wide stack until a thread implementation is given to
// smb_thread_set_functions (libsamba-util): two contexts working on two threads at
// once then free each other's frames ("Freed frame ..., expected ..." and a crash,
// seen here). libsmbclient's smbc_thread_posix() would set it, but Debian's Samba
// 4.17 library doesn't export it, so the walk gives the same POSIX implementation
// itself. The table's layout and the lock values are those of Samba's
// lib/util/smb_threads.h (unchanged since 3.3). It must be set before the first stack
// frame is made (afterwards the stack's key would be the old stack's address): so at
// load time, before main and any Samba call.
namespace files::detail::samba_threads {

struct Functions {
    int (*create_mutex)(const char* name, void** lock, const char* location);
    void (*destroy_mutex)(void* lock, const char* location);
    int (*lock_mutex)(void* lock, int type, const char* location);  // 1 lock, 2 unlock
    int (*create_tls)(const char* name, void** key, const char* location);
    void (*destroy_tls)(void** key, const char* location);
    int (*set_tls)(void* key, const void* value, const char* location);
    void* (*get_tls)(void* key, const char* location);
};

extern "C" int smb_thread_set_functions(const Functions* functions);

int CreateMutex(const char*, void** lock, const char*)
{
    auto* mutex = new (std::nothrow) pthread_mutex_t;
    if (!mutex)
        return ENOMEM;
    pthread_mutex_init(mutex, nullptr);
    *lock = mutex;
    return 0;
}
void DestroyMutex(void* lock, const char*)
{
    pthread_mutex_destroy(static_cast<pthread_mutex_t*>(lock));
    delete static_cast<pthread_mutex_t*>(lock);
}
int LockMutex(void* lock, int type, const char*)
{
    auto* mutex = static_cast<pthread_mutex_t*>(lock);
    return type == 2 ? pthread_mutex_unlock(mutex) : pthread_mutex_lock(mutex);
}
int CreateTls(const char*, void** key, const char*)
{
    auto* tls = new (std::nothrow) pthread_key_t;
    if (!tls)
        return ENOMEM;
    if (int rc = pthread_key_create(tls, nullptr)) {
        delete tls;
        return rc;
    }
    *key = tls;
    return 0;
}
void DestroyTls(void** key, const char*)
{
    if (!*key)
        return;
    pthread_key_delete(*static_cast<pthread_key_t*>(*key));
    delete static_cast<pthread_key_t*>(*key);
    *key = nullptr;
}
int SetTls(void* key, const void* value, const char*)
{
    if (!key)
        return EINVAL;
    return pthread_setspecific(*static_cast<pthread_key_t*>(key), value);
}
// talloc_tos() asks before the stack's key has been made: nothing is kept then.
void* GetTls(void* key, const char*)
{
    return key ? pthread_getspecific(*static_cast<pthread_key_t*>(key)) : nullptr;
}

const Functions kPosix = {CreateMutex, DestroyMutex, LockMutex, CreateTls, DestroyTls, SetTls, GetTls};

const bool g_set = smb_thread_set_functions(&kPosix) == 0;

}  // namespace files::detail::samba_threads

namespace files::detail {

bool SambaThreadsSet()
{
    return samba_threads::g_set;
}

namespace {

constexpr unsigned kDosDirectory = 0x10;
constexpr unsigned kDosReparsePoint = 0x400;
constexpr const char* kOwnerAttribute = "system.nt_sec_desc.owner+";
constexpr const char* kOwnerSidAttribute = "system.nt_sec_desc.owner";

void CopyField(char* target, int room, const std::string& value)
{
    if (room > 0)
        std::snprintf(target, static_cast<std::size_t>(room), "%s", value.c_str());
}

void Authenticate(SMBCCTX* context, const char* /*server*/, const char* /*share*/, char* workgroup, int workgroupRoom,
                  char* user, int userRoom, char* password, int passwordRoom)
{
    auto* credentials = static_cast<const SmbCredentials*>(smbc_getOptionUserData(context));
    if (!credentials || credentials->user.empty())
        return;
    if (!credentials->domain.empty())
        CopyField(workgroup, workgroupRoom, credentials->domain);
    CopyField(user, userRoom, credentials->user);
    CopyField(password, passwordRoom, credentials->password);
}

int LastError()
{
    return errno != 0 ? errno : EIO;
}

// smb://server/ (no share): its disk shares are its subdirectories.
bool NamesServerOnly(const std::string& url)
{
    std::size_t start = url.find("://");
    if (start == std::string::npos)
        return false;
    std::size_t slash = url.find('/', start + 3);
    return slash == std::string::npos || slash + 1 >= url.size();
}

class LibSmbClient final : public SmbClient {
public:
    LibSmbClient(SMBCCTX* context, SmbCredentials credentials)
        : m_context(context), m_credentials(std::move(credentials))
    {
        smbc_setOptionUserData(m_context, &m_credentials);
    }
    ~LibSmbClient() override
    {
        std::lock_guard lock(threads::SambaLibraryMutex());
        smbc_free_context(m_context, 1);
    }
    LibSmbClient(const LibSmbClient&) = delete;
    LibSmbClient& operator=(const LibSmbClient&) = delete;

    bool List(const std::string& url, std::vector<SmbEntry>& entries, int& error) override
    {
        entries.clear();
        errno = 0;
        SMBCFILE* dir = smbc_getFunctionOpendir(m_context)(m_context, url.c_str());
        if (!dir) {
            error = LastError();
            return false;
        }
        if (NamesServerOnly(url)) {
            auto readdir = smbc_getFunctionReaddir(m_context);
            while (smbc_dirent* entry = readdir(m_context, dir)) {
                std::string name(entry->name);
                // Hidden and administrative shares ("C$") would count the same files again.
                if (entry->smbc_type == SMBC_FILE_SHARE && !name.empty() && name.back() != '$')
                    entries.push_back({std::move(name), true, 0});
            }
        } else {
            auto readdirplus = smbc_getFunctionReaddirPlus(m_context);
            while (const libsmb_file_info* info = readdirplus(m_context, dir)) {
                if (!info->name)
                    continue;
                // A reparse point (link, junction) is counted, never followed.
                bool directory = (info->attrs & kDosDirectory) && !(info->attrs & kDosReparsePoint);
                entries.push_back({info->name, directory, info->size});
            }
        }
        smbc_getFunctionClosedir(m_context)(m_context, dir);
        return true;
    }

    // Open, query security, close; no name lookup.
    bool OwnerSid(const std::string& url, std::string& sid, int& error) override
    {
        return Attribute(url, kOwnerSidAttribute, sid, error);
    }

    // The same three requests and, on the IPC$ connection, one LSA lookup of the SID.
    bool OwnerText(const std::string& url, std::string& text, int& error) override
    {
        return Attribute(url, kOwnerAttribute, text, error);
    }

private:
    bool Attribute(const std::string& url, const char* name, std::string& text, int& error)
    {
        char value[4096] = {};
        errno = 0;
        int rc = smbc_getFunctionGetxattr(m_context)(m_context, url.c_str(), name, value, sizeof value);
        if (rc < 0) {
            error = LastError();
            return false;
        }
        std::size_t length = strnlen(value, sizeof value);
        if (length == sizeof value) {
            error = ERANGE;
            return false;
        }
        text.assign(value, length);
        return true;
    }

    SMBCCTX* m_context;
    SmbCredentials m_credentials;
};

}  // namespace

// Making a context loads the library's configuration and sets its debug level, which
// libnetapi shares: under the Samba libraries' lock.
std::unique_ptr<SmbClient> OpenLibSmbClient(const WalkOptions& options, int& error)
{
    std::lock_guard lock(threads::SambaLibraryMutex());
    SMBCCTX* context = smbc_new_context();
    if (!context) {
        error = LastError();
        return nullptr;
    }
    smbc_setDebug(context, 0);
    smbc_setFunctionAuthDataWithContext(context, Authenticate);
    smbc_setOptionNoAutoAnonymousLogin(context, true);
    if (options.credentials.user.empty()) {
        smbc_setOptionUseKerberos(context, true);
        smbc_setOptionUseCCache(context, true);
    }
    errno = 0;
    if (!smbc_init_context(context)) {
        error = LastError();
        smbc_free_context(context, 0);
        return nullptr;
    }
    // Applies to the library as a whole; after the context's own start-up, which would
    // load the default file over it.
    if (!options.smbConfigFile.empty() && smbc_setConfiguration(context, options.smbConfigFile.c_str()) != 0) {
        error = ENOENT;
        smbc_free_context(context, 0);
        return nullptr;
    }
    auto client = std::make_unique<LibSmbClient>(context, options.credentials);
    return client;
}

}  // namespace files::detail
