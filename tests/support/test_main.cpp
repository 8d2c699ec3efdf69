#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv) {
  // Tests never need a display, a sound card or a system bus.
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/vexmoor-test-bus", 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
