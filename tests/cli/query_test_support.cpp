#include "query_test_support.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "data/packed_resource.h"
#include "data/timetable_file.h"
#include "text/gbk.h"

namespace lanzhou::cli::testing {

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kTables = {{
    {"STRAIN", "strain.txt"},
    {"SLIST", "slist.txt"},
    {"SM", "sm.txt"},
    {"SPY", "spy.txt"},
}};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// One argument for /bin/sh: single-quoted, with embedded single quotes closed and reopened.
std::string ShellQuote(std::string_view word) {
  std::string quoted = "'";
  for (const char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

fs::path WorkDir() {
  fs::path dir = LANZHOU_TEST_WORK_DIR;
  fs::create_directories(dir);
  return dir;
}

std::string MakeDataDir(std::string_view folder, bool packed) {
  const fs::path dir = WorkDir() / folder;
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const auto& [name, file] : kTables) {
    const std::string text = FixtureTableText(file);
    WriteFile(dir / name, packed ? data::PackResource(text) : text);
  }
  return dir.string();
}

}  // namespace

RunResult RunQuery(const std::vector<std::string>& words) {
  return RunProgram(LANZHOU_QUERY_BINARY, words);
}

RunResult RunProgram(const std::string& binary, const std::vector<std::string>& words) {
  const fs::path err_file = WorkDir() / "stderr.txt";
  std::string command = ShellQuote(binary);
  for (const std::string& w : words) command += " " + ShellQuote(w);
  command += " 2>" + ShellQuote(err_file.string());
  RunResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("popen failed");
  std::array<char, 4096> buffer;
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    result.out.append(buffer.data(), n);
  const int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.err = ReadFile(err_file);
  return result;
}

std::string FixtureTableText(std::string_view file) {
  const std::string utf8 = ReadFile(fs::path(LANZHOU_FIXTURES_DIR) / file);
  std::string crlf;
  for (const char c : utf8) {
    if (c == '\n' && (crlf.empty() || crlf.back() != '\r')) crlf += '\r';
    crlf += c;
  }
  return text::Utf8ToGbk(crlf);
}

const std::string& PlainDataDir() {
  static const std::string dir = MakeDataDir("plain", false);
  return dir;
}

const std::string& TimetableFileOfFixtures() {
  static const std::string file = [] {
    const fs::path path = WorkDir() / "fixtures.lzt";
    data::TimetableMeta meta;
    meta.name = "测试";
    meta.valid_date = "2024-07-05";
    meta.trains = 9;
    meta.stops = 53;
    meta.stations = 48;
    data::WriteTimetableFile(path, meta,
                             {FixtureTableText("strain.txt"), FixtureTableText("slist.txt"),
                              FixtureTableText("sm.txt"), FixtureTableText("spy.txt"),
                              /*calendar: every train every day*/ {}});
    return path.string();
  }();
  return file;
}

const std::string& PackedDataDir() {
  static const std::string dir = MakeDataDir("packed", true);
  return dir;
}

std::string DataDirWith(std::string_view folder, std::string_view name,
                        std::optional<std::string> bytes) {
  const std::string dir = MakeDataDir(folder, false);
  fs::remove(fs::path(dir) / name);
  if (bytes) WriteFile(fs::path(dir) / name, *bytes);
  return dir;
}

std::vector<std::string> OnFixtures(std::vector<std::string> words) {
  words.insert(words.begin(), {"--data", PlainDataDir()});
  return words;
}

}  // namespace lanzhou::cli::testing
