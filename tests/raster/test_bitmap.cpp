// Memory and system bitmaps: alignment, storage rules, resizing.
#include "lice_bitmap.h"
#include "lice_sysbitmap.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(MemBitmap, RowSpanFollowsTheAlignment) {
  struct Case {
    unsigned align;
    int width, span;
  };
  const Case cases[] = {{0, 5, 5}, {1, 5, 5},  {4, 5, 8},  {4, 8, 8},
                        {2, 5, 6}, {12, 5, 8}, {64, 5, 16}};
  for (const Case& c : cases) {
    LICE_MemBitmap bm(c.width, 3, c.align);
    EXPECT_EQ(bm.getRowSpan(), c.span) << "alignment " << c.align;
    EXPECT_EQ((uintptr_t)bm.getBits() % 64, 0u);
  }
}

TEST(MemBitmap, ResizeRules) {
  LICE_MemBitmap bm(10, 10); // 10 x 12 span x 4 = 480 bytes, allocated exactly
  EXPECT_EQ(bm.getAllocatedBytes(), 480);
  EXPECT_FALSE(bm.resize(10, 10));

  LICE_pixel* bits = bm.getBits();
  EXPECT_TRUE(bm.resize(4, 4)); // shrinking keeps the storage
  EXPECT_EQ(bm.getBits(), bits);
  EXPECT_EQ(bm.getAllocatedBytes(), 480);
  EXPECT_EQ(bm.getWidth(), 4);

  EXPECT_TRUE(bm.resize(20, 10)); // 800 needed: grows to 5/4 of it
  EXPECT_EQ(bm.getAllocatedBytes(), 1000);
  EXPECT_TRUE(bm.resize(21, 10)); // 960 still fits
  EXPECT_EQ(bm.getAllocatedBytes(), 1000);

  EXPECT_TRUE(bm.resize(0, 7)); // nothing to hold: storage freed
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getAllocatedBytes(), 0);
  EXPECT_EQ(bm.getWidth(), 0);
  EXPECT_EQ(bm.getHeight(), 0);

  EXPECT_TRUE(bm.resize(3, 2)); // fresh storage is exact
  EXPECT_EQ(bm.getAllocatedBytes(), 32);
}

TEST(MemBitmap, SizesBeyondAnIntOfBytesLeaveItEmpty) {
  LICE_MemBitmap bm(4, 4);
  EXPECT_TRUE(bm.resize(0x7fffffff, 0x7fffffff));
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getWidth(), 0);
  EXPECT_TRUE(bm.resize(40000, 40000));
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_TRUE(bm.resize(-3, 5));
  EXPECT_EQ(bm.getBits(), nullptr);
}

TEST(SysBitmap, AllocationAndReuse) {
  LICE_SysBitmap bm(10, 6);
  ASSERT_NE(bm.getBits(), nullptr);
  EXPECT_NE(bm.getDrawingContext(), nullptr);
  EXPECT_EQ(bm.getRowSpan(), 12);
  EXPECT_EQ(bm.getBits()[0], 0u); // starts cleared
  EXPECT_FALSE(bm.resize(10, 6));

  LICE_pixel* bits = bm.getBits();
  EXPECT_TRUE(bm.resize(12, 3)); // fits the allocation: only the size changes
  EXPECT_EQ(bm.getBits(), bits);
  EXPECT_EQ(bm.getRowSpan(), 12);

  EXPECT_TRUE(bm.resize(13, 3)); // wider than allocated: new storage
  EXPECT_EQ(bm.getRowSpan(), 16);
  EXPECT_EQ(bm.getWidth(), 13);

  EXPECT_TRUE(bm.resize(0, 3));
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getWidth(), 0);
  EXPECT_TRUE(bm.resize(0x7ffffffd, 1));
  EXPECT_EQ(bm.getBits(), nullptr);
}

} // namespace
