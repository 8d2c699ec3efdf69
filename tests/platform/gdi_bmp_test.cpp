// BMP decoding against files built byte by byte, and bitmap resources loaded through a module.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/resources.h"

namespace {

void Put16(std::vector<unsigned char> &b, std::size_t at, std::uint32_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = (v >> 8) & 0xFF;
}
void Put32(std::vector<unsigned char> &b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// A BMP whose pixel (x, y), counted from the top, is (red 8x, green 8y, blue 200).
std::vector<unsigned char> MakeBmp(int width, int height, int bitCount, bool topDown,
                                   std::uint32_t compression = 0) {
  const int stride = (width * bitCount + 31) / 32 * 4;
  const int masks = compression == 3 ? 12 : 0;
  const int offset = 14 + 40 + masks;
  std::vector<unsigned char> b(std::size_t(offset + stride * height), 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, std::uint32_t(b.size()));
  Put32(b, 10, std::uint32_t(offset));
  Put32(b, 14, 40);
  Put32(b, 18, std::uint32_t(width));
  Put32(b, 22, std::uint32_t(topDown ? -height : height));
  Put16(b, 26, 1);
  Put16(b, 28, std::uint32_t(bitCount));
  Put32(b, 30, compression);
  if (masks) {
    Put32(b, 54, 0x00FF0000);
    Put32(b, 58, 0x0000FF00);
    Put32(b, 62, 0x000000FF);
  }
  for (int y = 0; y < height; ++y) {
    int fileRow = topDown ? y : height - 1 - y;
    unsigned char *p = b.data() + offset + fileRow * stride;
    for (int x = 0; x < width; ++x, p += bitCount / 8) {
      p[0] = 200;
      p[1] = std::uint8_t(8 * y);
      p[2] = std::uint8_t(8 * x);
    }
  }
  return b;
}

void ExpectPicture(const Surface &s, int width, int height) {
  ASSERT_EQ(s.width, width);
  ASSERT_EQ(s.height, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(s.Row(y)[x], ToRgb565(RGB(std::uint8_t(8 * x), std::uint8_t(8 * y), 200))) << x << "," << y;
}

TEST(Bmp, DecodesBothRowOrdersAndBothDepths) {
  // Width 3 at 24 bits leaves three bytes of padding per row.
  for (int bits : {24, 32})
    for (bool topDown : {false, true}) {
      std::vector<unsigned char> file = MakeBmp(3, 5, bits, topDown);
      Surface s;
      ASSERT_TRUE(DecodeBmp(file.data(), unsigned(file.size()), &s)) << bits << " " << topDown;
      ExpectPicture(s, 3, 5);
    }
  std::vector<unsigned char> fields = MakeBmp(4, 2, 32, false, 3);
  Surface s;
  ASSERT_TRUE(DecodeBmp(fields.data(), unsigned(fields.size()), &s));
  ExpectPicture(s, 4, 2);
}

TEST(Bmp, RefusesTruncatedOddAndAbsurdFiles) {
  const std::vector<unsigned char> good = MakeBmp(5, 4, 24, false);
  Surface s(1, 1);
  // Every prefix that cuts into the pixels fails (and, under the address checker, reads nothing
  // beyond itself). The last row's one byte of padding may be missing.
  for (std::size_t n = 0; n < good.size() - 1; ++n) {
    std::vector<unsigned char> cut(good.begin(), good.begin() + long(n));
    EXPECT_FALSE(DecodeBmp(cut.data(), unsigned(n), &s)) << n;
  }
  EXPECT_EQ(s.width, 1); // a failed decode leaves the output alone

  auto with = [&](std::size_t at, std::uint32_t value, bool wide) {
    std::vector<unsigned char> b = good;
    (wide ? Put32 : Put16)(b, at, value);
    return b;
  };
  const std::vector<std::vector<unsigned char>> bad = {
      with(0, 'X' | 'M' << 8, false), // not a BMP
      with(28, 8, false),             // palette images
      with(28, 16, false),            // 16 bits
      with(30, 1, true),              // run-length compressed
      with(18, 0, true),              // no width
      with(18, 0x7FFFFFFF, true),     // absurd width
      with(22, 0x80000000u, true),    // the most negative height
      with(10, 0xFFFFFFF0u, true),    // pixels far beyond the end
      with(10, 20, true),             // pixels inside the header
      with(14, 0xFFFFFFFFu, true),    // header larger than the file
      with(14, 30, true),             // header of no known size
  };
  for (std::size_t i = 0; i < bad.size(); ++i)
    EXPECT_FALSE(DecodeBmp(bad[i].data(), unsigned(bad[i].size()), &s)) << i;
  EXPECT_FALSE(DecodeBmp(nullptr, 100, &s));
  EXPECT_FALSE(DecodeBmp(good.data(), unsigned(good.size()), nullptr));
}

// The program's own sprites load this way in every golden picture; here, what fails to load.
TEST(Bmp, LoadBitmapFindsTheModulesResourceAndNothingElse) {
  std::vector<unsigned char> file = MakeBmp(6, 3, 24, false);
  ResourceTable table;
  table.bitmaps.push_back(BitmapResource{155, file.data(), unsigned(file.size())});
  table.bitmaps.push_back(BitmapResource{156, file.data(), 20}); // broken
  HINSTANCE module = CreateModule(&table);
  HBITMAP bitmap = LoadBitmapW(module, 155);
  ASSERT_NE(bitmap, nullptr);
  ExpectPicture(*BitmapSurface(bitmap), 6, 3);
  EXPECT_EQ(LoadBitmapW(module, 156), nullptr);
  EXPECT_EQ(LoadBitmapW(module, 999), nullptr);
  EXPECT_EQ(LoadBitmapW(nullptr, 155), nullptr);
  DeleteObject(bitmap);
  DestroyModule(module);
}

} // namespace
