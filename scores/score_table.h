#pragma once
// Best scores of the five levels, each with its player's name, and the name entered last,
// kept in the results file. Start-up creates one table (which loads the file) and owns it;
// the game screen asks Qualifies and calls Insert at game over; the best-scores dialog reads
// levels, lastIndex and perLevel; the name-entry dialog starts from LastName().
// Tear-down saves it and reports a failure; destroying a table whose content was not saved
// since its last change saves it too, so a table is written once however it ends.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ScoreRecord {
  std::int32_t score = 0;
  char16_t name[256] = {}; // UTF-16, always terminated
};

class ScoreTable {
public:
  static constexpr int kLevels = 5;
  static constexpr int kNameUnits = 256;       // a name in memory, with its terminator
  static constexpr int kStoredNameUnits = 128; // a record's name in the file
  static constexpr std::size_t kRecordBytes = 4 + 2 * kStoredNameUnits;
  static constexpr std::size_t kLastNameBytes = 2 * kNameUnits;
  // Records per level are kept from 1 to this, whatever the caller asks for, so that the
  // table and its file (1.3 MB at most) always have a sane size.
  static constexpr std::int32_t kMaxPerLevel = 1000;

  // perLevel records per level (the settings' scoresPerLevel); path is the results file.
  // Loads the file; a missing or short file leaves the rest of the table empty.
  ScoreTable(std::int32_t perLevel, std::string path);
  ~ScoreTable();
  ScoreTable(const ScoreTable &) = delete;
  ScoreTable &operator=(const ScoreTable &) = delete;

  // Reads the file into the table: true when all of it was there. The file's size tells the
  // records per level it was written with: a file of more than keptPerLevel raises it, so no
  // record is dropped; a size that fits no layout is read as keptPerLevel records per level.
  // Whole records read before a short read keep their values; the rest is left as it was.
  bool Load();
  // The same from the file's bytes (the fuzz target feeds it directly).
  bool LoadBytes(const unsigned char *bytes, std::size_t size);
  // Writes the whole table through a temporary file renamed over the old one: true when every
  // byte reached the disk. On failure the file on disk is untouched, one line goes to stderr
  // and *error (when given) says why.
  bool Save(std::string *error = nullptr);
  // "Scores could not be saved to PATH: reason", as the player is told.
  std::string SaveFailure(const std::string &reason) const;
  // The file's bytes: 5 x keptPerLevel x 260 + 512.
  std::vector<unsigned char> Bytes() const;
  // True when score beats the last shown record (perLevel - 1) of the level (0..4); false for
  // any other level.
  bool Qualifies(std::int32_t level, std::int32_t score) const;
  // Puts the score before the first shown record with a lower score (so below equal ones),
  // drops the level's last kept record, and remembers name (read up to its terminator, 255
  // units at most) as lastName and the position as lastIndex. False, and nothing changes, when
  // the level is not 0..4 or no shown record has a lower score.
  bool Insert(std::int32_t level, std::int32_t score, const char16_t *name);

  // The name entered last: the name-entry dialog's starting text.
  std::u16string_view LastName() const { return lastName; }
  // 5 x keptPerLevel x 260 + 512 bytes.
  std::size_t FileSize() const;
  const std::string &Path() const { return path_; }

  std::array<std::vector<ScoreRecord>, kLevels> levels; // keptPerLevel records each, best first
  char16_t lastName[kNameUnits] = {};                   // always terminated
  std::int32_t lastIndex = -1; // position of the last insertion in its level; -1 before one
  std::int32_t perLevel;       // records shown and competed for: the settings' scoresPerLevel
  // Records kept per level, in memory and in the file: perLevel, or more when the file was
  // written with more, so that lowering the setting never drops stored scores.
  std::int32_t keptPerLevel;

private:
  std::string path_;
  bool saved_ = false; // the content has been written (or a write tried) since it last changed
};
