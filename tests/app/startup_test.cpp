// A second start of the whole program on the headless screen, with a power platform of its own.

#include <gtest/gtest.h>

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

} // namespace
