#include "app/power_keeping.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/power_desktop.h"

namespace {

using Timeouts = std::array<std::uint32_t, 3>;
constexpr std::uint32_t kAbsent = 0xFFFFFFFF;

// The timeouts key, the power manager and its event, shared by every "instance" of a test.
class FakePowerPlatform : public PowerPlatform {
public:
  bool keyExists = true;
  bool eventExists = true;
  std::map<std::u16string, std::uint32_t> values;
  int openKeys = 0;
  std::set<std::intptr_t> held;
  int badReleases = 0;
  std::vector<Timeouts> atEvent; // the timeouts as they stood whenever the event was set

  bool OpenKey(const char16_t *subKey, RegistryKey *key) override {
    if (!keyExists || std::u16string(subKey) != kTimeoutsKeyName) {
      return false;
    }
    ++openKeys;
    *key = static_cast<RegistryKey>(1);
    return true;
  }
  bool QueryDword(RegistryKey, const char16_t *name, std::uint32_t *value) override {
    auto found = values.find(name);
    if (found == values.end()) {
      return false;
    }
    *value = found->second;
    return true;
  }
  bool SetDword(RegistryKey key, const char16_t *name, std::uint32_t value) override {
    EXPECT_GT(openKeys, 0);
    EXPECT_NE(key, RegistryKey{});
    values[name] = value;
    return true;
  }
  void CloseKey(RegistryKey) override { --openKeys; }
  PowerRequirement SetPowerRequirement(const char16_t *device, int, std::uint32_t) override {
    EXPECT_EQ(std::u16string(device), u"BKL1:");
    held.insert(++lastRequest_);
    return static_cast<PowerRequirement>(lastRequest_);
  }
  void ReleasePowerRequirement(PowerRequirement request) override {
    badReleases += held.erase(static_cast<std::intptr_t>(request)) == 0;
  }
  NamedEvent OpenEvent(const char16_t *) override { return eventExists ? NamedEvent{7} : NamedEvent{}; }
  void SetEvent(NamedEvent) override { atEvent.push_back(Stored()); }
  void CloseEvent(NamedEvent) override {}

  void SetTimeouts(Timeouts t) {
    values.clear();
    for (int i = 0; i < 3; ++i) {
      if (t[i] != kAbsent) {
        values[kTimeoutValueNames[i]] = t[i];
      }
    }
  }
  Timeouts Stored() const {
    Timeouts t{kAbsent, kAbsent, kAbsent};
    for (int i = 0; i < 3; ++i) {
      if (auto found = values.find(kTimeoutValueNames[i]); found != values.end()) {
        t[i] = found->second;
      }
    }
    return t;
  }

private:
  std::intptr_t lastRequest_ = 100;
};

// The power-keeping part of one program instance, swapped in and out of g_app.
struct InstanceState {
  Timeouts savedTimeouts{120, 180, 240};
  PowerRequirement backlightRequest{};
  std::uint32_t powerKept = 0;

  void SwapWithApp() {
    for (int i = 0; i < 3; ++i) {
      std::swap(savedTimeouts[i], g_app.savedTimeouts[i]);
    }
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

TEST_F(PowerKeepingTest, SwitchesTimeoutsOffAndRestoresThem) {
  fake.SetTimeouts({60, 120, 300});
  KeepPower(1);
  EXPECT_EQ(fake.Stored(), (Timeouts{0, 0, 0}));
  EXPECT_EQ(g_app.powerKept, 1u);
  EXPECT_EQ(fake.held, std::set<std::intptr_t>{static_cast<std::intptr_t>(g_app.backlightRequest)});
  EXPECT_EQ(fake.atEvent, std::vector<Timeouts>(1, Timeouts{0, 0, 0})) << "the reload must follow the writes";

  KeepPower(0);
  EXPECT_EQ(fake.Stored(), (Timeouts{60, 120, 300}));
  EXPECT_EQ(g_app.powerKept, 0u);
  EXPECT_TRUE(fake.held.empty());
  EXPECT_EQ(fake.atEvent.size(), 2u);
  EXPECT_EQ(fake.atEvent.back(), (Timeouts{60, 120, 300}));

  KeepPower(0); // a second switch-off releases nothing twice (checked in TearDown)
}

TEST_F(PowerKeepingTest, AbsentValuesAreWrittenAndGetTheFallbacks) {
  fake.SetTimeouts({kAbsent, 45, kAbsent});
  KeepPower(1);
  EXPECT_EQ(fake.Stored(), (Timeouts{0, 0, 0}));
  KeepPower(0);
  EXPECT_EQ(fake.Stored(), (Timeouts{120, 45, 240}));

  fake.SetTimeouts({kAbsent, kAbsent, kAbsent});
  InstanceState().SwapWithApp();
  KeepPower(1);
  KeepPower(0);
  EXPECT_EQ(fake.Stored(), (Timeouts{120, 180, 240}));
}

TEST_F(PowerKeepingTest, SecondInstanceLeavesTheFirstOnesTimeoutsAlone) {
  fake.SetTimeouts({60, 120, 300});
  KeepPower(1);
  InstanceState first;
  first.SwapWithApp(); // g_app is now a second instance, which finds the first and ends

  KeepPower(1);
  EXPECT_EQ(fake.held.size(), 2u);
  KeepPower(0);
  EXPECT_EQ(fake.Stored(), (Timeouts{0, 0, 0}));
  EXPECT_EQ(fake.held.size(), 1u) << "the first instance's requirement must stay";

  first.SwapWithApp();
  KeepPower(0);
  EXPECT_EQ(fake.Stored(), (Timeouts{60, 120, 300}));
  EXPECT_TRUE(fake.held.empty());
}

TEST_F(PowerKeepingTest, MissingKeyOrEventStillKeepsTheBacklight) {
  fake.keyExists = false;
  KeepPower(1);
  EXPECT_EQ(fake.held.size(), 1u);
  fake.eventExists = false;
  KeepPower(0);
  EXPECT_TRUE(fake.values.empty()) << "nothing may be written without the key";
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
