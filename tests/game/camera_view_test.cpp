// The camera view on the headless screen, fed pictures and figures of the test's own.

#include <gtest/gtest.h>

#include "game/camera_view.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "support/game_harness.h"

namespace {

// What the fake feed hands the view, and what the view asked of it.
CameraPicture g_shown;
bool g_cameraThere = true;
int g_watching = 0; // +1 for each start, -1 for each stop

void FakeWatch(bool on) { g_watching += on ? 1 : -1; }

bool FakeTake(CameraPicture *picture) {
  if (g_cameraThere)
    *picture = g_shown;
  return g_cameraThere;
}

// The dialog area starts below the 26-pixel title strip. A 160 x 120 picture fills the
// view's width, 1.5 times larger: its centre is at (120, 26 + 5 + 90).
constexpr int kCentreX = 120, kCentreY = 121;

bool Green(std::uint32_t p) { return (p >> 8 & 255) > 180 && (p >> 16) < 100 && (p & 255) < 100; }
bool Red(std::uint32_t p) { return (p >> 16) > 200 && (p >> 8 & 255) < 100 && (p & 255) < 100; }
bool Orange(std::uint32_t p) { return (p >> 16) > 200 && (p >> 8 & 255) > 120 && (p >> 8 & 255) < 200; }

// Pixels of a kind on the verdict line, below the picture.
int VerdictPixels(bool (*kind)(std::uint32_t)) {
  int n = 0;
  for (int y = 218; y < 234; ++y)
    for (int x = 0; x < 160; ++x)
      n += kind(ScreenPixel(x, y));
  return n;
}

TEST(CameraView, ShowsThePictureReportsAndVerdictAndStopsWatchingWhenClosed) {
  g_shown = CameraPicture{};
  g_shown.width = 160, g_shown.height = 120, g_shown.blockSize = 4;
  g_shown.pixels.assign(160 * 120, 0x001F); // blue
  g_shown.verdict = CameraPicture::Verdict::GoodBackground;
  g_shown.block = {true, true, 40.0f, 2.0f, 3.0f, 2.0f};
  g_shown.reports = {{8, 0, true}, {0, 0, false}}; // right, then a rejected frame
  g_cameraThere = true;
  g_watching = 0;

  GameHarness h;
  h.OpenGameScreen(10);
  h.At(15, [] { SetCameraViewFeed({FakeWatch, FakeTake}); });
  h.Command(20, IDM_CAMERA_VIEW);
  h.At(200, [] {
    EXPECT_EQ(g_watching, 1);
    EXPECT_TRUE(Green(ScreenPixel(kCentreX + 40, kCentreY)))
        << std::hex << ScreenPixel(kCentreX + 40, kCentreY);
    EXPECT_TRUE(Red(ScreenPixel(kCentreX + 3, kCentreY - 3))); // the rejected frame's cross
    EXPECT_FALSE(Green(ScreenPixel(kCentreX - 40, kCentreY)));
    EXPECT_EQ(ScreenPixel(20, 40), 0x0000F8u); // the picture, in colour
    EXPECT_GT(VerdictPixels(Green), 30);
    g_shown.verdict = CameraPicture::Verdict::TooDark;
  });
  h.At(300, [] {
    EXPECT_GT(VerdictPixels(Red), 30);
    EXPECT_EQ(VerdictPixels(Green), 0);
    g_shown.verdict = CameraPicture::Verdict::Flicker;
  });
  h.At(400, [] { EXPECT_GT(VerdictPixels(Orange), 30); });
  h.Key(410, VK_F2); // "View"
  h.Key(420, '2');   // "Grey"
  h.At(500, [] {
    const std::uint32_t p = ScreenPixel(20, 40);
    EXPECT_TRUE((p >> 16) == (p & 255) && (p & 255) > 0) << std::hex << p; // blue's intensity, grey
    g_cameraThere = false;
  });
  h.At(600, [] { EXPECT_GT(VerdictPixels(Red), 30); }); // "No camera"
  h.Key(610, VK_ESCAPE);
  h.At(700, [] { EXPECT_EQ(g_watching, 0); });
  EXPECT_EQ(h.Run(800), 0);
}

} // namespace
