// Power keeping on a real bus: a private system bus (dbus-daemon with a configuration of the
// test's own) carries python3-dbusmock's logind, and the game's power keeping reaches it
// through DBUS_SYSTEM_BUS_ADDRESS. Skips only where dbus-daemon or dbusmock is missing
// (tools/install-deps.sh installs both).

#include <gtest/gtest.h>

#include <systemd/sd-bus.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/power_desktop.h"
#include "app/power_keeping.h"
#include "child_process.h"
#include "support/game_harness.h"

namespace {

using Clock = std::chrono::steady_clock;
// What, who, why and mode of one lock, as logind lists it.
using Inhibitor = std::tuple<std::string, std::string, std::string, std::string>;
const Inhibitor kGameLock{"idle", "Vexmoor", "Game running", "block"};
const char kDaemon[] = "/usr/bin/dbus-daemon", kPython[] = "/usr/bin/python3";

bool WaitUntil(const std::function<bool()> &ready) {
  for (const Clock::time_point end = Clock::now() + std::chrono::seconds(5); Clock::now() < end;) {
    if (ready())
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// A bus of the test's own with a mock logind on it, and a connection to ask logind.
class PowerOnASystemBus : public ::testing::Test {
protected:
  void SetUp() override {
    if (ChildProcess({kDaemon, "--version"}).Wait(5000) != 0 ||
        ChildProcess({kPython, "-c", "import dbusmock"}).Wait(5000) != 0)
      GTEST_SKIP() << "no private system bus: dbus-daemon or python3-dbusmock is missing";
    ASSERT_FALSE(folder.path.empty());
    const std::string address = "unix:path=" + folder.path + "/system_bus_socket";
    std::ofstream(folder.path + "/bus.conf")
        << "<busconfig><listen>" << address
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow "
           "send_destination=\"*\"/><allow receive_sender=\"*\"/><allow "
           "own=\"*\"/></policy></busconfig>";
    if (const char *before = std::getenv("DBUS_SYSTEM_BUS_ADDRESS"))
      savedAddress = before;
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1); // for the mock and the game alike
    daemon = std::make_unique<ChildProcess>(std::vector<std::string>{
        kDaemon, "--nofork", "--nopidfile", "--config-file=" + folder.path + "/bus.conf"});
    ASSERT_TRUE(WaitUntil([this] { return sd_bus_open_system(&bus) >= 0; }))
        << "the private bus did not start";
    logind = std::make_unique<ChildProcess>(
        std::vector<std::string>{kPython, "-m", "dbusmock", "--template", "logind"});
    std::vector<Inhibitor> ignored;
    ASSERT_TRUE(WaitUntil([&] { return List(&ignored); })) << "the mock logind did not come up";
  }
  void TearDown() override {
    if (!savedAddress.empty())
      setenv("DBUS_SYSTEM_BUS_ADDRESS", savedAddress.c_str(), 1);
    sd_bus_flush_close_unref(bus);
    logind.reset();
    daemon.reset();
  }

  // The locks logind holds now, as ListInhibitors gives them.
  bool List(std::vector<Inhibitor> *locks) {
    sd_bus_message *reply = nullptr;
    int r = sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                               "org.freedesktop.login1.Manager", "ListInhibitors", nullptr, &reply, "");
    locks->clear();
    if (r >= 0)
      r = sd_bus_message_enter_container(reply, 'a', "(ssssuu)");
    const char *what, *who, *why, *mode;
    std::uint32_t uid, pid;
    while (r >= 0 && (r = sd_bus_message_read(reply, "(ssssuu)", &what, &who, &why, &mode, &uid, &pid)) > 0)
      locks->emplace_back(what, who, why, mode);
    sd_bus_message_unref(reply);
    return r >= 0;
  }
  // Locks are dropped when logind sees their descriptor closed, a moment after it is closed.
  bool NoInhibitorsSoon() {
    std::vector<Inhibitor> locks;
    return WaitUntil([&] { return List(&locks) && locks.empty(); });
  }

  TempFolder folder;
  std::string savedAddress;
  std::unique_ptr<ChildProcess> daemon, logind;
  sd_bus *bus = nullptr;
};

// Start-up and tear-down of the whole program through the desktop power platform. Its
// deadline is widened: the mock answers from a Python process, and a slow answer would only
// mean no lock, not a fault of the program.
TEST_F(PowerOnASystemBus, TheIdleLockIsHeldWhileTheGameRunsAndReleasedAfter) {
  DesktopPower power(std::chrono::seconds(5));
  SetPowerPlatform(power);
  GameHarness h;
  std::vector<Inhibitor> whileRunning;
  h.At(50, [&] { EXPECT_TRUE(List(&whileRunning)); });
  EXPECT_EQ(h.Run(100), 0);
  SetPowerPlatform(DesktopPowerPlatform());
  EXPECT_EQ(whileRunning, std::vector<Inhibitor>{kGameLock});
  EXPECT_TRUE(NoInhibitorsSoon()) << "the lock outlived the game";
}

// The program itself, headless on SDL's dummy screen, ended by SIGTERM as a session ends it:
// it holds the lock while it runs, then closes as from the window (exit status 0, scores
// saved) and the lock is gone.
TEST_F(PowerOnASystemBus, TheProgramHoldsTheLockUntilSigterm) {
  const std::string data = folder.path + "/data";
  ChildProcess game(
      {VEXMOOR_PROGRAM, "--camera", "none", "--settings", data + "/settings.txt", "--data-dir", data},
      {"SDL_VIDEODRIVER=dummy", "XDG_RUNTIME_DIR=" + folder.path});
  std::vector<Inhibitor> locks;
  EXPECT_TRUE(WaitUntil([&] { return List(&locks) && !locks.empty(); })) << "no lock while the program runs";
  EXPECT_EQ(locks, std::vector<Inhibitor>{kGameLock});
  kill(game.Pid(), SIGTERM);
  EXPECT_EQ(game.Wait(5000), 0) << game.Errors();
  EXPECT_TRUE(std::filesystem::exists(data + "/results.txt")) << "the scores were not saved on SIGTERM";
  EXPECT_TRUE(NoInhibitorsSoon()) << "the lock outlived the program";
}

} // namespace
