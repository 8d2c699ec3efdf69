// Start-up and tear-down of the whole program on the headless screen.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/power_desktop.h"
#include "app/power_keeping.h"
#include "app/startup.h"
#include "platform/backend.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "resources/vexmoor_resources.h"
#include "support/game_harness.h"

namespace {

// Records the power calls, so their place in the program's life can be checked.
class RecordingPower : public PowerPlatform {
public:
  std::vector<std::string> log;
  bool OpenKey(const char16_t *, RegistryKey *key) override {
    log.push_back("open");
    *key = RegistryKey(1);
    return true;
  }
  bool QueryDword(RegistryKey, const char16_t *, std::uint32_t *) override { return false; }
  bool SetDword(RegistryKey, const char16_t *, std::uint32_t value) override {
    log.push_back("set " + std::to_string(value));
    return true;
  }
  void CloseKey(RegistryKey) override {}
  PowerRequirement SetPowerRequirement(const char16_t *, int, std::uint32_t) override {
    log.push_back("require");
    return PowerRequirement(1);
  }
  void ReleasePowerRequirement(PowerRequirement) override { log.push_back("release"); }
  NamedEvent OpenEvent(const char16_t *) override { return NamedEvent(0); }
  void SetEvent(NamedEvent) override {}
  void CloseEvent(NamedEvent) override {}
};

std::intptr_t OtherInstanceProc(HWND w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) {
  return DefWindowProcW(w, m, wp, lp);
}

TEST(Startup, PowerIsKeptAroundTheWholeRunAndTheResultsAreSavedAtClose) {
  GameHarness h;
  RecordingPower power;
  SetPowerPlatform(power);
  bool keptWhileRunning = false;
  h.At(50, [&] { keptWhileRunning = power.log.size() == 5 && power.log.back() == "require"; });
  EXPECT_EQ(h.Run(100), 0);
  SetPowerPlatform(DesktopPowerPlatform());
  EXPECT_TRUE(keptWhileRunning);
  EXPECT_EQ(power.log, (std::vector<std::string>{"open", "set 0", "set 0", "set 0", "require", "open", "set 120",
                                                 "set 180", "set 240", "release"}));
  EXPECT_EQ(g_app.padControl, 1); // no camera: the pad steers
  struct stat st {};
  EXPECT_EQ(stat(h.resultsFile.c_str(), &st), 0);
}

TEST(Startup, ASecondStartRaisesTheFirstAndEndsWithPowerSwitchedOffAgain) {
  GameHarness h;
  RecordingPower power;
  SetPowerPlatform(power);
  WNDCLASSW wc;
  wc.lpfnWndProc = OtherInstanceProc;
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
  EXPECT_EQ(power.log.front(), "open");
  EXPECT_EQ(power.log.back(), "release");
  EXPECT_EQ(g_app.scores, nullptr); // nothing was started
}

// A splash whose hidden rows are red and blue and whose shown rows are green.
std::vector<unsigned char> StripedSplash() {
  const int w = 240, h = 320, row = w * 3;
  std::vector<unsigned char> bmp(54 + std::size_t(row) * h);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      bmp[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
  };
  bmp[0] = 'B', bmp[1] = 'M';
  put32(2, std::uint32_t(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  bmp[26] = 1, bmp[28] = 24;
  for (int y = 0; y < h; ++y) {   // file rows run bottom-up
    int top = h - 1 - y;          // row counted from the top of the picture
    unsigned char b = 0, g = 0, r = 0;
    if (top < 24)
      r = 255;
    else if (top >= h - 24)
      b = 255;
    else
      g = 255;
    for (int x = 0; x < w; ++x) {
      std::size_t at = 54 + std::size_t(y) * row + std::size_t(x) * 3;
      bmp[at] = b, bmp[at + 1] = g, bmp[at + 2] = r;
    }
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
  h.Key(0, VK_RETURN);
  SetStartupFiles(h.settingsFile, h.resultsFile);
  HINSTANCE instance = CreateModule(&table);
  EXPECT_EQ(VexmoorEntry(instance, SW_SHOW), 0);
  DestroyModule(instance);
  EXPECT_EQ(other, 0);
  EXPECT_EQ(green, 240 * 268);
}

} // namespace
