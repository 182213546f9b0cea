#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>

#include "core/files/files_test_util.h"
#include "support/test_support.h"
#include "vmlib/streams.h"

using namespace filestest;

namespace {

class BufferedStream : public ::testing::Test {
protected:
  std::string P(const std::string& name) const { return dir.str() + "/" + name; }
  vmtest::TempDir dir;
  int32_t err = -1;
};

TEST_F(BufferedStream, AFullBufferIsWrittenOnlyWhenTheNextByteComes) {
  const std::string path = P("f.bin");
  CBufferedFileStream s(&err, path, kStreamModeCreate, 16);
  ASSERT_EQ(err, 0);
  EXPECT_EQ(s.Write("0123456789abcdef", 16, &err), 16);
  EXPECT_EQ(ReadAll(path), "");  // still in the buffer
  EXPECT_EQ(s.GetPosition(), 16);
  EXPECT_EQ(s.GetSize(), 16);
  EXPECT_EQ(s.Write("g", 1, &err), 1);
  EXPECT_EQ(ReadAll(path), "0123456789abcdef");  // the next buffer starts at 16
  EXPECT_TRUE(s.Close(&err));
  EXPECT_EQ(ReadAll(path), "0123456789abcdefg");
  EXPECT_EQ(s.GetFileName(), nullptr);
  EXPECT_TRUE(s.Close(&err));  // closing a closed stream succeeds
}

TEST_F(BufferedStream, WritingInTheMiddleKeepsTheBytesAround) {
  std::string content(100, '\0');
  for (int i = 0; i < 100; ++i) content[i] = static_cast<char>('A' + i % 26);
  WriteAll(P("m.bin"), content);
  for (int32_t b : {16, 8192}) {
    CBufferedFileStream s(&err, P("m.bin"), kStreamModeReadWrite, b);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(s.GetSize(), 100);
    EXPECT_EQ(s.SeekTo(46, &err), 46);  // crosses a buffer boundary at 48 for B = 16
    EXPECT_EQ(s.Write("xyz", 3, &err), 3);
    ASSERT_TRUE(s.Close(&err));
    std::string expected = content;
    expected.replace(46, 3, "xyz");
    EXPECT_EQ(ReadAll(P("m.bin")), expected) << "B = " << b;
    content = expected;
  }
}

TEST_F(BufferedStream, ReadingAtAndAcrossTheEnd) {
  WriteAll(P("r.bin"), "0123456789");
  CBufferedFileStream s(&err, P("r.bin"), kStreamModeRead, 4);
  ASSERT_EQ(err, 0);
  char buf[16];
  EXPECT_EQ(s.Read(buf, 8, &err), 8);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(s.Read(buf, 8, &err), 2);  // crosses the end
  EXPECT_EQ(err, 0x10009);
  EXPECT_EQ(std::string(buf, 2), "89");
  EXPECT_EQ(s.Read(buf, 1, &err), 0);  // at the end
  EXPECT_EQ(err, 0x10009);
  EXPECT_EQ(s.Read(buf, 0, &err), 0);
  EXPECT_EQ(err, 0);
}

TEST_F(BufferedStream, SeekBounds) {
  WriteAll(P("s.bin"), "0123456789");
  CBufferedFileStream s(&err, P("s.bin"), kStreamModeRead, 4);
  const int64_t ten = 10, eleven = 11, minusOne = -1, minusTwo = -2;
  EXPECT_EQ(s.Seek(&ten, kSeekFromStart, &err), 10);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(s.Seek(&eleven, kSeekFromStart, &err), -1);
  EXPECT_EQ(err, 0x1000C);
  EXPECT_EQ(s.GetPosition(), 10);
  EXPECT_EQ(s.Seek(&minusTwo, kSeekFromEnd, &err), 8);
  EXPECT_EQ(s.Seek(&minusOne, kSeekFromCurrent, &err), 7);
  EXPECT_EQ(s.Seek(&minusOne, kSeekFromStart, &err), -1);
  EXPECT_EQ(err, 0x1000C);
  EXPECT_EQ(s.Seek(&ten, 3, &err), -1);
  EXPECT_EQ(s.GetPosition(), 7);
  char c;
  EXPECT_EQ(s.Read(&c, 1, &err), 1);
  EXPECT_EQ(c, '7');
}

TEST_F(BufferedStream, SetSizeBothWays) {
  WriteAll(P("z.bin"), "0123456789");
  CBufferedFileStream s(&err, P("z.bin"), kStreamModeReadWrite, 8);
  ASSERT_EQ(err, 0);
  char buf[32];
  s.SeekTo(9, &err);
  ASSERT_EQ(s.Read(buf, 1, &err), 1);  // buffer [8, 10) in use
  ASSERT_TRUE(s.Resize(13, &err));     // grows inside this buffer
  EXPECT_EQ(s.Read(buf, 3, &err), 3);  // the new bytes read as zeros
  EXPECT_EQ(std::string(buf, 3), std::string(3, '\0'));
  EXPECT_EQ(ReadAll(P("z.bin")).size(), 13u);
  s.SeekTo(2, &err);
  ASSERT_EQ(s.Write("AB", 2, &err), 2);
  s.SeekTo(12, &err);
  ASSERT_TRUE(s.Resize(5, &err));  // position beyond the new end: moved to it
  EXPECT_EQ(s.GetPosition(), 5);
  EXPECT_EQ(s.GetSize(), 5);
  EXPECT_EQ(s.Read(buf, 1, &err), 0);
  EXPECT_EQ(err, 0x10009);
  ASSERT_TRUE(s.Close(&err));
  EXPECT_EQ(ReadAll(P("z.bin")), "01AB4");
  CBufferedFileStream r(&err, P("z.bin"), kStreamModeRead, 8);
  EXPECT_FALSE(r.Resize(-1, &err));
  EXPECT_EQ(err, 0x10012);
}

TEST_F(BufferedStream, DeleteOnDestroyOnlyWithoutClose) {
  {
    CBufferedFileStream s(&err, P("gone.bin"), kStreamModeCreate);
    s.SetDeleteOnDestroy(true);
    s.Write("x", 1, &err);
  }
  EXPECT_FALSE(Exists(P("gone.bin")));
  {
    CBufferedFileStream s(&err, P("kept.bin"), kStreamModeCreate);
    s.SetDeleteOnDestroy(true);
    s.Write("x", 1, &err);
    EXPECT_TRUE(s.Close(&err));
  }
  EXPECT_EQ(ReadAll(P("kept.bin")), "x");
  {
    // A failed open never deletes a file that is someone else's.
    WriteAll(P("ro.bin"), "o");
    ::chmod(P("ro.bin").c_str(), 0444);
    CBufferedFileStream t(&err, P("ro.bin"), kStreamModeCreate);
    t.SetDeleteOnDestroy(true);
    EXPECT_EQ(err, 0x10003);
  }
  EXPECT_EQ(ReadAll(P("ro.bin")), "o");
}

TEST_F(BufferedStream, ReadOnlyStreamRefusesWrites) {
  WriteAll(P("ro.bin"), "abc");
  CBufferedFileStream s(&err, P("ro.bin"), kStreamModeRead);
  EXPECT_EQ(s.Write("x", 1, &err), 0);
  EXPECT_EQ(err, 0x10005);
  EXPECT_TRUE(s.Close(&err));
  EXPECT_EQ(ReadAll(P("ro.bin")), "abc");
}

// Long random runs of Write, Seek, SetSize and Read, each step compared with a
// memory stream doing the same; the file after Close must equal the model.
TEST_F(BufferedStream, BehavesLikeAMemoryStreamStepByStep) {
  for (int32_t b : {16, 8192}) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
      const std::string path = P("model.bin");
      std::mt19937 rng(seed * 7919 + static_cast<uint32_t>(b));
      std::string initial(rng() % (3 * static_cast<uint32_t>(b)), '\0');
      for (char& c : initial) c = static_cast<char>(rng());
      WriteAll(path, initial);
      CBufferedFileStream file(&err, path, kStreamModeReadWrite, b);
      ASSERT_EQ(err, 0);
      CMemoryStream model;
      model.Write(initial.data(), static_cast<int32_t>(initial.size()), &err);
      model.SeekTo(0, &err);
      const auto span = static_cast<uint32_t>(4 * b);
      std::vector<uint8_t> data(span), got(span), want(span);
      for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE("B " + std::to_string(b) + " seed " + std::to_string(seed) + " step " +
                     std::to_string(step));
        int32_t fe = -1, me = -1;
        switch (rng() % 4) {
          case 0: {
            const auto n = static_cast<int32_t>(rng() % span);
            for (int32_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(rng());
            ASSERT_EQ(file.Write(data.data(), n, &fe), model.Write(data.data(), n, &me));
            ASSERT_EQ(fe, 0);
            break;
          }
          case 1: {
            // Within the stream (the file stream refuses targets beyond its end).
            const int64_t target = static_cast<int64_t>(rng() % (static_cast<uint64_t>(model.GetSize()) + 1));
            const int32_t origin = static_cast<int32_t>(rng() % 3);
            const int64_t offset = origin == 0   ? target
                                   : origin == 1 ? target - model.GetPosition()
                                                 : target - model.GetSize();
            ASSERT_EQ(file.Seek(&offset, origin, &fe), model.Seek(&offset, origin, &me));
            ASSERT_EQ(fe, 0);
            break;
          }
          case 2: {
            if (rng() % 3 != 0) break;  // fewer resizes keep the file growing
            const int64_t size = static_cast<int64_t>(rng() % (3 * static_cast<uint64_t>(b)));
            ASSERT_TRUE(file.Resize(size, &fe));
            model.Resize(size, &me);
            break;
          }
          default: {
            const auto n = static_cast<int32_t>(rng() % span);
            const int32_t fn = file.Read(got.data(), n, &fe);
            const int32_t mn = model.Read(want.data(), n, &me);
            ASSERT_EQ(fn, mn);
            ASSERT_EQ(fe, mn < n ? 0x10009 : 0);
            ASSERT_TRUE(std::equal(got.begin(), got.begin() + fn, want.begin()));
          }
        }
        ASSERT_EQ(file.GetPosition(), model.GetPosition());
        ASSERT_EQ(file.GetSize(), model.GetSize());
      }
      ASSERT_TRUE(file.Close(&err));
      const std::string bytes = ReadAll(path);
      ASSERT_EQ(bytes.size(), static_cast<size_t>(model.GetSize()));
      EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), reinterpret_cast<const char*>(model.GetData())));
    }
  }
}

}  // namespace
