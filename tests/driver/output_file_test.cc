#include "driver/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace driver {
namespace {

namespace fs = std::filesystem;
using gdbtest::Bytes;
using gdbtest::listing;
using gdbtest::ScopedTempDir;

void write_some(OutputFile& file) {
  ASSERT_EQ(std::fwrite("new", 1, 3, file.stream()), 3u);
}

TEST(OutputFile, NothingAppearsUntilCommitAndCommitReplaces) {
  ScopedTempDir dir;
  std::string target = dir / "out.gdb";
  gdbtest::write_file(target, {'o', 'l', 'd'});
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write |
                              fs::perms::group_read);
  // As the system keeps them: Windows knows only read-only or not.
  const fs::perms kept = fs::status(target).permissions();
  {
    OutputFile file;
    ASSERT_TRUE(file.open(target));
    write_some(file);
    EXPECT_EQ(gdbtest::read_file(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(listing(dir.path()).size(), 2u);  // the output and the temporary
    ASSERT_TRUE(file.commit());
  }
  EXPECT_EQ(gdbtest::read_file(target), (Bytes{'n', 'e', 'w'}));
  EXPECT_EQ(fs::status(target).permissions(), kept);
  EXPECT_EQ(listing(dir.path()).size(), 1u);
}

TEST(OutputFile, AbandonedOutputLeavesThePathAsItWas) {
  ScopedTempDir dir;
  {
    OutputFile file;
    ASSERT_TRUE(file.open(dir / "absent.gdb"));
    write_some(file);
  }
  EXPECT_EQ(listing(dir.path()).size(), 0u);
}

TEST(OutputFile, FollowsASymbolicLinkToTheFileItNames) {
  ScopedTempDir dir;
  fs::create_directory(dir.path() / "real");
  gdbtest::write_file(dir / "real/out.gdb", {'o'});
  if (!gdbtest::make_symlink("real/out.gdb", dir.path() / "link.gdb")) {
    GTEST_SKIP() << "no symbolic links on this system";
  }
  OutputFile file;
  ASSERT_TRUE(file.open(dir / "link.gdb"));
  write_some(file);
  ASSERT_TRUE(file.commit());
  EXPECT_TRUE(fs::is_symlink(dir.path() / "link.gdb"));
  EXPECT_EQ(gdbtest::read_file(dir / "real/out.gdb"), (Bytes{'n', 'e', 'w'}));
}

TEST(OutputFile, UnusableOutputsAreRefused) {
  ScopedTempDir dir;
  fs::create_directory(dir.path() / "sub");
  OutputFile directory;
  EXPECT_FALSE(directory.open(dir / "sub"));
  OutputFile missing_directory;
  EXPECT_FALSE(missing_directory.open(dir / "nowhere/out.gdb"));
  EXPECT_EQ(listing(dir.path()).size(), 1u);
  EXPECT_EQ(listing(dir.path() / "sub").size(), 0u);
}

}  // namespace
}  // namespace driver
