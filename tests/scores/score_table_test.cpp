#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "scores/file_io.h"
#include "scores/score_table.h"

namespace {

namespace fs = std::filesystem;

// A results file built byte by byte: per level, K records of a little-endian 32-bit score and
// 128 UTF-16LE name units; then the 256 units of the last name.
struct ResultsBytes {
  std::string bytes;

  ResultsBytes &Units(std::u16string text, std::size_t units) {
    text.resize(units, u'\0');
    for (char16_t unit : text)
      bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return *this;
  }
  ResultsBytes &Record(std::int32_t score, const std::u16string &name = u"") {
    for (int shift = 0; shift < 32; shift += 8)
      bytes += static_cast<char>(static_cast<std::uint32_t>(score) >> shift);
    return Units(name, 128);
  }
  ResultsBytes &Empty(int records) {
    for (int i = 0; i < records; ++i)
      Record(0);
    return *this;
  }
  ResultsBytes &LastName(const std::u16string &name) { return Units(name, 256); }
};

std::string Scores(const ScoreTable &table, int level) {
  std::string text;
  for (const ScoreRecord &record : table.levels[level])
    text += (text.empty() ? "" : " ") + std::to_string(record.score);
  return text;
}

std::string Slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::u16string_view Name(const ScoreTable &table, int level, int index) {
  return table.levels[level][index].name;
}

class ScoreTableTest : public ::testing::Test {
protected:
  void SetUp() override {
    char dir[] = "/tmp/vexmoor-scores-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    path_ = dir_ + "/results.txt";
  }
  void TearDown() override {
    SetBeforeRenameHook(nullptr);
    fs::remove_all(dir_);
  }
  void Write(const std::string &bytes) {
    fs::remove(path_); // a new file: one rewritten in place is flushed on close
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  std::string Read() const { return Slurp(path_); }

  std::string dir_, path_;
};

// The highlighted newest line and the name it keeps are in the golden best scores.
TEST_F(ScoreTableTest, InsertGoesBelowEqualScoresAndRefusesWhatDoesNotQualify) {
  ScoreTable table(5, path_);
  EXPECT_FALSE(table.Qualifies(2, 0)); // empty records hold 0
  for (std::int32_t score : {9, 7, 7, 3, 1})
    ASSERT_TRUE(table.Insert(2, score, u"old"));
  ASSERT_TRUE(table.Insert(2, 7, u"Ewa"));
  EXPECT_EQ("9 7 7 7 3", Scores(table, 2));
  EXPECT_EQ(u"Ewa", Name(table, 2, 3));
  // Nothing changes outside the five levels or for a score that does not beat the last.
  EXPECT_FALSE(table.Qualifies(5, 100) || table.Qualifies(-1, 100) || table.Qualifies(2, 3));
  EXPECT_FALSE(table.Insert(5, 100, u"x") || table.Insert(-1, 100, u"x") || table.Insert(2, 3, u"x"));
  EXPECT_EQ("9 7 7 7 3", Scores(table, 2));
  EXPECT_EQ(u"Ewa", table.LastName());
}

TEST_F(ScoreTableTest, LoadAndSaveFollowTheLayoutByteForByte) {
  const std::u16string full(128, u'N'); // fills its field: no terminator in the file
  ResultsBytes file;
  file.Record(12, u"Małgorzata").Record(-4).Record(30, u"\xD800x").Record(3, full).Record(1, u"E").Empty(15);
  file.Record(7, u"Zoë").Record(6).Record(5).Record(4).Record(2, u"last").LastName(u"Małgorzata");
  Write(file.bytes);

  ScoreTable table(5, path_);
  EXPECT_TRUE(table.Load());
  EXPECT_EQ("12 -4 30 3 1", Scores(table, 0));
  const std::u16string_view names[] = {Name(table, 0, 0), Name(table, 0, 2), Name(table, 0, 3),
                                       Name(table, 4, 4), table.LastName()};
  EXPECT_EQ((std::vector<std::u16string_view>{u"Małgorzata", u"\xD800x", full, u"last", u"Małgorzata"}),
            std::vector<std::u16string_view>(std::begin(names), std::end(names))); // a lone surrogate kept
  EXPECT_EQ(-1, table.lastIndex);
  ASSERT_TRUE(table.Save());
  EXPECT_EQ(file.bytes, Read());
  EXPECT_FALSE(fs::exists(path_ + ".tmp"));

  // Unsorted and negative scores from a file do not stop an insertion.
  ASSERT_TRUE(table.Insert(0, 20, u"Jan"));
  EXPECT_EQ("20 12 -4 30 3", Scores(table, 0));
}

TEST_F(ScoreTableTest, ShortFilesKeepWhatWasReadWhole) {
  ResultsBytes file;
  file.Record(9, u"Ala").Empty(4).Record(8, u"Bob").Empty(4);
  ResultsBytes cut = file;
  cut.Record(77, u"lost");
  cut.bytes.resize(cut.bytes.size() - 100); // the third level's first name comes short
  Write(cut.bytes);
  ScoreTable table(5, path_);
  EXPECT_FALSE(table.Load());
  EXPECT_EQ("9 0 0 0 0 | 8 | 0 0 0 0 0 | 0 0 0 0 0 | 0 0 0 0 0",
            Scores(table, 0) + " | " + std::to_string(table.levels[1][0].score) + " | " + Scores(table, 2) +
                " | " + Scores(table, 3) + " | " + Scores(table, 4));
  EXPECT_EQ(u"Bob", Name(table, 1, 0));
  EXPECT_EQ(u"", table.LastName());

  // A last name filling all 256 units ends one unit early; bytes past the layout are ignored.
  file.Empty(15).LastName(std::u16string(256, u'L'));
  Write(file.bytes + std::string(5000, '\x7F'));
  ScoreTable whole(5, path_);
  EXPECT_TRUE(whole.Load());
  EXPECT_EQ(std::u16string(255, u'L'), whole.LastName());
}

// The file's size tells the records per level it was written with; the table shows the
// setting's number and never writes fewer records than the file held.
TEST_F(ScoreTableTest, ChangingRecordsPerLevelKeepsEveryRecord) {
  ResultsBytes three;
  three.Record(5, u"a").Record(4).Record(3).Empty(3).Record(6, u"b").Empty(8).LastName(u"b");
  Write(three.bytes);
  {
    ScoreTable five(5, path_); // raised: the file's three per level, then two empty ones
    EXPECT_EQ("5 4 3 0 0 | 6 0 0 0 0", Scores(five, 0) + " | " + Scores(five, 2));
    EXPECT_EQ(u"b", five.LastName());
    ASSERT_TRUE(five.Insert(0, 1, u"c"));
    EXPECT_EQ(3, five.lastIndex);
  }
  ResultsBytes raised;
  raised.Record(5, u"a").Record(4).Record(3).Record(1, u"c").Empty(6).Record(6, u"b").Empty(14).LastName(
      u"c");
  EXPECT_EQ(raised.bytes, Read());

  // Lowered to two: the two best show and compete, all five stay in the file.
  {
    ScoreTable two(2, path_);
    EXPECT_EQ(std::pair(2, 5), std::pair(two.perLevel, two.keptPerLevel));
    EXPECT_FALSE(two.Qualifies(0, 3)); // beats a kept record, not a shown one
    ASSERT_TRUE(two.Insert(0, 7, u"d"));
    EXPECT_EQ("7 5 4 3 1", Scores(two, 0));
  }
  EXPECT_EQ(5u * 5 * 260 + 512, fs::file_size(path_));
  EXPECT_EQ("7 5 4 3 1", Scores(ScoreTable(5, path_), 0));

  // Settings outside 1..kMaxPerLevel are held to it.
  for (std::int32_t k : {0, -3}) {
    ScoreTable one(k, dir_ + "/one" + std::to_string(k));
    EXPECT_TRUE(one.Insert(4, 1, u"x"));
    EXPECT_FALSE(one.Qualifies(4, 1));
  }
  EXPECT_EQ(5u * 260 + 512, fs::file_size(dir_ + "/one0"));
}

TEST_F(ScoreTableTest, FirstSaveMakesTheFolderAndDestructionSaves) {
  const std::string nested = dir_ + "/a/b/results.txt";
  ScoreTable(5, nested).Insert(1, 3, u"Iga");
  path_ = nested;
  EXPECT_EQ(ResultsBytes().Empty(5).Record(3, u"Iga").Empty(19).LastName(u"Iga").bytes, Read());
  EXPECT_FALSE(ScoreTable(5, nested + "/results.txt").Save()); // its folder would be a file

  // A link to the file stays a link; the file it names gets the scores.
  fs::create_symlink(nested, dir_ + "/link.txt");
  ScoreTable(5, dir_ + "/link.txt").Insert(0, 8, u"Ala");
  EXPECT_TRUE(fs::is_symlink(dir_ + "/link.txt"));
  EXPECT_EQ(8, ScoreTable(5, nested).levels[0][0].score);
}

TEST_F(ScoreTableTest, AFailedOrInterruptedSaveLeavesTheOldFileWhole) {
  const std::string old = ResultsBytes().Record(9, u"Ala").Empty(24).LastName(u"Ala").bytes;
  Write(old);
  ScoreTable table(5, path_);
  table.Insert(0, 50, u"Nowy");

  // The process dies between the finished temporary file and the rename.
  const auto crashBeforeRename = [&table] {
    SetBeforeRenameHook([](const std::string &) -> bool { _exit(3); });
    table.Save();
  };
  EXPECT_EXIT(crashBeforeRename(), ::testing::ExitedWithCode(3), "");
  EXPECT_EQ(old, Read());
  EXPECT_EQ(old.size(), fs::file_size(path_ + ".tmp"));

  // The disk fills up half-way through the temporary file.
  const auto saveOnFullDisk = [&table] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(table.Save() ? 1 : 0);
  };
  EXPECT_EXIT(saveOnFullDisk(), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(old, Read());
  EXPECT_FALSE(fs::exists(path_ + ".tmp"));

  SetBeforeRenameHook([](const std::string &) { return false; });
  EXPECT_FALSE(table.Save());
  EXPECT_EQ(old, Read());
  EXPECT_FALSE(fs::exists(path_ + ".tmp"));
  SetBeforeRenameHook(nullptr);
  EXPECT_TRUE(table.Save());
  EXPECT_EQ(50, ScoreTable(5, path_).levels[0][0].score);
}

TEST_F(ScoreTableTest, AnyBytesLoadIntoTerminatedNames) {
  std::mt19937 random(3);
  for (int i = 0; i < 40; ++i) {
    std::vector<unsigned char> bytes(random() % 8000);
    for (unsigned char &c : bytes)
      c = static_cast<unsigned char>(random() % 3 == 0 ? 0 : random());
    ScoreTable table(1 + random() % 6, path_);
    table.LoadBytes(bytes.data(), bytes.size());
    for (const auto &level : table.levels)
      for (const ScoreRecord &record : level)
        ASSERT_LT(std::char_traits<char16_t>::length(record.name), 256u);
    ASSERT_LT(table.LastName().size(), 256u);
    table.Insert(random() % 5, 1 << 30, table.lastName);
  }
}

// Whatever stands at the results path that is not a regular file is someone else's: it is
// read as nothing, never replaced, and the refusal says what it is.
TEST_F(ScoreTableTest, OnlyARegularFileIsEverReplaced) {
  ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0); // a writer-less FIFO must not hang the load either
  fs::create_symlink("/dev/null", dir_ + "/device");
  fs::create_symlink(dir_ + "/gone/results.txt", dir_ + "/dangling");
  fs::create_directory(dir_ + "/folder");
  const std::pair<std::string, std::string> refusals[] = {
      {path_, "it is a FIFO, not a regular file; it was left alone"},
      {dir_ + "/device", "it is a character device, not a regular file; it was left alone"},
      {dir_ + "/dangling", "it is a link to " + dir_ + "/gone/results.txt, which does not exist"},
      {dir_ + "/folder", "it is a folder, not a regular file; it was left alone"},
      {dir_ + "/dangling/results.txt", "cannot make the folder " + dir_ + "/dangling: Not a directory"}};
  for (const auto &[path, reason] : refusals) {
    std::string error;
    EXPECT_FALSE(ScoreTable(5, path).Save(&error));
    EXPECT_EQ(error, reason);
  }
  EXPECT_TRUE(fs::is_fifo(path_));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_FALSE(fs::exists(dir_ + "/gone"));
}

TEST_F(ScoreTableTest, AStrayTemporaryFileOfAnyKindDoesNotBlockASave) {
  const std::string temp = path_ + ".tmp", outside = dir_ + "/outside";
  std::ofstream(outside) << "not ours to change";
  const auto strays = std::vector<std::function<void()>>{
      [&] { std::ofstream(temp) << "half a save"; },
      [&] { fs::create_symlink(outside, temp); },
      [&] { mkfifo(temp.c_str(), 0600); },
      [&] {
        fs::create_directory(temp);
        std::ofstream(temp + "/inside") << "x";
      },
  };
  std::int32_t score = 0;
  for (const auto &makeStray : strays) {
    makeStray();
    ScoreTable table(5, path_);
    table.Insert(1, ++score, u"Iga");
    EXPECT_TRUE(table.Save()) << score;
    EXPECT_EQ(score, ScoreTable(5, path_).levels[1][0].score);
  }
  EXPECT_TRUE(fs::exists(temp + "/inside")); // a folder is left alone
  EXPECT_EQ(Slurp(outside), "not ours to change");
}

TEST_F(ScoreTableTest, ASaveKeepsTheFilesModeAndWherePossibleItsOwner) {
  for (fs::perms mode : {fs::perms(0600), fs::perms(0640), fs::perms(0444 | 0200)}) {
    Write(ResultsBytes().Empty(25).LastName(u"").bytes);
    fs::permissions(path_, mode);
    const bool root = geteuid() == 0;
    ASSERT_TRUE(!root || chown(path_.c_str(), 4321, 4321) == 0);
    ScoreTable(5, path_).Insert(0, 1, u"a");
    EXPECT_EQ(fs::status(path_).permissions(), mode);
    struct stat info {};
    ASSERT_EQ(stat(path_.c_str(), &info), 0);
    EXPECT_TRUE(!root || (info.st_uid == 4321u && info.st_gid == 4321u)) << info.st_uid << ":" << info.st_gid;
    EXPECT_EQ(1, ScoreTable(5, path_).levels[0][0].score);
  }
}

// One program per results folder: the lock is exclusive between open files, made with its
// folder, and never taken through a link.
TEST_F(ScoreTableTest, TheFolderLockIsExclusiveAndFollowsNoLink) {
  FolderLock first, second;
  const std::string nested = dir_ + "/new/results.txt";
  ASSERT_EQ(first.Take(nested), FolderLock::Result::Taken);
  EXPECT_EQ(first.Take(nested), FolderLock::Result::Taken); // already ours
  EXPECT_EQ(second.Take(nested), FolderLock::Result::Busy);
  EXPECT_EQ(second.Folder(), dir_ + "/new");
  first.Release();
  EXPECT_EQ(second.Take(nested), FolderLock::Result::Taken);
  second.Release();

  // Through a link to the results file, the folder locked is the file's.
  std::ofstream(nested) << "";
  fs::create_symlink(nested, path_);
  ASSERT_EQ(first.Take(path_), FolderLock::Result::Taken);
  EXPECT_EQ(first.Folder(), dir_ + "/new");
  first.Release();

  fs::create_symlink(dir_ + "/elsewhere", dir_ + "/vexmoor.lock");
  std::string reason;
  EXPECT_EQ(first.Take(dir_ + "/other.txt", &reason), FolderLock::Result::Failed);
  EXPECT_EQ(reason, dir_ + "/vexmoor.lock: it is a symbolic link");
  EXPECT_FALSE(fs::exists(dir_ + "/elsewhere"));
}

} // namespace
