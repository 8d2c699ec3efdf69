// Start-up and tear-down of the whole program on the headless screen.

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "app/fake_power.h"
#include "app/power_desktop.h"
#include "app/power_keeping.h"
#include "app/startup.h"
#include "platform/backend.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "resources/vexmoor_resources.h"
#include "state/app_state.h"
#include "support/game_harness.h"

namespace {

TEST(Startup, PowerIsKeptAroundTheWholeRun) {
  GameHarness h;
  FakePowerPlatform power;
  SetPowerPlatform(power);
  bool keptWhileRunning = false;
  h.At(50, [&] {
    keptWhileRunning = power.atEvent == std::vector<Timeouts>{{0, 0, 0}} && power.held.size() == 1;
  });
  EXPECT_EQ(h.Run(100), 0);
  SetPowerPlatform(DesktopPowerPlatform());
  EXPECT_TRUE(keptWhileRunning);
  EXPECT_EQ(power.atEvent, (std::vector<Timeouts>{{0, 0, 0}, {120, 180, 240}}));
  EXPECT_TRUE(power.held.empty());
  EXPECT_EQ(g_app.padControl, 1); // no camera: the pad steers
}

TEST(Startup, ASecondStartRaisesTheFirstAndEndsWithPowerSwitchedOffAgain) {
  GameHarness h;
  FakePowerPlatform power;
  SetPowerPlatform(power);
  WNDCLASSW wc;
  wc.lpfnWndProc = DefWindowProcW; // the first instance
  wc.lpszClassName = u"VEXMOOR";
  ASSERT_TRUE(RegisterClassW(&wc));
  HWND first = CreateWindowExW(0, u"VEXMOOR", u"Vex Moor", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(first);
  SetStartupFiles(h.settingsFile, h.resultsFile);
  HINSTANCE instance = CreateModule(&VexmoorResources());
  EXPECT_EQ(VexmoorEntry(instance, SW_SHOW), 0);
  DestroyModule(instance);
  SetPowerPlatform(DesktopPowerPlatform());
  EXPECT_EQ(h.screen->raiseCount, 1);
  EXPECT_EQ(power.atEvent, (std::vector<Timeouts>{{0, 0, 0}, {120, 180, 240}}));
  EXPECT_TRUE(power.held.empty());
  EXPECT_EQ(g_app.scores, nullptr); // nothing was started
}

// A splash whose hidden rows are red and blue and whose shown rows are green.
std::vector<unsigned char> StripedSplash() {
  const std::uint32_t w = 240, h = 320;
  const std::pair<unsigned, std::uint32_t> fields[] = {
      {2, 54 + w * h * 3}, {10, 54}, {14, 40}, {18, w}, {22, h}, {26, 1 | 24 << 16}};
  std::vector<unsigned char> bmp{'B', 'M'};
  bmp.resize(54);
  for (auto [at, v] : fields)
    for (unsigned i = 0; i < 4; ++i)
      bmp[at + i] = std::uint8_t(v >> (8 * i));
  for (std::uint32_t top = h; top-- > 0;) { // file rows run bottom-up
    const std::uint8_t red = top < 24 ? 255 : 0, blue = top >= h - 24 ? 255 : 0, green = 255 - red - blue;
    for (std::uint32_t x = 0; x < w; ++x)
      bmp.insert(bmp.end(), {blue, green, red});
  }
  return bmp;
}

TEST(Startup, TheSplashFillsTheWindowWithoutItsTopAndBottomRows) {
  GameHarness h;
  std::vector<unsigned char> splash = StripedSplash();
  ResourceTable table = VexmoorResources();
  for (BitmapResource &b : table.bitmaps)
    if (b.id == IDB_SPLASH)
      b = BitmapResource{IDB_SPLASH, splash.data(), unsigned(splash.size())};
  int green = 0, other = 0;
  h.At(50, [&] {
    for (int y = kTitleStripHeight; y < 320 - kSoftKeyBarHeight; ++y)
      for (int x = 0; x < 240; ++x)
        (ScreenPixel(x, y) == 0x00FC00 ? green : other)++;
  });
  InputEvent close;
  close.kind = InputEvent::Kind::CloseRequest;
  h.screen->QueueEvent(100, close);
  SetStartupFiles(h.settingsFile, h.resultsFile);
  HINSTANCE instance = CreateModule(&table);
  EXPECT_EQ(VexmoorEntry(instance, SW_SHOW), 0);
  DestroyModule(instance);
  EXPECT_EQ(other, 0);
  EXPECT_EQ(green, 240 * 268);
}

} // namespace
