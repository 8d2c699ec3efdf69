#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "game/hud.h"
#include "platform/gdi.h"
#include "platform/gdi_internal.h"

namespace {

TEST(FormatDecimal, TruncatesRatherThanRounds) {
  EXPECT_EQ(FormatDecimal(12.37, 1), u"12.3");
  EXPECT_EQ(FormatDecimal(3.0, 1), u"3.0");
  EXPECT_EQ(FormatDecimal(0.0, 1), u"0.0");
  EXPECT_EQ(FormatDecimal(8.0f, 1), u"8.0");
  EXPECT_EQ(FormatDecimal(0.99, 1), u"0.9");
  EXPECT_EQ(FormatDecimal(7.9, 0), u"7");
  EXPECT_EQ(FormatDecimal(1234567.0, 0), u"1234567");
  // Fractions keep their leading zeros.
  EXPECT_EQ(FormatDecimal(3.0625, 2), u"3.06");
  EXPECT_EQ(FormatDecimal(3.25, 2), u"3.25");
}

TEST(FormatDecimal, OddValuesGiveSoundText) {
  EXPECT_EQ(FormatDecimal(-1.5, 1), u"-1.5");
  EXPECT_EQ(FormatDecimal(-0.04, 1), u"0.0");
  EXPECT_EQ(FormatDecimal(std::nan(""), 1), u"0.0");
  EXPECT_EQ(FormatDecimal(1e300, 1).substr(0, 4), u"1000");
  EXPECT_EQ(FormatDecimal(2.5, -3), u"2");
  EXPECT_EQ(FormatDecimal(0.5, 40), u"0.500000000");
}

class HudTest : public ::testing::Test {
protected:
  static constexpr int kW = 240, kH = 268;
  HBITMAP actual = nullptr, expected = nullptr;
  HDC actualDc = nullptr, expectedDc = nullptr;

  void SetUp() override {
    actual = CreateBitmap(kW, kH, 1, 16, nullptr);
    expected = CreateBitmap(kW, kH, 1, 16, nullptr);
    actualDc = CreateCompatibleDC(nullptr);
    expectedDc = CreateCompatibleDC(nullptr);
    SelectObject(actualDc, actual);
    SelectObject(expectedDc, expected);
  }
  void TearDown() override {
    DeleteDC(actualDc);
    DeleteDC(expectedDc);
    DeleteObject(actual);
    DeleteObject(expected);
  }

  // Writes text the plain way into the expected frame.
  void Expect(int x, int y, int height, const std::u16string &text) {
    LOGFONTW font;
    font.lfHeight = height;
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    std::u16string face = u"Times New Roman";
    face.copy(font.lfFaceName, face.size());
    HFONT made = CreateFontIndirectW(&font);
    HFONT old = SelectObject(expectedDc, made);
    SetBkMode(expectedDc, TRANSPARENT);
    SetTextColor(expectedDc, 0x96FAFA);
    ExtTextOutW(expectedDc, x, y, 0, nullptr, text.c_str(), std::uint32_t(text.size()), nullptr);
    SelectObject(expectedDc, old);
    DeleteObject(made);
  }

  // Compares the two frames over columns [x0, x1) of rows [y0, y1); also checks that
  // something was drawn there at all.
  void Compare(int x0, int x1, int y0, int y1) {
    int lit = 0, differing = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        const std::uint16_t a = BitmapSurface(actual)->Row(y)[x];
        lit += BitmapSurface(expected)->Row(y)[x] != 0;
        differing += a != BitmapSurface(expected)->Row(y)[x];
      }
    }
    EXPECT_GT(lit, 10) << "nothing drawn in " << x0 << ".." << x1;
    EXPECT_EQ(differing, 0) << "in " << x0 << ".." << x1;
  }

  bool Blank(int x0, int x1, int y0, int y1) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (BitmapSurface(actual)->Row(y)[x] != 0)
          return false;
    return true;
  }
};

TEST_F(HudTest, ScoreEndsAtTheRightEdgeAndTimeStartsAtTheLeft) {
  float starve = 5.0f;
  DrawHud(actualDc, kW, 20, 7, 12.37f, 2, &starve);
  Expect(kW - 10, 1, 19, u"7");
  Expect(1, 1, 19, u"Time: 12.3");
  Compare(200, kW, 0, 20);
  Compare(0, 100, 0, 20);
  EXPECT_TRUE(Blank(100, 200, 0, 20)); // no countdown below Level 4
  EXPECT_TRUE(Blank(0, kW, 20, kH));
  EXPECT_EQ(starve, 5.0f);
}

TEST_F(HudTest, TwoDigitScoreMovesLeftByOneCharacter) {
  float starve = 0.0f;
  DrawHud(actualDc, kW, 20, 12, 0.0f, 0, &starve);
  Expect(kW - 18, 1, 19, u"12");
  Compare(200, kW, 0, 20);
}

TEST_F(HudTest, NegativeCountdownIsShownAndStoredAsZero) {
  float starve = -0.4f;
  DrawHud(actualDc, kW, 20, 0, 0.0f, 3, &starve);
  EXPECT_EQ(starve, 0.0f);
  Expect(kW / 2 - 20, 1, 19, u"Starve:0.0");
  Compare(100, 200, 0, 20);

  starve = 6.25f;
  DrawHud(actualDc, kW, 20, 0, 0.0f, 4, &starve);
  EXPECT_EQ(starve, 6.25f);
}

TEST_F(HudTest, GameOverSitsInTheMiddle) {
  DrawGameOver(actualDc, kW, kH);
  Expect((kW - 100) / 2, kH / 2 - 13, 26, u"Game Over");
  Compare(0, kW, 0, kH);
}

TEST_F(HudTest, GameFontIsSelectedAndReleased) {
  HFONT previous = nullptr;
  HFONT font = SelectGameFont(actualDc, 19, 0, FW_BOLD, true, u"A face name far longer than thirty-two units",
                              &previous);
  ASSERT_NE(font, nullptr);
  LOGFONTW made;
  ASSERT_EQ(GetObjectW(font, int(sizeof made), &made), int(sizeof made));
  EXPECT_EQ(made.lfHeight, 19);
  EXPECT_EQ(made.lfWeight, FW_BOLD);
  EXPECT_EQ(made.lfItalic, 1);
  EXPECT_EQ(made.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(std::u16string(made.lfFaceName), u"A face name far longer than thi");
  EXPECT_EQ(SetBkMode(actualDc, OPAQUE), TRANSPARENT);
  ReleaseGameFont(actualDc, font, previous);
  EXPECT_EQ(GetObjectW(font, int(sizeof made), &made), 0); // deleted
}

} // namespace
