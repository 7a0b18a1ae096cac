// Bytes per owner below a directory: the walk behind the FILES display.
//
// A local root is walked relative to each directory's descriptor, so neither path
// length nor depth is limited; symbolic links are never followed, every directory
// entry counts once (hard links included) with its logical size. A root written
// \\server\share\dir\ or smb://server/share/dir/ is walked through libsmbclient with
// the owner taken from each file's NT security descriptor.
//
// The walk reports owner kinds; turning them into list texts is the caller's task.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace files {

enum class OwnerKind {
    Name,            // an account name
    DirlistDenied,   // a directory that could not be listed; counts directories, not bytes
    AccessDenied,    // the file's owner could not be read: permission denied
    ErrorNumber,     // the file's owner could not be read for another reason (errno in `error`)
    Unknown,         // the security descriptor names no owner
    NullSid,         // the owner could not be turned into an account name
    AccountDeleted,  // the owner's account does not exist
};

struct Owner {
    OwnerKind kind = OwnerKind::Unknown;
    std::string name;  // OwnerKind::Name only
    int error = 0;     // OwnerKind::ErrorNumber only

    friend bool operator==(const Owner&, const Owner&) = default;
};

struct OwnerTotal {
    Owner owner;
    std::uint64_t bytes = 0;  // for DirlistDenied: the number of such directories

    friend bool operator==(const OwnerTotal&, const OwnerTotal&) = default;
};

// Log-on data for SMB roots. An empty user means the Kerberos credential cache.
struct SmbCredentials {
    std::string user;
    std::string domain;
    std::string password;
};

inline constexpr unsigned kSmbConnections = 4;

struct WalkOptions {
    // Local trees: 1 walks on the calling thread; more walk subtrees on that many
    // threads; 0 takes one per processor (at most 8). SMB trees: the number of
    // connections (each with its own libsmbclient context and thread) over which the
    // owners of a directory's files are read at once; 0 takes kSmbConnections. The
    // result is the same either way, owner order included.
    unsigned threads = 0;
    SmbCredentials credentials;
    // SMB: client configuration file; empty means libsmbclient's default smb.conf.
    std::string smbConfigFile;
    // SMB: called on the walking thread when a file's security descriptor text can't
    // be parsed; the walk waits until it returns and then counts the file as Unknown.
    std::function<void(const std::string& url)> onInvalidDescriptor;
};

struct WalkResult {
    std::vector<OwnerTotal> owners;  // each distinct owner once, in the order first met
    bool stopped = false;            // the stop mark ended the walk; owners are partial
    std::uint64_t files = 0;         // entries counted as files
    std::uint64_t directories = 0;   // directories listed, the root included
};

// Receives each distinct owner once, in the order first met, with its total.
using OwnerSink = std::function<void(const Owner& owner, std::uint64_t bytes)>;

// Walks the tree below `root`. `stop` is checked between directory entries, so a set
// mark ends the walk within a fraction of a second (a blocked SMB call excepted).
WalkResult WalkOwners(const std::string& root, const WalkOptions& options, const std::atomic<bool>& stop);

// The same walk, handing every owner total to `sink` once the walk has ended (also
// when it was stopped). The returned result holds the same totals.
WalkResult WalkOwners(const std::string& root, const WalkOptions& options, const OwnerSink& sink,
                      const std::atomic<bool>& stop);

// --- Pieces of the SMB walk, exposed for tests and for callers that classify roots.

// True for \\server\... and smb://... roots (the scheme in any case).
bool IsSmbRoot(std::string_view root);

// The libsmbclient URL of an SMB root, always ending with '/'. The backslash form has
// its components percent-encoded; an smb:// root is taken as an URL already.
std::string SmbUrlFromRoot(std::string_view root);

// Percent-encodes one path component for an smb:// URL.
std::string EncodeUrlComponent(std::string_view name);

struct DescriptorOwner {
    Owner owner;
    bool valid = true;  // false: the text can't be parsed (owner is then Unknown)
};

// True for the text of a SID: "S-", then numbers joined by single dashes, at least two.
bool LooksLikeSid(std::string_view text);

// The owner named by the text of `system.nt_sec_desc.owner+`: "DOMAIN\name" gives
// name, an empty text Unknown, a SID that stayed a SID NullSid.
DescriptorOwner OwnerFromDescriptorText(std::string_view text);

}  // namespace files
