#include <gtest/gtest.h>

#include <cerrno>

#include "platform/win_errors.h"
#include "support/test_support.h"

using vm::sys::Access;
using vm::sys::CodeFromWinError;
using vm::sys::WinErrorFromErrno;

namespace {

TEST(ErrorMapping, EveryWindowsErrorOfTheTableGivesItsCode) {
  struct Case {
    uint32_t win;
    int32_t code;
  };
  const Case cases[] = {{2, 0x10000},
                        {3, 0x15},
                        {8, 0x6},
                        {19, 0x10006},
                        {21, 0x30006},
                        {32, 0x10007},
                        {112, 0x20},
                        {123, 0x14},
                        {997, 0x28},
                        {1155, 0x10018},
                        {1156, 0x3C},
                        {1157, 0x10019},
                        {1223, 0x2},
                        {1235, 0x2},
                        // not in the table: the operation's default
                        {31, 0x1234},
                        {80, 0x1234},
                        {87, 0x1234},
                        {183, 0x1234},
                        {0, 0x1234}};
  for (const Case& c : cases) {
    for (Access kind : {Access::kRead, Access::kWrite, Access::kNeither}) {
      EXPECT_EQ(CodeFromWinError(c.win, 0x1234, kind), c.code) << "Windows error " << c.win;
    }
  }
}

TEST(ErrorMapping, AccessDeniedDependsOnTheAccessKind) {
  EXPECT_EQ(CodeFromWinError(5, 0x1234, Access::kRead), 0x10004);
  EXPECT_EQ(CodeFromWinError(5, 0x1234, Access::kWrite), 0x10005);
  EXPECT_EQ(CodeFromWinError(5, 0x1234, Access::kNeither), 0x10003);
}

TEST(ErrorMapping, ErrnoStandsForTheWindowsNumber) {
  struct Case {
    int error;
    uint32_t win;
  };
  const Case cases[] = {{ENOTDIR, 3}, {EACCES, 5},   {EPERM, 5},     {ENOMEM, 8},   {EROFS, 19},
                        {EBUSY, 32},  {ETXTBSY, 32}, {ENOSPC, 112},  {EDQUOT, 112}, {ENAMETOOLONG, 123},
                        {EISDIR, 5},  {EEXIST, 80},  {ENOMEDIUM, 21}};
  for (const Case& c : cases) EXPECT_EQ(WinErrorFromErrno(c.error, "x"), c.win) << "errno " << c.error;
}

TEST(ErrorMapping, MissingEntryIsPathNotFoundWhenItsFolderIsMissingToo) {
  vmtest::TempDir dir;
  EXPECT_EQ(WinErrorFromErrno(ENOENT, (dir.str() + "/missing.txt").c_str()), 2u);
  EXPECT_EQ(WinErrorFromErrno(ENOENT, (dir.str() + "/nofolder/missing.txt").c_str()), 3u);
  EXPECT_EQ(WinErrorFromErrno(ENOENT, "relative-missing.txt"), 2u);
  EXPECT_EQ(WinErrorFromErrno(ENOENT, ""), 3u);
  EXPECT_EQ(WinErrorFromErrno(ENOENT, nullptr), 2u);
}

TEST(ErrorMapping, InvalidArgumentIsAnInvalidNameOnlyForPaths) {
  EXPECT_EQ(WinErrorFromErrno(EINVAL, "x"), 123u);
  EXPECT_EQ(WinErrorFromErrno(EINVAL, nullptr), 87u);
}

}  // namespace
