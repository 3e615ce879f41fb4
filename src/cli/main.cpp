// lanzhou-query: the timetable queries of 岚舟时刻 from a terminal. See `lanzhou-query --help`.
#include <iostream>
#include <string>
#include <vector>

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#endif

#include "cli/run.h"
#include "data/resource_registry.h"

#ifdef LANZHOU_HAVE_TIMETABLE
#include "lanzhou_timetable.h"
#endif

namespace {

// A command fills some ten megabytes of fresh memory (the unpacked text and the tables) and
// ends. Page by page, the faults cost as much as the loading itself; one heap with room to
// spare, on huge pages where the system offers them, takes a few faults instead.
#if defined(__linux__) && defined(__GLIBC__)
void* kept_block = nullptr;  // reachable, so leak checkers know it is kept on purpose
#endif

void PrepareHeap() {
#if defined(__linux__) && defined(__GLIBC__)
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the tables' blocks stay on the heap
  mallopt(M_TRIM_THRESHOLD, 256 << 20);  // and freed ones are used again, not returned
  mallopt(M_TOP_PAD, 64 << 20);          // the heap grows once, ahead of the loading
  void* first = malloc(kHugePage);
  if (first == nullptr) return;
  const auto at = reinterpret_cast<std::uintptr_t>(first);
  const auto begin = (at + kHugePage - 1) & ~(kHugePage - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0)) & ~(kHugePage - 1);
  // The heap below the first huge-page boundary stays on small pages: this block keeps it
  // (shrunk to end just short of the boundary, and never freed), so that what the loading
  // allocates next starts on huge pages. It is never written, so it costs no memory.
  constexpr std::uintptr_t kChunkHeader = 2 * sizeof(std::size_t);
  kept_block = first;
  if (begin - at > 4 * kChunkHeader) {
    if (void* shrunk = realloc(first, begin - at - 2 * kChunkHeader)) kept_block = shrunk;
  }
  if (end > begin) {
    // Only advice: without transparent huge pages nothing changes.
    (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
#endif
}

}  // namespace

int main(int argc, char** argv) {
  PrepareHeap();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> words(argv + 1, argv + argc);
  lanzhou::data::ResourceRegistry registry;
  const lanzhou::data::ResourceRegistry* embedded = nullptr;
#ifdef LANZHOU_HAVE_TIMETABLE
  registry.Register(lanzhou::resources::TimetableResources());
  embedded = &registry;
#endif
  return lanzhou::cli::RunCommandLine(words, embedded, std::cout, std::cerr);
}
