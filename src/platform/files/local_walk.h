// The walk of a local tree; WalkOwners calls it for every root that isn't SMB.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

#include <pwd.h>

#include "platform/files/owner_walk.h"

namespace files::detail {

// Observation points for tests: after each directory listing (by thread number) and
// after each hand-over of work between threads.
struct LocalWalkHooks {
    std::function<void(std::size_t thread)> afterListing;
    std::function<void()> afterSteal;
};

WalkResult WalkLocal(const std::string& root, unsigned threads, const std::atomic<bool>& stop,
                     const LocalWalkHooks& hooks = {});

// The owner a getpwuid_r answer gives: the account name, AccountDeleted when the
// database has no such account, NullSid when the lookup itself failed.
Owner OwnerFromPasswdLookup(int rc, const passwd* found);

}  // namespace files::detail
