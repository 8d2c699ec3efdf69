#include "app/power_keeping.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/power_desktop.h"
#include "app/startup.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "resources/vexmoor_resources.h"
#include "state/app_state.h"
#include "support/game_harness.h"

namespace {

using Timeouts = std::array<std::uint32_t, 3>;
constexpr std::uint32_t kAbsent = 0xFFFFFFFF; // a timeout value the key does not hold

// A power platform of the test's own: the timeouts key, the requirements held, and the
// timeouts as they stood whenever the power manager was told to reload them.
class FakePower : public PowerPlatform {
public:
  bool keyExists = true;
  Timeouts values{kAbsent, kAbsent, kAbsent};
  int openKeys = 0, badReleases = 0;
  std::set<std::intptr_t> held;
  std::vector<Timeouts> atEvent;

  bool OpenKey(const char16_t *, RegistryKey *key) override {
    if (keyExists)
      ++openKeys, *key = RegistryKey{1};
    return keyExists;
  }
  bool QueryDword(RegistryKey, const char16_t *name, std::uint32_t *value) override {
    const std::uint32_t stored = values.at(Index(name));
    if (stored != kAbsent)
      *value = stored;
    return stored != kAbsent;
  }
  bool SetDword(RegistryKey, const char16_t *name, std::uint32_t value) override {
    EXPECT_GT(openKeys, 0) << "written without an open key";
    values.at(Index(name)) = value;
    return true;
  }
  void CloseKey(RegistryKey) override { --openKeys; }
  PowerRequirement SetPowerRequirement(const char16_t *, int, std::uint32_t) override {
    held.insert(++last_);
    return PowerRequirement{last_};
  }
  void ReleasePowerRequirement(PowerRequirement request) override {
    badReleases += held.erase(static_cast<std::intptr_t>(request)) == 0;
  }
  NamedEvent OpenEvent(const char16_t *) override { return NamedEvent{7}; }
  void SetEvent(NamedEvent) override { atEvent.push_back(values); }
  void CloseEvent(NamedEvent) override {}

private:
  static std::size_t Index(const char16_t *name) {
    return std::size_t(
        std::find(std::begin(kTimeoutValueNames), std::end(kTimeoutValueNames), std::u16string_view(name)) -
        std::begin(kTimeoutValueNames));
  }
  std::intptr_t last_ = 100;
};

class PowerKeepingTest : public ::testing::Test {
protected:
  void SetUp() override { SetPowerPlatform(fake); }
  void TearDown() override {
    EXPECT_EQ(fake.openKeys, 0) << "the key was left open";
    EXPECT_EQ(fake.badReleases, 0);
    SetPowerPlatform(DesktopPowerPlatform());
    ResetAppState();
  }
  FakePower fake;
};

TEST_F(PowerKeepingTest, SwitchesTimeoutsOffAndRestoresThemWithFallbacksForAbsentValues) {
  const struct {
    bool keyExists;
    Timeouts before, after;
  } cases[] = {{true, {60, 120, 300}, {60, 120, 300}},
               {true, {kAbsent, 45, kAbsent}, {120, 45, 240}},
               {false, {kAbsent, kAbsent, kAbsent}, {kAbsent, kAbsent, kAbsent}}}; // nothing written
  for (const auto &c : cases) {
    SCOPED_TRACE(c.keyExists);
    ResetAppState(); // a fresh program instance
    fake.keyExists = c.keyExists;
    fake.values = c.before;
    fake.atEvent.clear();
    const Timeouts off = c.keyExists ? Timeouts{0, 0, 0} : c.before;
    KeepPower(1);
    EXPECT_EQ(fake.held, std::set<std::intptr_t>{static_cast<std::intptr_t>(g_app.backlightRequest)});
    KeepPower(0);
    EXPECT_TRUE(fake.held.empty());
    EXPECT_EQ(fake.atEvent, (std::vector<Timeouts>{off, c.after})) << "each reload follows the writes";
    KeepPower(0); // a second switch-off releases nothing twice (checked in TearDown)
  }
}

// The whole program's entry point, started while another copy's window exists.
TEST_F(PowerKeepingTest, ASecondStartRaisesTheFirstAndLetsThePowerGoBeforeItEnds) {
  GameHarness h;
  const WNDCLASSW wc{.lpfnWndProc = DefWindowProcW, .lpszClassName = u"VEXMOOR"};
  ASSERT_TRUE(RegisterClassW(&wc));
  ASSERT_TRUE(CreateWindowExW(0, u"VEXMOOR", u"Vex Moor", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr));
  SetStartupFiles(h.settingsFile, h.resultsFile);
  HINSTANCE instance = CreateModule(&VexmoorResources());
  EXPECT_EQ(VexmoorEntry(instance, SW_SHOW), 0);
  DestroyModule(instance);
  EXPECT_EQ(h.screen->raiseCount, 1);
  EXPECT_EQ(fake.atEvent.size(), 2u);
  EXPECT_TRUE(fake.held.empty());
  EXPECT_EQ(g_app.scores, nullptr); // nothing was started
}

// With no system bus (where the test main points it), or one that accepts and never answers,
// the game goes on at once without the lock, and says nothing about it.
TEST(DesktopPowerTest, NoBusOrASilentOneIsGivenUpQuicklyAndQuietly) {
  const std::string path = ::testing::TempDir() + "vexmoor-silent-bus-" + std::to_string(getpid());
  const int server = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
  ASSERT_LT(path.size(), sizeof(address.sun_path));
  path.copy(address.sun_path, path.size());
  ASSERT_EQ(bind(server, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
  ASSERT_EQ(listen(server, 4), 0);
  const char *none = getenv("DBUS_SYSTEM_BUS_ADDRESS");
  ASSERT_NE(none, nullptr);
  SetPowerPlatform(DesktopPowerPlatform());
  for (const std::string &bus : {"unix:path=" + path, std::string(none)}) {
    SCOPED_TRACE(bus);
    setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.c_str(), 1);
    ::testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    KeepPower(1);
    EXPECT_EQ(g_app.backlightRequest, PowerRequirement{});
    KeepPower(0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  }
  close(server);
  unlink(path.c_str());
}

} // namespace
