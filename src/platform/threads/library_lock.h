// The lock of Samba's client libraries. libnetapi and libsmbclient share one loaded
// configuration and one debug setting per process, and libnetapi has one context for
// the whole process: whatever loads or changes that state, or calls libnetapi, holds
// this lock. It is never held across a wait for the user.
#pragma once

#include <mutex>

namespace threads {

std::mutex& SambaLibraryMutex();

}  // namespace threads
