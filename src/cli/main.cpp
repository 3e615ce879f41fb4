// lanzhou-query: the timetable queries of 岚舟时刻 from a terminal. See `lanzhou-query --help`.
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/mcp/mcp_command.h"
#include "cli/run.h"
#include "data/resource_registry.h"
#include "system/heap.h"

#ifdef LANZHOU_HAVE_TIMETABLE
#include "lanzhou_timetable.h"
#endif

int main(int argc, char** argv) {
  // A command loads its tables and ends: the faults of fresh memory are much of its time.
  lanzhou::system::PrepareProcessHeap();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> words(argv + 1, argv + argc);
  lanzhou::data::ResourceRegistry registry;
  const lanzhou::data::ResourceRegistry* embedded = nullptr;
#ifdef LANZHOU_HAVE_TIMETABLE
  registry.Register(lanzhou::resources::TimetableResources());
  embedded = &registry;
#endif
  // Whatever a command meets, the answer is a message and an exit status, never an abort.
  try {
    if (lanzhou::cli::mcp::IsMcpCommandLine(words)) {
      return lanzhou::cli::mcp::RunMcpCommandLine(words, embedded, std::cin, std::cout,
                                                  std::cerr);
    }
    return lanzhou::cli::RunCommandLine(words, embedded, std::cout, std::cerr);
  } catch (const std::bad_alloc&) {
    std::cerr << "lanzhou-query: not enough memory\n";
  } catch (const std::exception& e) {
    std::cerr << "lanzhou-query: " << e.what() << "\n";
  }
  return 1;
}
