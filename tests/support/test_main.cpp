#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>

bool g_updateGolden = false;

int main(int argc, char **argv) {
  // Tests never need a display, a sound card or a system bus, and never touch the
  // user's own folders: every XDG folder points into a fresh temporary one.
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/vexmoor-test-bus", 1);
  char base[] = "/tmp/vexmoor-test-XXXXXX";
  if (mkdtemp(base)) {
    for (const char *name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
      std::string folder = std::string(base) + "/" + name;
      mkdir(folder.c_str(), 0700);
      setenv(name, folder.c_str(), 1);
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i)
    g_updateGolden |= std::string(argv[i]) == "--update-golden";
  int result = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(base, ignored);
  return result;
}
