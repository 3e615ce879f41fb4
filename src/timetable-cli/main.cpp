// lanzhou-timetable: makes and inspects timetable files. See `lanzhou-timetable --help`.
#include <iostream>
#include <string>
#include <vector>

#include "timetable-cli/commands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  return lanzhou::timetable_cli::RunTimetableToolChecked(words, std::cout, std::cerr);
}
