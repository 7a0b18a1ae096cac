// libsmbclient behind the SmbClient interface: one context per walk, logged on with
// the walk's credentials (or the Kerberos cache), never anonymously.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <libsmbclient.h>

#include "platform/files/smb_walk.h"
#include "platform/threads/library_lock.h"

namespace files::detail {
namespace {

constexpr unsigned kDosDirectory = 0x10;
constexpr unsigned kDosReparsePoint = 0x400;
constexpr const char* kOwnerAttribute = "system.nt_sec_desc.owner+";

void CopyField(char* target, int room, const std::string& value) {
  if (room > 0) std::snprintf(target, static_cast<std::size_t>(room), "%s", value.c_str());
}

void Authenticate(SMBCCTX* context, const char* /*server*/, const char* /*share*/,
                  char* workgroup, int workgroupRoom, char* user, int userRoom, char* password,
                  int passwordRoom) {
  auto* credentials = static_cast<const SmbCredentials*>(smbc_getOptionUserData(context));
  if (!credentials || credentials->user.empty()) return;
  if (!credentials->domain.empty()) CopyField(workgroup, workgroupRoom, credentials->domain);
  CopyField(user, userRoom, credentials->user);
  CopyField(password, passwordRoom, credentials->password);
}

int LastError() { return errno != 0 ? errno : EIO; }

// smb://server/ (no share): its disk shares are its subdirectories.
bool NamesServerOnly(const std::string& url) {
  std::size_t start = url.find("://");
  if (start == std::string::npos) return false;
  std::size_t slash = url.find('/', start + 3);
  return slash == std::string::npos || slash + 1 >= url.size();
}

class LibSmbClient final : public SmbClient {
 public:
  LibSmbClient(SMBCCTX* context, SmbCredentials credentials)
      : m_context(context), m_credentials(std::move(credentials)) {
    smbc_setOptionUserData(m_context, &m_credentials);
  }
  ~LibSmbClient() override {
    std::lock_guard lock(threads::SambaLibraryMutex());
    smbc_free_context(m_context, 1);
  }
  LibSmbClient(const LibSmbClient&) = delete;
  LibSmbClient& operator=(const LibSmbClient&) = delete;

  bool List(const std::string& url, std::vector<SmbEntry>& entries, int& error) override {
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
        if (!info->name) continue;
        // A reparse point (link, junction) is counted, never followed.
        bool directory = (info->attrs & kDosDirectory) && !(info->attrs & kDosReparsePoint);
        entries.push_back({info->name, directory, info->size});
      }
    }
    smbc_getFunctionClosedir(m_context)(m_context, dir);
    return true;
  }

  bool OwnerText(const std::string& url, std::string& text, int& error) override {
    char value[4096] = {};
    errno = 0;
    int rc = smbc_getFunctionGetxattr(m_context)(m_context, url.c_str(), kOwnerAttribute, value,
                                                 sizeof value);
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

 private:
  SMBCCTX* m_context;
  SmbCredentials m_credentials;
};

}  // namespace

// Making a context loads the library's configuration and sets its debug level, which
// libnetapi shares: under the Samba libraries' lock.
std::unique_ptr<SmbClient> OpenLibSmbClient(const WalkOptions& options, int& error) {
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
  if (!options.smbConfigFile.empty() &&
      smbc_setConfiguration(context, options.smbConfigFile.c_str()) != 0) {
    error = ENOENT;
    smbc_free_context(context, 0);
    return nullptr;
  }
  auto client = std::make_unique<LibSmbClient>(context, options.credentials);
  return client;
}

}  // namespace files::detail
