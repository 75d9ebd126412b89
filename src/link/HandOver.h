#pragma once
// Marks where an object passes from a port thread to the main thread
// through Qt's event queue. Qt's queue is locked inside Qt; when Qt itself
// is not built with ThreadSanitizer the tool cannot see that lock and would
// report the hand-over as a race. These marks describe it to the tool and
// compile to nothing in every other build.
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
inline void MarkHandOver(void* object) { __tsan_release(object); }
inline void MarkTakeOver(void* object) { __tsan_acquire(object); }
#else
inline void MarkHandOver(void*) {}
inline void MarkTakeOver(void*) {}
#endif
