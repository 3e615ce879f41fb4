// Replacing files whole or not at all, when the disk fails at the last step and when an earlier
// writer was killed half-way.
#include "system/atomic_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "temp_dir.h"

// fsync as the program calls it, with a failure the test can order: the program's fsync resolves
// to this definition, which forwards to the system call unless a failure is set.
namespace {
std::atomic<int> fsync_failure{0};
}  // namespace

// -1: the writer stops for good inside its flush (to be killed there).
extern "C" int fsync(int fd) {
  if (const int error = fsync_failure.load(); error != 0) {
    if (error == -1) ::raise(SIGSTOP);
    errno = error;
    return -1;
  }
  return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace lanzhou::system {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using lanzhou::testing::ReadBytes;

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TEST(WriteFileAtomically, AFailedFlushKeepsTheOldFileAndSaysWhy) {
  lanzhou::testing::TempDir dir;
  const fs::path file = dir / "t.lzt";
  Write(file, "old");
  fsync_failure = EIO;
  try {
    WriteFileAtomically(file, "new bytes");
    ADD_FAILURE() << "written";
  } catch (const FileWriteError& e) {
    EXPECT_EQ(e.error(), EIO);
    EXPECT_FALSE(e.creating());
    EXPECT_THAT(e.what(), HasSubstr("Cannot write file \"" + file.string() + "\""));
  }
  fsync_failure = 0;
  EXPECT_EQ(ReadBytes(file), "old");
  EXPECT_THAT(Names(dir.path()), ::testing::ElementsAre("t.lzt"));
}

// A writer killed between making its temporary file and renaming it (kill -9 during the write)
// leaves the old file whole and its temporary file behind; the next write of the same target
// removes that, and leaves that of a running writer alone.
TEST(WriteFileAtomically, ATemporaryFileOfAKilledWriterGoesWithTheNextWrite) {
  lanzhou::testing::TempDir dir;
  const fs::path file = dir / "t.lzt";
  Write(file, "old");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    fsync_failure = -1;
    try {
      WriteFileAtomically(file, std::string(100'000, 'n'));
    } catch (...) {
    }
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
  ASSERT_TRUE(WIFSTOPPED(status));
  ::kill(child, SIGKILL);
  ASSERT_EQ(::waitpid(child, &status, 0), child);

  EXPECT_EQ(ReadBytes(file), "old");
  std::vector<std::string> names = Names(dir.path());
  ASSERT_EQ(names.size(), 2u);
  const std::string leftover = names[0];  // ".lzx..." sorts before "t.lzt"
  ASSERT_TRUE(leftover.starts_with(".lzx")) << leftover;
  // Its prefix names the target; what follows names the writer.
  const std::string prefix = leftover.substr(0, leftover.find('-') + 1);
  const std::string running = prefix + "1-aaaaaa.tmp";  // process 1 always runs
  Write(dir / running, "in use");
  Write(dir / "u.lzt", "other");

  WriteFileAtomically(file, "new");
  EXPECT_EQ(ReadBytes(file), "new");
  EXPECT_THAT(Names(dir.path()), ::testing::ElementsAre(running, "t.lzt", "u.lzt"));
}

// The four tables of a folder are replaced together: a disk that fills while the third is written
// leaves all four old files.
TEST(WriteFilesAtomically, ASetIsReplacedWholeOrNotAtAll) {
  lanzhou::testing::TempDir dir;
  const std::vector<std::string> names = {"strain.txt", "slist.txt", "sm.txt", "spy.txt"};
  for (const std::string& name : names) Write(dir / name, "old " + name);
  const std::string small(50, 's'), large(5000, 'l');
  const std::vector<FileContent> files = {{dir / names[0], small},
                                          {dir / names[1], small},
                                          {dir / names[2], large},
                                          {dir / names[3], small}};
  {
    rlimit old_limit{};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    const sighandler_t old_handler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old_limit;
    limited.rlim_cur = 1000;
    ::setrlimit(RLIMIT_FSIZE, &limited);
    EXPECT_THROW(WriteFilesAtomically(files), FileWriteError);
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    ::signal(SIGXFSZ, old_handler);
  }
  for (const std::string& name : names) EXPECT_EQ(ReadBytes(dir / name), "old " + name);
  EXPECT_EQ(Names(dir.path()).size(), 4u);  // no temporary file left

  WriteFilesAtomically(files);
  EXPECT_EQ(ReadBytes(dir / names[2]), large);
  EXPECT_EQ(ReadBytes(dir / names[3]), small);
  EXPECT_EQ(Names(dir.path()).size(), 4u);
}

}  // namespace
}  // namespace lanzhou::system
