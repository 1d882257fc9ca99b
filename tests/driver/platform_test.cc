#include "driver/platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "support/temp_dir.h"

namespace driver {
namespace {

namespace fs = std::filesystem;
using gdbtest::Bytes;
using gdbtest::ScopedTempDir;

const char* const NAMES[] = {"plain.gdb", "Rückweg.gdb", "Путь.gdb",
                             "Tour 🚲.gdb"};

TEST(Platform, Utf8NamesOpenTheFilesTheySpell) {
  for (const char* name : NAMES) {
    SCOPED_TRACE(name);
    ScopedTempDir dir;
    std::FILE* out = open_file(path_from_utf8(dir / name), "wb");
    ASSERT_TRUE(out);
    EXPECT_EQ(std::fwrite("a\nb", 1, 3, out), 3u);
    EXPECT_EQ(std::fclose(out), 0);
    EXPECT_EQ(gdbtest::listing(dir.path()), std::set<std::string>{name});
    // Binary mode: no line ending was changed.
    EXPECT_EQ(gdbtest::read_file(dir / name), (Bytes{'a', '\n', 'b'}));
    std::FILE* in = open_file(path_from_utf8(dir / name), "rb");
    ASSERT_TRUE(in);
    std::fclose(in);
  }
}

TEST(Platform, NewFileNeverReplacesAnExistingOne) {
  for (const char* name : NAMES) {
    SCOPED_TRACE(name);
    ScopedTempDir dir;
    const fs::path path = path_from_utf8(dir / name);
    std::FILE* first = create_new_file(path);
    ASSERT_TRUE(first);
    EXPECT_EQ(std::fwrite("first", 1, 5, first), 5u);
    EXPECT_EQ(std::fclose(first), 0);
    errno = 0;
    EXPECT_EQ(create_new_file(path), nullptr);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(gdbtest::read_file(dir / name), (Bytes{'f', 'i', 'r', 's', 't'}));
  }
}

TEST(Platform, NewFileCanBeRemovedWhileOpen) {
  // As the temporary output is when a signal ends the run.
  ScopedTempDir dir;
  const fs::path path = path_from_utf8(dir / "Rückweg.tmp");
  std::FILE* file = create_new_file(path);
  ASSERT_TRUE(file);
  remove_file(path.c_str());
  std::fclose(file);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

#ifdef _WIN32
TEST(Platform, WideArgumentsBecomeUtf8) {
  const wchar_t* const argv[] = {
      L"rtetrk", L"R\u00fcckweg", L"\u041f\u0443\u0442\u044c", L"\U0001F6B2",
      L"",       L"\xD800"};
  const std::vector<std::string> expected = {
      "rtetrk", "Rückweg",     "Путь", "🚲",
      "",       "\xEF\xBF\xBD"};  // an unpaired surrogate becomes U+FFFD
  EXPECT_EQ(utf8_arguments(6, argv), expected);
}

TEST(Platform, Utf8BecomesTheWideName) {
  EXPECT_EQ(path_from_utf8("R\xC3\xBC"
                           "ckweg")
                .native(),
            L"R\u00fcckweg");
  EXPECT_EQ(path_from_utf8("\xF0\x9F\x9A\xB2").native(), L"\U0001F6B2");
  EXPECT_EQ(path_from_utf8("a\xFF").native(), L"a\uFFFD");
}
#endif

}  // namespace
}  // namespace driver
