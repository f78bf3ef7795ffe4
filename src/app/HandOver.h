#pragma once
// Marks where one thread hands data to another through a channel
// ThreadSanitizer cannot see. Qt's event queue and its QMutex/QSemaphore live in
// an uninstrumented library and wait on futexes directly, so a call posted from
// a worker and run on the GUI thread looks to the sanitizer like two threads
// touching the same memory with nothing in between. The poster releases on an
// address that belongs to the one call (the posted event itself) after it has
// written everything it hands over; the receiver acquires on that address before
// it reads any of it. Outside a ThreadSanitizer build both compile to nothing.
#if defined(__SANITIZE_THREAD__)
#define RONGFAN_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define RONGFAN_THREAD_SANITIZER 1
#endif
#endif

#ifdef RONGFAN_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace rongfan {

inline void HandOverRelease([[maybe_unused]] const void* token) {
#ifdef RONGFAN_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(token));
#endif
}

inline void HandOverAcquire([[maybe_unused]] const void* token) {
#ifdef RONGFAN_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(token));
#endif
}

}  // namespace rongfan
