// The allocator setting of a process that reads one score after another: memory a score
// gave back is kept for the next one instead of being returned to the system.
#pragma once

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace choirly::engrave {

// By default glibc maps each block over 128 KiB on its own and hands a freed heap top over
// 256 KiB back to the system, so a 10,000-line score (a few MiB of items, texts and pages)
// paid a page fault for every 4 KiB it touched, again for each score: half of the page
// path's time. Blocks up to 8 MiB now come from the heap, and up to 32 MiB of freed heap
// stays for the next score; the peak is still that of the largest score. Call it once,
// first thing in main. Other C libraries keep their own rules.
inline void keep_freed_memory() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 8 << 20);
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
#endif
}

}  // namespace choirly::engrave
