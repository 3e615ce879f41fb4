// lanzhou-timetable-build <source-dir> <output-dir>
//
// Reads the timetable source (docs/timetable-source.md) and writes the four table texts
// strain.txt, slist.txt, sm.txt and spy.txt (GBK, CR LF) and the running days calendar.txt
// (empty when the source has no calendar.txt) into <output-dir>, where the build
// packs and embeds them. A source that breaks any rule gets every breach reported as
// "file:line: rule" and nothing is written.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "import/build_tables.h"

namespace {

namespace fs = std::filesystem;
namespace tb = lanzhou::timetable_build;

// All files go to temporaries first and are renamed only when every write succeeded.
bool WriteAll(const fs::path& dir, const std::vector<std::pair<std::string, std::string>>& files) {
  std::error_code error;
  fs::create_directories(dir, error);
  for (const auto& [name, bytes] : files) {
    std::ofstream out(dir / (name + ".tmp"), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      std::cerr << "lanzhou-timetable-build: cannot write " << (dir / name).string() << '\n';
      return false;
    }
  }
  for (const auto& [name, bytes] : files) fs::rename(dir / (name + ".tmp"), dir / name);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: lanzhou-timetable-build <source-dir> <output-dir>\n";
    return 2;
  }
  const fs::path source_dir = argv[1];
  tb::Diagnostics diagnostics;
  const std::optional<tb::BuiltTables> built = tb::BuildTables(source_dir, diagnostics);
  if (!built) {
    tb::PrintDiagnostics(std::cerr, diagnostics);
    std::cerr << "lanzhou-timetable-build: " << diagnostics.errors().size() << " error(s) in "
              << source_dir.string() << "; nothing written\n";
    return 1;
  }
  const auto& texts = built->texts;
  if (!WriteAll(argv[2], {{"strain.txt", texts.strain},
                          {"slist.txt", texts.slist},
                          {"sm.txt", texts.sm},
                          {"spy.txt", texts.spy},
                          {"calendar.txt", texts.calendar}})) {
    return 1;
  }
  std::cout << "lanzhou-timetable-build: " << built->trains << " trains, " << built->stops
            << " stops, " << built->stations << " stations\n";
  return 0;
}
