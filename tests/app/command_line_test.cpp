#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

// The words of line, split at each space (so "--camera " ends with an empty word).
bool Parse(const std::string &line, CommandLine *out, std::string *error) {
  std::vector<std::string> words = {"vexmoor"};
  for (std::size_t start = 0; !line.empty();) {
    const std::size_t end = line.find(' ', start);
    words.push_back(line.substr(start, end - start));
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  std::vector<const char *> argv;
  for (const std::string &word : words)
    argv.push_back(word.c_str());
  return ParseCommandLine(int(argv.size()), argv.data(), out, error);
}

TEST(CommandLine, TakesEveryOptionInBothSpellings) {
  CommandLine c;
  std::string error;
  ASSERT_TRUE(Parse("--scale 3 --settings=/x/s.txt --data-dir /d --camera=test --close", &c, &error))
      << error;
  EXPECT_EQ(c.scale, 3);
  EXPECT_EQ(c.settingsFile, "/x/s.txt");
  EXPECT_EQ(c.dataDir, "/d");
  EXPECT_EQ(c.camera, "test");
  EXPECT_TRUE(c.close);
  CommandLine replay;
  ASSERT_TRUE(Parse("--replay=game.rec --show --scale 1", &replay, &error)) << error;
  EXPECT_EQ(replay.replayFile, "game.rec");
  EXPECT_TRUE(replay.show);
}

TEST(CommandLine, RefusesBadOptionsAndValuesWithOneLine) {
  for (const char *bad :
       {"--scale 0", "--scale 17", "--scale 2x", "--scale -1", "--scale 99999999999999999999", "--scale",
        "--settings", "--settings=", "--camera ", "--bogus", "--help=yes", "--record", "--show",
        "--replay a.rec --camera auto", "--replay a.rec --data-dir /d", "--replay a.rec --record b.rec"}) {
    CommandLine c;
    std::string error;
    EXPECT_FALSE(Parse(bad, &c, &error)) << bad;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

} // namespace
