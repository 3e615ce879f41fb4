#include "system/heap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#define LANZHOU_GLIBC_HEAP 1
#endif

namespace lanzhou::system {

#ifdef LANZHOU_GLIBC_HEAP
namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
// glibc gives each further arena heaps of this size, aligned to it (twice the largest mmap
// threshold on 64-bit systems).
constexpr std::uintptr_t kThreadHeap = std::uintptr_t{64} << 20;

// Reachable, so leak checkers know it is kept on purpose; volatile, so the stores stay.
void* volatile kept_block = nullptr;

}  // namespace

void PrepareProcessHeap() {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);   // the tables' blocks stay in the heap
  mallopt(M_TRIM_THRESHOLD, 256 << 20);  // freed blocks are used again, not returned
  mallopt(M_TOP_PAD, 64 << 20);          // the heap grows once, ahead of the loading
  void* first = std::malloc(kHugePage);
  if (first == nullptr) return;
  const auto at = reinterpret_cast<std::uintptr_t>(first);
  const auto begin = (at + kHugePage - 1) & ~(kHugePage - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0)) & ~(kHugePage - 1);
  // The heap below the first huge-page boundary stays on small pages: this block keeps it
  // (shrunk to end just short of the boundary, and never freed), so that what is allocated next
  // starts on huge pages. It is never written, so it costs no memory.
  constexpr std::uintptr_t kChunkHeader = 2 * sizeof(std::size_t);
  kept_block = first;
  if (begin - at > 4 * kChunkHeader) {
    if (void* shrunk = std::realloc(first, begin - at - 2 * kChunkHeader)) kept_block = shrunk;
  }
  if (end > begin) {
    (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
}

void AdviseHugePagesForThreadHeap() {
  void* probe = std::malloc(64);
  if (probe == nullptr) return;
  const auto at = reinterpret_cast<std::uintptr_t>(probe);
  std::free(probe);
  // A block below the program break lies in the main arena, advised at start; any other lies
  // in this thread's arena, whose heap starts at the arena alignment below it.
  if (at < reinterpret_cast<std::uintptr_t>(sbrk(0))) return;
  const std::uintptr_t heap = at & ~(kThreadHeap - 1);
  (void)madvise(reinterpret_cast<void*>(heap), kThreadHeap, MADV_HUGEPAGE);
}

#else

void PrepareProcessHeap() {}
void AdviseHugePagesForThreadHeap() {}

#endif

}  // namespace lanzhou::system
