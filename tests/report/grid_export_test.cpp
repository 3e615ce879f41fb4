#include "report/grid_export.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace lanzhou::report;
namespace fs = std::filesystem;
using testing::ElementsAre;

namespace {

const std::string kMainCaptionLine =
    "车次,始发,终到,车型,发站,发时,到站,到时,停站,里程,历时,硬座,软座,硬卧,软卧";

std::vector<GridRow> ThreeMainRows() {
  return {
      {"T109", "北京", "上海", "空调特快", "北京", "20:05", "上海", "10:13", "9", "1463", "14:08",
       "158", "-", "283/293/304", "440/462"},
      {"1461", "北京", "上海", "普快", "北京", "11:46", "上海", "08:03", "17", "1463", "20:17",
       "138", "-", "38/41/43", "-"},
      {"D301", "北京", "上海", "动车组", "北京", "21:25", "上海", "07:21", "", "1463", "09:56", "",
       "", "", ""},
  };
}

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "lanzhou-export-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path_); }
  [[nodiscard]] const fs::path& path() const { return path_; }
  [[nodiscard]] std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

 private:
  fs::path path_;
};

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Limits the size of files this process may write, for the length of one test.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = ::signal(SIGXFSZ, SIG_IGN);  // get EFBIG instead of the signal
    rlimit limited = old_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  sighandler_t old_handler_;
};

// Export never destroys anything but the file it replaces: a link to a file that does not exist
// yet gets that file and stays a link; a FIFO or a device node is refused, not replaced.
TEST(WriteLinesGbkAtomically, WritesOnlyRegularFilesAndKeepsLinks) {
  TempDir dir;
  const fs::path dangling = dir.path() / "dangling.csv";
  fs::create_symlink("made.csv", dangling);
  WriteLinesGbkAtomically(dangling, std::vector<std::string>{"made"});
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_EQ(ReadBytes(dir.path() / "made.csv"), "made\r\n");

  // A chain of links ends at the file that is written.
  fs::create_symlink("dangling.csv", dir.path() / "chain.csv");
  WriteLinesGbkAtomically(dir.path() / "chain.csv", std::vector<std::string>{"again"});
  EXPECT_TRUE(fs::is_symlink(dir.path() / "chain.csv"));
  EXPECT_EQ(ReadBytes(dir.path() / "made.csv"), "again\r\n");

  std::vector<fs::path> special;
  const fs::path fifo = dir.path() / "fifo.csv";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  special.push_back(fifo);
  fs::create_symlink(fifo, dir.path() / "to_fifo.csv");
  special.push_back(dir.path() / "to_fifo.csv");
  // A copy of /dev/null's node: only root may make one, and only root could destroy one.
  const fs::path null_node = dir.path() / "null.csv";
  if (::mknod(null_node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) special.push_back(null_node);
  for (const fs::path& path : special) {
    try {
      WriteLinesGbkAtomically(path, std::vector<std::string>{"x"});
      ADD_FAILURE() << path << " was written";
    } catch (const ExportError& error) {
      EXPECT_EQ(std::string(error.what()),
                "Cannot create file \"" + path.string() +
                    "\". It is not a regular file (a device, FIFO or socket)");
    }
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
  if (fs::exists(null_node)) {
    EXPECT_TRUE(fs::is_character_file(null_node));
  }
}

// A name as long as the file system allows (255 bytes) is written like any other: the temporary
// name beside it must not be longer than a name may be.
TEST(WriteLinesGbkAtomically, NamesUpToTheLongestAllowed) {
  TempDir dir;
  for (const std::size_t length : {std::size_t{231}, std::size_t{255}}) {
    const fs::path file = dir.path() / (std::string(length - 4, 'n') + ".csv");
    WriteBytes(file, "old\r\n");
    WriteLinesGbkAtomically(file, std::vector<std::string>{"new"});
    EXPECT_EQ(ReadBytes(file), "new\r\n") << length;
  }
  EXPECT_EQ(dir.Names().size(), 2u);  // no temporary file left
}

// A writable file in a folder that takes no new file: refused with the reason, never written in
// place (a full disk or a crash half-way would cut the old file short).
// Root may create files anywhere, so as root the write runs in a child that drops to nobody.
TEST(WriteLinesGbkAtomically, AReadOnlyFolderIsRefusedAndTheOldFileKept) {
  TempDir dir;
  // The child that drops root must be able to reach the folder.
  fs::permissions(dir.path(),
                  fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  const fs::path folder = dir.path() / "locked";
  fs::create_directory(folder);
  const fs::path file = folder / "out.csv";
  WriteBytes(file, std::string(3000, 'o'));
  fs::permissions(file, fs::perms::all);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  const bool as_root = ::geteuid() == 0;
  if (as_root) {
    ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
  }
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // 'W' written, 'E' refused as a file that cannot be created there, 'X' another error,
    // 'U' could not drop root.
    char answer = 'U';
    if (!as_root || (::setgid(65534) == 0 && ::setuid(65534) == 0)) {
      try {
        WriteLinesGbkAtomically(file, std::vector<std::string>{"a", "b"});
        answer = 'W';
      } catch (const lanzhou::system::FileWriteError& e) {
        answer = e.creating() && e.error() == EACCES &&
                         std::string(e.what()).find("never overwritten where it is") !=
                             std::string::npos
                     ? 'E'
                     : 'X';
      }
    }
    (void)!::write(pipe_fds[1], &answer, 1);
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  char answer = '?';
  ASSERT_EQ(::read(pipe_fds[0], &answer, 1), 1);
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_EQ(answer, 'E');
  EXPECT_EQ(ReadBytes(file), std::string(3000, 'o'));
  EXPECT_EQ(fs::directory_entry(folder).exists()
                ? std::distance(fs::directory_iterator(folder), fs::directory_iterator())
                : -1,
            1);
}

}  // namespace

TEST(GridCaptions, MainAndDetailCaptionsInColumnOrder) {
  EXPECT_THAT(GridCaptions(GridKind::Main),
              ElementsAre("车次", "始发", "终到", "车型", "发站", "发时", "到站", "到时", "停站",
                          "里程", "历时", "硬座", "软座", "硬卧", "软卧"));
  EXPECT_THAT(GridCaptions(GridKind::Detail),
              ElementsAre("站序", "车站", "里程", "到时", "发时", "天数", "历时", "时速"));
  EXPECT_EQ(MainGridColumnCaption(0), "车次");
  EXPECT_EQ(MainGridColumnCaption(14), "软卧");
  EXPECT_EQ(MainGridColumnCaption(15), "");
  EXPECT_EQ(MainGridColumnCaption(-1), "");
  EXPECT_EQ(DetailGridColumnCaption(7), "时速");
  EXPECT_EQ(DetailGridColumnCaption(8), "");
}

TEST(ExportGridCsvLines, ThreeMainRowsGiveTenLines) {
  const std::vector<GridRow> rows = ThreeMainRows();
  EXPECT_THAT(
      ExportGridCsvLines(GridKind::Main, rows),
      ElementsAre("", "", "岚舟时刻公司", "http://www.lanzhou-shike.cn", "", "", kMainCaptionLine,
                  "T109,北京,上海,空调特快,北京,20:05,上海,10:13,9,1463,14:08,158,-,"
                  "283/293/304,440/462",
                  // fares with "/" are written unchanged
                  "1461,北京,上海,普快,北京,11:46,上海,08:03,17,1463,20:17,138,-,"
                  "38/41/43,-",
                  // empty cells give empty fields: still 15 fields
                  "D301,北京,上海,动车组,北京,21:25,上海,07:21,,1463,09:56,,,,"));
}

TEST(ExportGridCsvLines, DetailGridAndOddRows) {
  const std::vector<GridRow> rows = {
      {"1", "北京西", "0", "", "21:25", "当天", "0", ""},
      {"2", "石家庄", "277"},  // a short row: the missing cells are empty fields
      {"3", "郑州", "689", "03:44", "03:50", "第2天", "6:19", "109", "extra", "cells"},
      {"4", "a,b", "\"q\""},  // no quoting or escaping, even where a reader would need it
  };
  EXPECT_THAT(ExportGridCsvLines(GridKind::Detail, rows),
              ElementsAre("", "", "岚舟时刻公司", "http://www.lanzhou-shike.cn", "", "",
                          "站序,车站,里程,到时,发时,天数,历时,时速", "1,北京西,0,,21:25,当天,0,",
                          "2,石家庄,277,,,,,", "3,郑州,689,03:44,03:50,第2天,6:19,109",
                          "4,a,b,\"q\",,,,,"));
  // No rows: the head and the caption line only.
  EXPECT_EQ(ExportGridCsvLines(GridKind::Main, {}).size(), 7u);
}

TEST(ExportGridCsvLines, TheTravelDateHeadsTheCaptions) {
  const std::vector<GridRow> rows = {{"G1", "北京", "上海"}};
  EXPECT_THAT(ExportGridCsvLines(GridKind::Journey, rows, "出发日期：2024年7月6日"),
              ElementsAre("", "", "岚舟时刻公司", "http://www.lanzhou-shike.cn",
                          "出发日期：2024年7月6日", "",
                          "出发,发站,到达,到站,历时,换乘,车次,换乘站,等候,参考票价",
                          "G1,北京,上海,,,,,,,"));
}

TEST(WriteLinesGbkAtomically, WritesGbkWithCrLfAfterEveryLine) {
  TempDir dir;
  const fs::path file = dir.path() / "结果.csv";
  const std::vector<GridRow> rows = ThreeMainRows();
  WriteLinesGbkAtomically(file, ExportGridCsvLines(GridKind::Main, rows));

  const std::string bytes = ReadBytes(file);
  // Two empty lines, then 岚舟时刻公司 in GBK (E1B0 D6DB CAB1 BFCC B9AB CBBE), then the address.
  EXPECT_EQ(bytes.substr(0, 19),
            "\r\n\r\n\xE1\xB0\xD6\xDB\xCA\xB1\xBF\xCC\xB9\xAB\xCB\xBE\r\n"
            "h");
  EXPECT_TRUE(bytes.ends_with("\r\n"));
  // Every LF is part of a CR LF, and there are exactly 10 of them.
  std::size_t line_ends = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\n') continue;
    ++line_ends;
    ASSERT_GT(i, 0u);
    EXPECT_EQ(bytes[i - 1], '\r') << "at byte " << i;
  }
  EXPECT_EQ(line_ends, 10u);
  // The caption line, byte for byte in GBK: 车次 is B3B5 B4CE.
  EXPECT_NE(bytes.find("\r\n\xB3\xB5\xB4\xCE,"), std::string::npos);
  EXPECT_EQ(bytes.find("\xE8\xBD\xA6"), std::string::npos);  // no UTF-8 车 left
  EXPECT_THAT(dir.Names(), ElementsAre("结果.csv"));         // no temporary file left
}

TEST(WriteLinesGbkAtomically, ReplacesAnExistingFileWhole) {
  TempDir dir;
  const fs::path file = dir.path() / "out.csv";
  WriteBytes(file, std::string(5000, 'x'));
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  WriteLinesGbkAtomically(file, std::vector<std::string>{"a", "b"});
  EXPECT_EQ(ReadBytes(file), "a\r\nb\r\n");
  // The replaced file keeps its permissions.
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_THAT(dir.Names(), ElementsAre("out.csv"));
}

TEST(WriteLinesGbkAtomically, WritesThroughASymbolicLink) {
  TempDir dir;
  const fs::path real = dir.path() / "real.csv";
  const fs::path link = dir.path() / "link.csv";
  WriteBytes(real, "old\r\n");
  fs::create_symlink(real, link);
  WriteLinesGbkAtomically(link, std::vector<std::string>{"new"});
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(real), "new\r\n");
  EXPECT_EQ(dir.Names().size(), 2u);
}

TEST(WriteLinesGbkAtomically, FailuresKeepTheOldFileAndNameTheFile) {
  TempDir dir;
  const fs::path file = dir.path() / "old.csv";
  WriteBytes(file, "old content\r\n");

  {
    // The disk refuses the bytes part way through: the old file stays, no half file remains.
    FileSizeLimit limit(1000);
    const std::vector<std::string> lines(200, std::string(50, 'n'));
    try {
      WriteLinesGbkAtomically(file, lines);
      ADD_FAILURE() << "the write should have failed";
    } catch (const ExportError& error) {
      EXPECT_EQ(std::string(error.what()),
                "Cannot write file \"" + file.string() + "\". File too large");
    }
  }
  EXPECT_EQ(ReadBytes(file), "old content\r\n");
  EXPECT_THAT(dir.Names(), ElementsAre("old.csv"));

  // A folder that does not exist.
  const fs::path nowhere = dir.path() / "missing" / "x.csv";
  try {
    WriteLinesGbkAtomically(nowhere, std::vector<std::string>{"a"});
    ADD_FAILURE() << "the write should have failed";
  } catch (const ExportError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot create file \"" + nowhere.string() + "\". No such file or directory");
  }

  // A folder in the way of the file's name: it is left as it was.
  fs::create_directory(dir.path() / "sub.csv");
  EXPECT_THROW(WriteLinesGbkAtomically(dir.path() / "sub.csv", std::vector<std::string>{"a"}),
               ExportError);
  EXPECT_TRUE(fs::is_directory(dir.path() / "sub.csv"));
  EXPECT_EQ(dir.Names().size(), 2u);
}
