// One game frame's worth of drawing: black fill, grass pattern over the board, the hedge,
// twenty stretched sprites, three texts with fonts made for the frame, and the copy to the window.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"

namespace {

HBITMAP Sprite(int size, std::uint16_t ink) {
  std::vector<std::uint16_t> bits(std::size_t(size) * size, 0xFFFF);
  for (int y = size / 4; y < size - size / 4; ++y)
    for (int x = size / 4; x < size - size / 4; ++x)
      bits[std::size_t(y) * size + x] = std::uint16_t(ink + x);
  return CreateBitmap(size, size, 1, 16, bits.data());
}

void DrawSprite(HDC dc, HBITMAP sprite, int x, int y, int w, int h, int size) {
  HDC temp = CreateCompatibleDC(dc);
  SelectObject(temp, sprite);
  TransparentImage(dc, x, y, w, h, temp, 0, 0, size, size, RGB(255, 255, 255));
  DeleteDC(temp);
}

void Text(HDC dc, const char16_t *text, int x, int y, int height) {
  LOGFONTW lf;
  lf.lfHeight = height;
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::memcpy(lf.lfFaceName, u"Times New Roman", sizeof(u"Times New Roman"));
  HFONT font = CreateFontIndirectW(&lf);
  HFONT old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(250, 250, 150));
  ExtTextOutW(dc, x, y, 0, nullptr, text, std::char_traits<char16_t>::length(text), nullptr);
  SelectObject(dc, old);
  DeleteObject(font);
}

void BM_GameFrame(benchmark::State &state) {
  const int W = 240, H = 268, hud = 20, cell = 12;
  HBITMAP grass = Sprite(16, 0x0400), hedge = Sprite(110, 0x0300), piece = Sprite(16, 0xF800);
  Surface window(W, H);
  HDC windowDC = CreateSurfaceDC(&window);
  int frame = 0;
  for (auto _ : state) {
    HBITMAP back = CreateBitmap(W, H, 1, 16, nullptr);
    HDC dc = CreateCompatibleDC(windowDC);
    HBITMAP oldBitmap = SelectObject(dc, back);
    HBRUSH oldBrush = SelectObject(dc, (HBRUSH)GetStockObject(BLACK_BRUSH));
    Rectangle(dc, 0, 0, W, H);
    HBRUSH pattern = CreatePatternBrush(grass);
    SelectObject(dc, pattern);
    Rectangle(dc, 0, hud, W, H);
    DrawSprite(dc, hedge, 5 * cell, hud + 5 * cell, 10 * cell, 10 * cell, 110);
    for (int i = 0; i < 20; ++i)
      DrawSprite(dc, piece, (3 + i) % 20 * cell, hud + 7 * cell, cell, cell, 16);
    SelectObject(dc, oldBrush);
    DeleteObject(pattern);
    Text(dc, u"17", W - 18, 1, hud - 1);
    // The clock text is new on every frame, as in a game.
    std::u16string time = u"Time: ";
    for (char c : std::to_string(frame++))
      time.push_back(char16_t(c));
    Text(dc, time.c_str(), 1, 1, hud - 1);
    Text(dc, u"Starve:4.2", W / 2 - 20, 1, hud - 1);
    BitBlt(windowDC, 0, 0, W, H, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(back);
  }
  DeleteDC(windowDC);
  DeleteObject(grass);
  DeleteObject(hedge);
  DeleteObject(piece);
}
BENCHMARK(BM_GameFrame)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
