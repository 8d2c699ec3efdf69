// Power keeping on a real bus: a private system bus (dbus-daemon with a configuration of the
// test's own) carries python3-dbusmock's logind, and the game's power keeping reaches it
// through DBUS_SYSTEM_BUS_ADDRESS. Skips only where dbus-daemon or dbusmock is missing
// (tools/install-deps.sh installs both).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/power_desktop.h"
#include "app/power_keeping.h"
#include "support/game_harness.h"

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;
// What, who, why and mode of one lock, as logind lists it.
using Inhibitor = std::tuple<std::string, std::string, std::string, std::string>;
const Inhibitor kGameLock{"idle", "Vexmoor", "Game running", "block"};

// Starts a program with extra environment variables (in place of inherited ones of the same
// name), its output going to log when given; its process id, or -1.
pid_t Spawn(const std::vector<std::string> &argv, const std::vector<std::string> &extraEnvironment = {},
            const std::string &log = "") {
  std::vector<std::string> environment(extraEnvironment);
  for (char **e = environ; *e; ++e) {
    const std::string inherited = *e;
    const std::string name = inherited.substr(0, inherited.find('=') + 1);
    if (std::none_of(extraEnvironment.begin(), extraEnvironment.end(),
                     [&](const std::string &extra) { return extra.rfind(name, 0) == 0; }))
      environment.push_back(inherited);
  }
  std::vector<char *> args, envs;
  for (const std::string &a : argv)
    args.push_back(const_cast<char *>(a.c_str()));
  for (const std::string &e : environment)
    envs.push_back(const_cast<char *>(e.c_str()));
  args.push_back(nullptr);
  envs.push_back(nullptr);
  posix_spawn_file_actions_t output;
  posix_spawn_file_actions_init(&output);
  if (!log.empty()) {
    posix_spawn_file_actions_addopen(&output, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&output, 1, 2);
  }
  pid_t pid = -1;
  const int r = posix_spawnp(&pid, args[0], &output, nullptr, args.data(), envs.data());
  posix_spawn_file_actions_destroy(&output);
  return r == 0 ? pid : -1;
}

// Whether a program runs to its end with status 0.
bool Succeeds(const std::vector<std::string> &argv) {
  int status = 0;
  const pid_t pid = Spawn(argv, {}, "/dev/null");
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Stop(pid_t pid) {
  if (pid > 0) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A bus of the test's own with a mock logind on it.
class PrivateSystemBus {
public:
  // Whether dbus-daemon and a python3 with dbusmock are at hand; if not, why not.
  bool Available(std::string *why) {
    for (const char *candidate : {"/usr/bin/python3", "python3"})
      if (Succeeds({candidate, "-c", "import dbusmock"})) {
        python_ = candidate;
        break;
      }
    if (!Succeeds({"dbus-daemon", "--version"}))
      *why = "dbus-daemon is not installed (tools/install-deps.sh installs the dbus package)";
    else if (python_.empty())
      *why = "python3-dbusmock is not installed (tools/install-deps.sh installs it)";
    return why->empty();
  }

  // Starts the bus and the mock; false with the reason and the daemons' output in *why.
  bool Start(std::string *why) {
    char base[] = "/tmp/vexmoor-bus-XXXXXX";
    if (!mkdtemp(base)) {
      *why = "no temporary folder";
      return false;
    }
    folder = base;
    address = "unix:path=" + folder + "/system_bus_socket";
    const std::string log = folder + "/daemons.log";
    std::ofstream(folder + "/bus.conf")
        << R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <listen>)"
        << address << R"(</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";
    daemon_ =
        Spawn({"dbus-daemon", "--nofork", "--nopidfile", "--config-file=" + folder + "/bus.conf"}, {}, log);
    if (daemon_ < 0 || !WaitUntil([this] { return Connect(); })) {
      *why = "the private bus did not start:\n" + ReadFile(log);
      return false;
    }
    logind_ = Spawn({python_, "-m", "dbusmock", "--template", "logind"},
                    {"DBUS_SYSTEM_BUS_ADDRESS=" + address}, log);
    std::vector<Inhibitor> ignored;
    if (logind_ < 0 || !WaitUntil([&] { return List(&ignored); })) {
      *why = "the mock logind did not come up on the private bus:\n" + ReadFile(log);
      return false;
    }
    return true;
  }

  ~PrivateSystemBus() {
    sd_bus_flush_close_unref(bus_);
    Stop(logind_);
    Stop(daemon_);
    if (!folder.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    }
  }

  // The locks logind holds now, as ListInhibitors gives them.
  std::vector<Inhibitor> Inhibitors() {
    std::vector<Inhibitor> locks;
    EXPECT_TRUE(List(&locks)) << "ListInhibitors failed";
    return locks;
  }

  // Locks are dropped when logind sees their descriptor closed, a moment after the program
  // closes it: waits up to five seconds for the list to empty.
  bool WaitForNoInhibitors() {
    std::vector<Inhibitor> locks;
    return WaitUntil([&] { return List(&locks) && locks.empty(); });
  }

  std::string folder;
  std::string address;

private:
  static bool WaitUntil(const std::function<bool()> &ready) {
    for (const Clock::time_point end = Clock::now() + std::chrono::seconds(5); Clock::now() < end;) {
      if (ready())
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  bool Connect() {
    sd_bus *bus = nullptr;
    if (sd_bus_new(&bus) < 0)
      return false;
    if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
        sd_bus_start(bus) < 0) {
      sd_bus_unref(bus);
      return false;
    }
    bus_ = bus;
    return true;
  }

  bool List(std::vector<Inhibitor> *locks) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message *reply = nullptr;
    int r = sd_bus_call_method(bus_, "org.freedesktop.login1", "/org/freedesktop/login1",
                               "org.freedesktop.login1.Manager", "ListInhibitors", &error, &reply, "");
    sd_bus_error_free(&error);
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

  std::string python_;
  sd_bus *bus_ = nullptr;
  pid_t daemon_ = -1;
  pid_t logind_ = -1;
};

class PowerOnASystemBus : public ::testing::Test {
protected:
  void SetUp() override {
    std::string why;
    if (!bus.Available(&why))
      GTEST_SKIP() << "no private system bus: " << why;
    ASSERT_TRUE(bus.Start(&why)) << why;
    const char *before = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    savedAddress = before ? std::optional<std::string>(before) : std::nullopt;
    setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address.c_str(), 1);
  }
  void TearDown() override {
    if (savedAddress)
      setenv("DBUS_SYSTEM_BUS_ADDRESS", savedAddress->c_str(), 1);
    else
      unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  }
  PrivateSystemBus bus;
  std::optional<std::string> savedAddress;
};

// Start-up and tear-down of the whole program through the desktop power platform. Its
// deadline is widened: the mock answers from a Python process, and a slow answer would only
// mean no lock, not a fault of the program.
TEST_F(PowerOnASystemBus, TheIdleLockIsHeldWhileTheGameRunsAndReleasedAfter) {
  DesktopPower power(std::chrono::seconds(5));
  SetPowerPlatform(power);
  GameHarness h;
  std::vector<Inhibitor> whileRunning;
  h.At(50, [&] { whileRunning = bus.Inhibitors(); });
  EXPECT_EQ(h.Run(100), 0);
  SetPowerPlatform(DesktopPowerPlatform());
  EXPECT_EQ(whileRunning, std::vector<Inhibitor>{kGameLock});
  EXPECT_TRUE(bus.WaitForNoInhibitors()) << "the lock outlived the game";
}

// The program itself, headless on SDL's dummy screen, ended by SIGTERM as a session ends it:
// it holds the lock while it runs, then closes as from the window (exit status 0, scores
// saved) and the lock is gone.
TEST_F(PowerOnASystemBus, TheProgramHoldsTheLockUntilSigterm) {
  const std::string data = bus.folder + "/data";
  mkdir(data.c_str(), 0700);
  const pid_t game =
      Spawn({VEXMOOR_BINARY, "--camera", "none", "--settings", data + "/settings.txt", "--data-dir", data},
            {"SDL_VIDEODRIVER=dummy", "XDG_RUNTIME_DIR=" + bus.folder});
  ASSERT_GT(game, 0);
  std::vector<Inhibitor> locks;
  int status = 0;
  for (const Clock::time_point end = Clock::now() + std::chrono::seconds(10);
       locks.empty() && Clock::now() < end;) {
    if (waitpid(game, &status, WNOHANG) == game)
      FAIL() << "the program ended by itself, status " << status;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    locks = bus.Inhibitors();
  }
  EXPECT_EQ(locks, std::vector<Inhibitor>{kGameLock});
  kill(game, SIGTERM);
  ASSERT_EQ(waitpid(game, &status, 0), game);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_TRUE(std::filesystem::exists(data + "/results.txt")) << "the scores were not saved on SIGTERM";
  EXPECT_TRUE(bus.WaitForNoInhibitors()) << "the lock outlived the program";
}

} // namespace
