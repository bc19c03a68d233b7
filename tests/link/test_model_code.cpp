#include "link/LinkView.h"

#include <gtest/gtest.h>

TEST(modelCode, LittleEndianFirstFourBytesInUpperCaseHex) {
  const uchar a[8] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  const uchar b[8] = {0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0};
  const uchar c[8] = {0x0A, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  const uchar d[8] = {0xFF, 0xFE, 0xAB, 0xCD, 0, 0, 0, 0};
  EXPECT_EQ(modelCodeOf(a), "04030201");
  EXPECT_EQ(modelCodeOf(b), "12345678");
  EXPECT_EQ(modelCodeOf(c), "0000000A"); // leading zeros kept
  EXPECT_EQ(modelCodeOf(d), "CDABFEFF"); // no sign from the top byte
}
