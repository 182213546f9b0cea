#include <gtest/gtest.h>

#include "core/files/files_test_util.h"
#include "support/test_support.h"
#include "vmlib/streams.h"

using namespace filestest;

namespace {

class FileStream : public ::testing::Test {
protected:
  std::string P(const std::string& name) const { return dir.str() + "/" + name; }
  vmtest::TempDir dir;
  int32_t err = -1;
};

TEST_F(FileStream, ReadsAndWritesStraightThrough) {
  CFileStream s(&err, S(P("f.bin")).get(), kStreamModeCreate);
  ASSERT_EQ(err, 0);
  EXPECT_EQ(s.Write("hello world", 11, &err), 11);
  EXPECT_EQ(ReadAll(P("f.bin")), "hello world");  // no buffer
  EXPECT_EQ(s.GetSize(), 11);
  EXPECT_EQ(s.SeekTo(6, &err), 6);
  char buf[16];
  EXPECT_EQ(s.Read(buf, 16, &err), 5);  // short read: the count and 0x10009
  EXPECT_EQ(err, 0x10009);
  EXPECT_EQ(std::string(buf, 5), "world");
  EXPECT_EQ(s.GetPosition(), 11);
  const int64_t back = -100;
  EXPECT_EQ(s.Seek(&back, kSeekFromCurrent, &err), 11);  // failure returns the old position
  EXPECT_EQ(err, 0x1000C);
  const int64_t beyond = 20;
  EXPECT_EQ(s.Seek(&beyond, kSeekFromStart, &err), 20);  // files may be positioned beyond their end
  EXPECT_EQ(s.Write("!", 1, &err), 1);
  EXPECT_EQ(s.GetSize(), 21);
  EXPECT_TRUE(s.Close(&err));
  EXPECT_EQ(ReadAll(P("f.bin")), std::string("hello world") + std::string(9, '\0') + "!");
}

TEST_F(FileStream, SetSizeCutsThePosition) {
  WriteAll(P("s.bin"), "0123456789");
  CFileStream s(&err, P("s.bin"), kStreamModeReadWrite);
  ASSERT_EQ(err, 0);
  s.SeekTo(8, &err);
  ASSERT_TRUE(s.Resize(4, &err));
  EXPECT_EQ(s.GetSize(), 4);
  EXPECT_EQ(s.GetPosition(), 4);
  ASSERT_TRUE(s.Resize(6, &err));
  EXPECT_EQ(s.GetPosition(), 4);
  EXPECT_EQ(s.Write("x", 1, &err), 1);
  s.Close(&err);
  EXPECT_EQ(ReadAll(P("s.bin")), std::string("0123x") + '\0');
  CFileStream r(&err, P("s.bin"), kStreamModeRead);
  EXPECT_FALSE(r.Resize(2, &err));  // read-only handle
  EXPECT_EQ(err, 0x10005);
  EXPECT_EQ(r.GetSize(), 6);
  EXPECT_EQ(r.Write("x", 1, &err), -1);
  EXPECT_EQ(err, 0x10005);
}

TEST_F(FileStream, ModesOpenAsDocumented) {
  WriteAll(P("m.bin"), "abc");
  struct Case {
    uint16_t mode;
    bool reads, writes;
  };
  const Case cases[] = {{kStreamModeRead, true, false},
                        {kStreamModeReadShareRead, true, false},
                        {kStreamModeWrite, false, true},
                        {kStreamModeReadWrite, true, true}};
  for (const Case& c : cases) {
    CFileStream s(&err, P("m.bin"), c.mode);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(s.GetSize(), 3);  // existing files are opened, not replaced
    char ch;
    EXPECT_EQ(s.Read(&ch, 1, &err) == 1, c.reads) << c.mode;
    s.SeekTo(0, &err);
    EXPECT_EQ(s.Write("a", 1, &err) == 1, c.writes) << c.mode;
  }
  CFileStream missing(&err, P("none"), kStreamModeWrite);  // only 0xFFFF creates
  EXPECT_EQ(err, 0x10000);
  EXPECT_EQ(missing.Read(nullptr, 1, &err), -1);
  EXPECT_NE(err, 0);
  EXPECT_TRUE(missing.Close(&err));
}

TEST_F(FileStream, DeleteOnDestroyRemovesAnUnclosedFile) {
  {
    CFileStream s(&err, P("d.bin"), kStreamModeCreate);
    s.SetDeleteOnDestroy(true);
    s.Write("x", 1, &err);
  }
  EXPECT_FALSE(Exists(P("d.bin")));
  {
    CFileStream s(&err, P("k.bin"), kStreamModeCreate);
    s.SetDeleteOnDestroy(true);
    ASSERT_TRUE(s.Close(&err));
  }
  EXPECT_TRUE(Exists(P("k.bin")));
}

}  // namespace
