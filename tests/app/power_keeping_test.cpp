#include "app/power_keeping.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/fake_power.h"
#include "app/power_desktop.h"
#include "state/app_state.h"

namespace {

// The power-keeping part of one program instance, swapped in and out of g_app.
struct InstanceState {
  Timeouts savedTimeouts{120, 180, 240};
  PowerRequirement backlightRequest{};
  std::uint32_t powerKept = 0;

  void SwapWithApp() {
    std::swap_ranges(savedTimeouts.begin(), savedTimeouts.end(), g_app.savedTimeouts);
    std::swap(backlightRequest, g_app.backlightRequest);
    std::swap(powerKept, g_app.powerKept);
  }
};

class PowerKeepingTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstanceState().SwapWithApp();
    SetPowerPlatform(fake);
  }
  void TearDown() override {
    EXPECT_EQ(fake.openKeys, 0) << "the key was left open";
    EXPECT_EQ(fake.badReleases, 0);
    SetPowerPlatform(DesktopPowerPlatform());
    InstanceState().SwapWithApp();
  }
  FakePowerPlatform fake;
};

TEST_F(PowerKeepingTest, SwitchesTimeoutsOffAndRestoresThemWithFallbacksForAbsentValues) {
  const Timeouts cases[][2] = {{{60, 120, 300}, {60, 120, 300}},
                               {{kAbsent, 45, kAbsent}, {120, 45, 240}},
                               {{kAbsent, kAbsent, kAbsent}, {120, 180, 240}}};
  for (const auto &[before, after] : cases) {
    InstanceState().SwapWithApp(); // a fresh program instance
    fake.values = before;
    fake.atEvent.clear();
    KeepPower(1);
    EXPECT_EQ(fake.values, (Timeouts{0, 0, 0}));
    EXPECT_EQ(g_app.powerKept, 1u);
    EXPECT_EQ(fake.held, std::set<std::intptr_t>{static_cast<std::intptr_t>(g_app.backlightRequest)});
    EXPECT_EQ(fake.atEvent, std::vector<Timeouts>(1, Timeouts{0, 0, 0}))
        << "the reload must follow the writes";

    KeepPower(0);
    EXPECT_EQ(fake.values, after);
    EXPECT_EQ(g_app.powerKept, 0u);
    EXPECT_TRUE(fake.held.empty());
    EXPECT_EQ(fake.atEvent, (std::vector<Timeouts>{{0, 0, 0}, after}));
    KeepPower(0); // a second switch-off releases nothing twice (checked in TearDown)
  }
}

TEST_F(PowerKeepingTest, SecondInstanceLeavesTheFirstOnesTimeoutsAlone) {
  fake.values = {60, 120, 300};
  KeepPower(1);
  InstanceState first;
  first.SwapWithApp(); // g_app is now a second instance, which finds the first and ends

  KeepPower(1);
  EXPECT_EQ(fake.held.size(), 2u);
  KeepPower(0);
  EXPECT_EQ(fake.values, (Timeouts{0, 0, 0}));
  EXPECT_EQ(fake.held.size(), 1u) << "the first instance's requirement must stay";

  first.SwapWithApp();
  KeepPower(0);
  EXPECT_EQ(fake.values, (Timeouts{60, 120, 300}));
  EXPECT_TRUE(fake.held.empty());
}

TEST_F(PowerKeepingTest, MissingKeyOrEventStillKeepsTheBacklight) {
  fake.keyExists = false;
  KeepPower(1);
  EXPECT_EQ(fake.held.size(), 1u);
  fake.eventExists = false;
  KeepPower(0);
  EXPECT_EQ(fake.values, (Timeouts{kAbsent, kAbsent, kAbsent})) << "nothing may be written without the key";
  EXPECT_TRUE(fake.held.empty());
  EXPECT_EQ(fake.atEvent.size(), 1u);
}

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

TEST(DesktopPowerTest, NoSystemBusFailsQuietlyAndQuickly) {
  // The test main points the system bus at a socket that does not exist.
  SetPowerPlatform(DesktopPowerPlatform());
  ::testing::internal::CaptureStderr();
  const Clock::time_point start = Clock::now();
  KeepPower(1);
  EXPECT_LT(MillisecondsSince(start), 20.0);
  EXPECT_EQ(g_app.powerKept, 1u);
  EXPECT_EQ(g_app.backlightRequest, PowerRequirement{});
  KeepPower(0);
  EXPECT_EQ(g_app.powerKept, 0u);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(g_app.savedTimeouts[0], 120u) << "the desktop has no timeouts to read";
}

// A system bus that accepts connections and never says a word.
TEST(DesktopPowerTest, SilentBusIsGivenUpWithinTheDeadline) {
  const std::string path = ::testing::TempDir() + "vexmoor-silent-bus-" + std::to_string(getpid());
  const int server = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof(address.sun_path));
  path.copy(address.sun_path, path.size());
  ASSERT_EQ(bind(server, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
  ASSERT_EQ(listen(server, 4), 0);

  const std::string previous = getenv("DBUS_SYSTEM_BUS_ADDRESS") ? getenv("DBUS_SYSTEM_BUS_ADDRESS") : "";
  setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);
  const Clock::time_point start = Clock::now();
  const int fd = TakeIdleInhibitor(kInhibitDeadline);
  const double ms = MillisecondsSince(start);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", previous.c_str(), 1);
  close(server);
  unlink(path.c_str());

  EXPECT_EQ(fd, -1);
  EXPECT_LT(ms, 100.0);
}

} // namespace
