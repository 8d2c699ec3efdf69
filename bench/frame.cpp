// One whole game frame as the game screen composes it: a new 240 x 268 back buffer, the
// black fill, the board with its step (Level 5, a 19-segment snake) and the head-up texts.

#include <benchmark/benchmark.h>

#include "game/hud.h"
#include "game/snake_board.h"
#include "platform/gdi.h"
#include "platform/resources.h"
#include "resources/embedded_bitmaps.h"
#include "ui/game_text.h"

namespace {

constexpr int kW = 240;
constexpr int kH = 268;

void Frame(benchmark::State &state) {
  ResourceTable table;
  for (int i = 0; i < kEmbeddedBitmapCount; ++i)
    table.bitmaps.push_back({kEmbeddedBitmaps[i].id, kEmbeddedBitmaps[i].bytes, kEmbeddedBitmaps[i].size});
  HINSTANCE module = CreateModule(&table);

  GameSettings settings;
  SnakeBoard board(&settings);
  board.LoadSprites(module);
  board.boardRect = RECT{0, 20, kW, kH};
  board.level = 4;
  board.Reset();
  // Ten cells along row 2, then nine down column 3: both clear of the hedge. The snake keeps
  // going right along row 2 and wraps around.
  board.length = 19;
  for (int i = 0; i < 10; ++i) {
    board.bodyX[i] = 12 - i;
    board.bodyY[i] = 2;
  }
  for (int i = 10; i < 19; ++i) {
    board.bodyX[i] = 3;
    board.bodyY[i] = 3 + (i - 10);
  }
  board.Start();

  float elapsed = 0.0f;
  float starve = 8.0f;
  for (auto _ : state) {
    HDC screen = CreateCompatibleDC(nullptr);
    HBITMAP backBuffer = CreateBitmap(kW, kH, 1, 16, nullptr);
    HBITMAP original = SelectObject(screen, backBuffer);
    FillBlack(screen, kW, kH);
    const StepResult result = board.DrawFrame(screen, 0, 0, true);
    elapsed += 0.2f;
    DrawHud(screen, kW, 20, 7, elapsed, 4, &starve);
    SelectObject(screen, original);
    DeleteDC(screen);
    DeleteObject(backBuffer);
    benchmark::DoNotOptimize(result);
  }

  board.LoadSprites(nullptr);
  DestroyModule(module);
}
BENCHMARK(Frame)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
