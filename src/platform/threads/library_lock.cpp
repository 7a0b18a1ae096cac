#include "platform/threads/library_lock.h"

namespace threads {

std::mutex& SambaLibraryMutex()
{
    static std::mutex* mutex = new std::mutex;  // never destroyed: late threads may still take it
    return *mutex;
}

}  // namespace threads
