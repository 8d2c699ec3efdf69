#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

bool Parse(std::vector<const char *> args, CommandLine *out, std::string *error) {
  args.insert(args.begin(), "vexmoor");
  return ParseCommandLine(int(args.size()), args.data(), out, error);
}

TEST(CommandLine, TakesEveryOptionInBothSpellings) {
  CommandLine c;
  std::string error;
  ASSERT_TRUE(Parse({"--scale", "3", "--settings=/x/s.txt", "--data-dir", "/d", "--camera=test", "--close"},
                    &c, &error));
  EXPECT_EQ(c.scale, 3);
  EXPECT_EQ(c.settingsFile, "/x/s.txt");
  EXPECT_EQ(c.dataDir, "/d");
  EXPECT_EQ(c.camera, "test");
  EXPECT_TRUE(c.close);
  CommandLine replay;
  ASSERT_TRUE(Parse({"--replay=game.rec", "--show", "--scale", "1"}, &replay, &error));
  EXPECT_EQ(replay.replayFile, "game.rec");
  EXPECT_TRUE(replay.show);
  CommandLine defaults;
  ASSERT_TRUE(Parse({}, &defaults, &error));
  EXPECT_EQ(defaults.scale, 2);
  EXPECT_EQ(defaults.camera, "auto");
}

TEST(CommandLine, RefusesBadOptionsAndValuesWithOneLine) {
  const std::vector<std::vector<const char *>> bad = {{"--scale", "0"},
                                                      {"--scale", "17"},
                                                      {"--scale", "2x"},
                                                      {"--scale", "-1"},
                                                      {"--scale"},
                                                      {"--settings"},
                                                      {"--settings="},
                                                      {"--camera", ""},
                                                      {"--bogus"},
                                                      {"--help=yes"},
                                                      {"--record"},
                                                      {"--show"},
                                                      {"--replay", "a.rec", "--camera", "auto"},
                                                      {"--replay", "a.rec", "--data-dir", "/d"},
                                                      {"--replay", "a.rec", "--record", "b.rec"},
                                                      {"--scale", "99999999999999999999"}};
  for (const auto &args : bad) {
    CommandLine c;
    std::string error;
    EXPECT_FALSE(Parse(args, &c, &error)) << args[0];
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

} // namespace
