#pragma once
// Where the loaded tables live in memory. Loading fills tens of megabytes of fresh memory at
// once; on 4 KiB pages every page costs a fault, and on a virtual machine the faults cost more
// than the loading itself. These ask the C library to keep large blocks in its heaps and the
// kernel to back those heaps with transparent huge pages where it offers them (as glibc's own
// malloc.hugetlb tunable does, which can only be set from the environment). Both are advice:
// elsewhere, or when the kernel declines, nothing changes.
namespace lanzhou::system {

// For a program whose main thread loads the tables and ends (the command line), before any
// thread: large blocks stay in the heap, freed memory is used again rather than returned, and
// the main heap grows once, ahead of the loading, on huge pages. The window leaves its heap as
// it is: there the tables load in threads, and its main thread's memory matters more.
void PrepareProcessHeap();

// At the start of a thread that loads tables: its own heap on huge pages.
void AdviseHugePagesForThreadHeap();

}  // namespace lanzhou::system
