#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/paths.h"

namespace {

class PathsTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
      if (const char *value = std::getenv(name))
        saved_.emplace_back(name, value);
  }
  void TearDown() override {
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
      unsetenv(name);
    for (const auto &[name, value] : saved_)
      setenv(name.c_str(), value.c_str(), 1);
  }
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(PathsTest, OverridesThenBaseFoldersThenHome) {
  setenv("HOME", "/home/ada", 1);
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  setenv("XDG_DATA_HOME", "/data/", 1);
  EXPECT_EQ("my/settings.txt", SettingsFilePath("my/settings.txt"));
  EXPECT_EQ("/tmp/scores/results.txt", ResultsFilePath("/tmp/scores/"));
  EXPECT_EQ("/cfg/Vexmoor/settings.txt", SettingsFilePath(""));
  EXPECT_EQ("/data/Vexmoor/results.txt", ResultsFilePath(""));

  // Unset, empty or relative base folders are ignored.
  for (const char *ignored : {"", "relative/data", "unset"}) {
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"})
      ignored == std::string("unset") ? unsetenv(name) : setenv(name, ignored, 1);
    EXPECT_EQ("/home/ada/.config/Vexmoor/settings.txt", SettingsFilePath("")) << ignored;
    EXPECT_EQ("/home/ada/.local/share/Vexmoor/results.txt", ResultsFilePath("")) << ignored;
  }

  // Without HOME the user database answers, or there is no path at all.
  unsetenv("HOME");
  const std::string path = SettingsFilePath("");
  EXPECT_TRUE(path.empty() || (path.front() == '/' && path.ends_with("/.config/Vexmoor/settings.txt")))
      << path;
}

} // namespace
