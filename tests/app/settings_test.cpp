#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include "child_process.h"
#include "state/game_settings.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
  GameSettings LoadText(const std::string &text) {
    // A fresh file each time: rewriting one in place makes the file system flush it on close.
    std::remove(path_.c_str());
    std::ofstream(path_, std::ios::binary) << text;
    GameSettings settings;
    settings.Load(path_);
    return settings;
  }

  TempFolder folder_;
  const std::string dir_ = folder_.path, path_ = dir_ + "/settings.txt";
};

// The thirteen file values, then the six derived ones after a bar.
std::string Values(const GameSettings &s) {
  std::ostringstream out;
  out << s.startInterval << ' ' << s.boardSize << ' ' << s.startLength << ' ' << s.foodsPerSpeedUp << ' '
      << s.scoresPerLevel << ' ' << s.trailCapacity << ' ' << s.turnThreshold << ' ' << s.minThreshold << ' '
      << s.thresholdDecay << ' ' << s.blockPeakRatio << ' ' << s.blockMinContrast << ' ' << s.profilePeakRatio
      << ' ' << s.profileMinContrast << " | " << s.bodyCapacity << ' ' << s.padUp << ' ' << s.padDown << ' '
      << s.padLeft << ' ' << s.padRight << ' ' << s.starveSteps;
  return out.str();
}

const char *const kDefaults = "200 20 5 5 5 20 15 3 0.9 2 2 2 14 | 20 16 -16 -16 16 40";

TEST_F(SettingsTest, FilesSetTheirValuesInOrder) {
  for (const std::string &path : {dir_ + "/absent.txt", dir_}) { // no file, a folder
    GameSettings settings;
    settings.Load(path);
    EXPECT_EQ(kDefaults, Values(settings));
  }
  EXPECT_EQ("300 20 5 5 5 20 15 3 0.9 2 2 2 14 | 20 16 -16 -16 16 40", Values(LoadText("300\n")));
  // Only the order counts: several values to a line, blank lines, CR LF, words after the end.
  EXPECT_EQ("250 25 6 7 8 30 12 2 0.5 1.5 2.5 3.5 12.5 | 25 13 -13 -13 13 50",
            Values(LoadText("  250 25 6\r\n\n\n7 8 30 12\t2 0.5 1.5 2.5 3.5 12.5 trailing words")));
}

TEST_F(SettingsTest, UnusableValuesKeepTheirDefaults) {
  const std::pair<const char *, const char *> cases[] = {
      {"0 2", "200 20 5"},
      {"60000 169", "60000 20 5"},
      {"60001 168 167", "200 168 167"},
      {"2147483648 3 3", "200 3 2"},
      {"99999999999999999999 4", "200 4 3"}, // the default length does not fit a 4 x 4 board
      {"1 20 1 0 0 1", "1 20 5 5 5 20 15 3"},
      {"1 20 19 1 91 4097", "1 20 19 1 5 20 15 3"},
      {"1 20 2 9 90 4096 0 0", "1 20 2 9 90 4096 0 0 0.9 2 2 2 14 | 20 1 -1 -1 1 40"},
      {"1 20 5 5 5 20 2147483647 -1", "1 20 5 5 5 20 15 3"},
      {"1 20 5 5 5 20 2", "1 20 5 5 5 20 15 3"}, // a pad press would not beat the floor
      {"1 20 5 5 5 20 40 50", "1 20 5 5 5 20 15 3"},
      {"1 20 5 5 5 20 15 3 -0.1 -2 nan 1e39 -0", "1 20 5 5 5 20 15 3 0.9 2 2 2 -0"},
      {"1 20 5 5 5 20 15 3 1.01 inf -infinity 0 1", "1 20 5 5 5 20 15 3 0.9 2 2 0 1"},
  };
  for (const auto &[text, expected] : cases)
    EXPECT_EQ(expected, Values(LoadText(text)).substr(0, std::strlen(expected))) << text;
}

TEST_F(SettingsTest, GarbageAndBinaryFilesGiveUsableSettings) {
  EXPECT_EQ(kDefaults, Values(LoadText("Vexmoor settings\n200\n")));
  EXPECT_EQ(kDefaults, Values(LoadText(std::string(3, '\0') + "300\n")));
  // Nothing past the first megabyte is read.
  EXPECT_EQ(kDefaults, Values(LoadText(std::string(GameSettings::kMaxFileBytes, ' ') + "300")));
  // Numbers of any length are consumed and refused; the next value still reads.
  EXPECT_EQ(
      "200 30 5 5 5 20 15 3 0.9 7",
      Values(LoadText(std::string(100000, '7') + " 30 ." + std::string(3000, '1') + " 7")).substr(0, 26));

  std::mt19937 random(7);
  for (int i = 0; i < 300; ++i) {
    std::string text(random() % 200, '\0');
    for (char &c : text)
      c = static_cast<char>(random() % 4 == 0 ? "0123456789.-e "[random() % 14] : random());
    const GameSettings s = LoadText(text);
    ASSERT_TRUE(s.startInterval >= 1 && s.boardSize >= 3 && s.boardSize <= GameSettings::kMaxBoardSize &&
                s.startLength >= 2 && s.startLength < s.boardSize && s.foodsPerSpeedUp >= 1 &&
                s.scoresPerLevel >= 1 && s.trailCapacity >= 2 && s.padUp > s.minThreshold &&
                s.minThreshold >= 0 && s.thresholdDecay >= 0.0f && s.thresholdDecay <= 1.0f)
        << Values(s);
  }
}

// The conversions against the C library's own fscanf, on text that keeps every integer
// inside 32 bits (beyond it fscanf's behaviour is undefined).
TEST(SettingsConversions, MatchTheCLibrary) {
  const char *pieces[] = {"0",  "7",  "12", "-",  "+",   ".",   "e",   "E",        "p",
                          "x",  "0x", "1e", "e+", "nan", "NaN", "inf", "infinity", "infin",
                          "na", "a",  "f",  "(",  " ",   "\n",  "\t",  "\v",       "\r\n"};
  std::mt19937 random(11);
  for (int i = 0; i < 5000; ++i) {
    std::string text;
    for (int n = random() % 16; n > 0; --n)
      text += pieces[random() % std::size(pieces)];
    auto digit = [](char c, char) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    if (text.empty() || std::search_n(text.begin(), text.end(), 10, '0', digit) != text.end())
      continue;
    GameSettings mine, theirs;
    std::FILE *file = fmemopen(text.data(), text.size(), "r");
    mine.ReadValues(file);
    std::fclose(file);
    file = fmemopen(text.data(), text.size(), "r");
    for (std::int32_t *field :
         {&theirs.startInterval, &theirs.boardSize, &theirs.startLength, &theirs.foodsPerSpeedUp,
          &theirs.scoresPerLevel, &theirs.trailCapacity, &theirs.turnThreshold, &theirs.minThreshold}) {
      int value = *field;
      if (std::fscanf(file, "%d\n", &value) == 1)
        *field = value;
    }
    for (float *field : {&theirs.thresholdDecay, &theirs.blockPeakRatio, &theirs.blockMinContrast,
                         &theirs.profilePeakRatio, &theirs.profileMinContrast})
      std::fscanf(file, "%f\n", field);
    std::fclose(file);
    // NaN compares unequal to itself, so the bytes are compared.
    ASSERT_EQ(0, std::memcmp(&mine, &theirs, sizeof mine)) << "text: " << text;
  }
}

} // namespace
