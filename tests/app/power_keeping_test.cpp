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
  const struct {
    bool keyExists;
    Timeouts before, after;
  } cases[] = {{true, {60, 120, 300}, {60, 120, 300}},
               {true, {kAbsent, 45, kAbsent}, {120, 45, 240}},
               {false, {kAbsent, kAbsent, kAbsent}, {kAbsent, kAbsent, kAbsent}}}; // nothing written
  for (const auto &c : cases) {
    SCOPED_TRACE(c.keyExists);
    InstanceState().SwapWithApp(); // a fresh program instance
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

// With no system bus (where the test main points it), or one that accepts and never answers,
// the game goes on at once without the lock, and says nothing about it.
TEST(DesktopPowerTest, NoBusOrASilentOneIsGivenUpQuicklyAndQuietly) {
  const std::string path = ::testing::TempDir() + "vexmoor-silent-bus-" + std::to_string(getpid());
  const int server = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
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
