#include <gtest/gtest.h>

#include "vmlib/streams.h"

namespace {

TEST(MemoryStream, GrowsByTheLibraryRule) {
  CMemoryStream s;
  int32_t err = -1;
  std::vector<int64_t> capacities;
  for (int i = 0; i < 5121; ++i) {
    const int64_t before = s.GetCapacity();
    ASSERT_EQ(s.Write("x", 1, &err), 1);
    if (s.GetCapacity() != before) capacities.push_back(s.GetCapacity());
  }
  EXPECT_EQ(capacities, (std::vector<int64_t>{1024, 2048, 3072, 4096, 5120, 6400}));
  EXPECT_EQ(s.GetSize(), 5121);
  CMemoryStream big;
  std::vector<char> block(10000, 'b');
  EXPECT_EQ(big.Write(block.data(), 10000, &err), 10000);
  EXPECT_EQ(big.GetCapacity(), 10000);  // what the write needs, more than +1024
}

TEST(MemoryStream, ReadSeekAndSetSize) {
  CMemoryStream s(16);
  int32_t err = -1;
  EXPECT_EQ(s.GetCapacity(), 16);
  EXPECT_EQ(s.GetSize(), 0);
  s.Write("abcdef", 6, &err);
  char buf[8];
  const int64_t two = 2, minusOne = -1, ten = 10;
  EXPECT_EQ(s.Seek(&two, kSeekFromStart, &err), 2);
  EXPECT_EQ(s.Read(buf, 8, &err), 4);  // never fails
  EXPECT_EQ(err, 0);
  EXPECT_EQ(std::string(buf, 4), "cdef");
  EXPECT_EQ(s.Read(buf, 8, &err), 0);
  EXPECT_EQ(s.Seek(&minusOne, kSeekFromEnd, &err), 5);
  EXPECT_EQ(s.Seek(&ten, kSeekFromCurrent, &err), 15);  // beyond the end is allowed
  EXPECT_EQ(s.Read(buf, 1, &err), 0);
  EXPECT_EQ(s.Write("z", 1, &err), 1);  // the gap reads as zeros
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.GetData()), 16),
            std::string("abcdef") + std::string(9, '\0') + "z");
  EXPECT_EQ(s.Seek(&minusOne, kSeekFromStart, &err), -1);
  EXPECT_EQ(err, 0x1000C);
  EXPECT_EQ(s.GetPosition(), 16);
  ASSERT_TRUE(s.Resize(3, &err));
  EXPECT_EQ(s.GetCapacity(), 3);
  EXPECT_EQ(s.GetPosition(), 3);
  ASSERT_TRUE(s.Resize(5, &err));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.GetData()), 5), std::string("abc\0\0", 5));
  ASSERT_TRUE(s.Resize(0, &err));
  EXPECT_EQ(s.GetData(), nullptr);
  EXPECT_FALSE(s.Resize(-1, &err));
}

TEST(MemoryViewStream, ReadsTheCallersBlockAndNeverWrites) {
  const char block[] = "view";
  CMemoryViewStream s(block, 4);
  int32_t err = -1;
  char buf[8];
  EXPECT_EQ(s.Read(buf, 8, &err), 4);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(s.Write("x", 1, &err), 0);
  EXPECT_EQ(err, 0);
  EXPECT_FALSE(s.Resize(2, &err));
  EXPECT_EQ(err, 0x10012);
  EXPECT_EQ(s.GetSize(), 4);
  EXPECT_EQ(s.SeekTo(1, &err), 1);
  EXPECT_EQ(s.Read(buf, 2, &err), 2);
  EXPECT_EQ(std::string(buf, 2), "ie");
  // Every class is used through the abstract interface by the formats.
  CStream* base = &s;
  EXPECT_EQ(base->GetPosition(), 3);
  EXPECT_EQ(base->GetRemaining(), 1);
}

}  // namespace
