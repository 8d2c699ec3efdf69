#include "scores/score_table.h"

#include <algorithm>
#include <utility>

#include "base/log.h"
#include "scores/file_io.h"

namespace {

std::int32_t ReadInt32(const unsigned char *p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                   std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
}

void WriteInt32(unsigned char *p, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<unsigned char>(bits >> (8 * i));
}

// Takes units up to the first zero or the end of the field and zeroes the rest of name, which
// keeps one unit more than the field so that it is always terminated. Surrogates are kept as
// they are, paired or not.
void ReadName(const unsigned char *p, int units, char16_t *name, int capacity) {
  int i = 0;
  for (; i < units && i < capacity - 1; ++i) {
    const auto unit = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
    if (unit == 0)
      break;
    name[i] = unit;
  }
  std::fill(name + i, name + capacity, u'\0');
}

// The units up to the terminator, at most units of them, then zeros to the end of the field.
void WriteName(unsigned char *p, const char16_t *name, int units) {
  bool ended = false;
  for (int i = 0; i < units; ++i) {
    ended = ended || name[i] == 0;
    const char16_t unit = ended ? 0 : name[i];
    p[2 * i] = static_cast<unsigned char>(unit & 0xFF);
    p[2 * i + 1] = static_cast<unsigned char>(unit >> 8);
  }
}

void CopyName(char16_t (&to)[ScoreTable::kNameUnits], const char16_t *from) {
  int i = 0;
  for (; from && i < ScoreTable::kNameUnits - 1 && from[i] != 0; ++i)
    to[i] = from[i];
  std::fill(to + i, to + ScoreTable::kNameUnits, u'\0');
}

bool ValidLevel(std::int32_t level) { return level >= 0 && level < ScoreTable::kLevels; }

// Records per level of a file of this size, or 0 when no layout has it.
std::int32_t RecordsPerLevelOf(std::size_t size) {
  constexpr std::size_t kPerRecordRow = ScoreTable::kLevels * ScoreTable::kRecordBytes;
  if (size < ScoreTable::kLastNameBytes + kPerRecordRow ||
      (size - ScoreTable::kLastNameBytes) % kPerRecordRow)
    return 0;
  const std::size_t records = (size - ScoreTable::kLastNameBytes) / kPerRecordRow;
  return records <= std::size_t(ScoreTable::kMaxPerLevel) ? std::int32_t(records) : 0;
}

std::size_t LayoutSize(std::int32_t perLevel) {
  return ScoreTable::kLevels * static_cast<std::size_t>(perLevel) * ScoreTable::kRecordBytes +
         ScoreTable::kLastNameBytes;
}

} // namespace

ScoreTable::ScoreTable(std::int32_t records, std::string path)
    : perLevel(std::clamp(records, std::int32_t{1}, kMaxPerLevel)), keptPerLevel(perLevel),
      path_(std::move(path)) {
  for (auto &level : levels)
    level.resize(static_cast<std::size_t>(keptPerLevel));
  Load();
}

ScoreTable::~ScoreTable() {
  if (!saved_)
    Save();
}

std::size_t ScoreTable::FileSize() const { return LayoutSize(keptPerLevel); }

bool ScoreTable::Load() {
  // The largest layout and a byte more, so that a longer file shows as one.
  std::vector<unsigned char> bytes;
  std::string problem;
  if (!ReadFileHead(path_, LayoutSize(kMaxPerLevel) + 1, &bytes, &problem)) {
    if (!problem.empty())
      LogWarning("%s: %s; the scores start empty", path_.c_str(), problem.c_str());
    return false;
  }
  const std::size_t size = bytes.size();
  if (RecordsPerLevelOf(size) == 0)
    LogWarning("%s: %zu bytes is not the size of a results file; read as %d records per level", path_.c_str(),
               size, keptPerLevel);
  const bool whole = LoadBytes(bytes.data(), size);
  LogInfo("scores read from %s: %d records per level", path_.c_str(), keptPerLevel);
  return whole;
}

bool ScoreTable::LoadBytes(const unsigned char *bytes, std::size_t size) {
  saved_ = false;
  const std::int32_t written = RecordsPerLevelOf(size);
  const std::int32_t layout = written > 0 ? written : keptPerLevel;
  if (layout > keptPerLevel) {
    keptPerLevel = layout;
    for (auto &level : levels)
      level.resize(static_cast<std::size_t>(keptPerLevel));
  }
  const std::size_t records = std::min(size / kRecordBytes, std::size_t{kLevels} * layout);
  for (std::size_t r = 0; r < records; ++r) {
    ScoreRecord &record = levels[r / layout][r % layout];
    const unsigned char *p = bytes + r * kRecordBytes;
    record.score = ReadInt32(p);
    ReadName(p + 4, kStoredNameUnits, record.name, kNameUnits);
  }
  const std::size_t whole = LayoutSize(layout);
  if (size < whole)
    return false;
  // A last name that fills all 256 units loses its last one to the terminator.
  ReadName(bytes + whole - kLastNameBytes, kNameUnits, lastName, kNameUnits);
  return true;
}

std::vector<unsigned char> ScoreTable::Bytes() const {
  std::vector<unsigned char> bytes(FileSize());
  unsigned char *p = bytes.data();
  for (const auto &level : levels) {
    for (std::int32_t i = 0; i < keptPerLevel; ++i, p += kRecordBytes) {
      WriteInt32(p, level[i].score);
      // Half of the name field goes to the file: longer names come back cut to 128 units.
      WriteName(p + 4, level[i].name, kStoredNameUnits);
    }
  }
  WriteName(p, lastName, kNameUnits);
  return bytes;
}

std::string ScoreTable::SaveFailure(const std::string &reason) const {
  return "Scores could not be saved to " + (path_.empty() ? std::string("(no results file)") : path_) + ": " +
         reason;
}

bool ScoreTable::Save(std::string *error) {
  saved_ = true;
  const std::vector<unsigned char> bytes = Bytes();
  std::string reason;
  if (!ReplaceFile(path_, bytes.data(), bytes.size(), &reason)) {
    LogError("%s", SaveFailure(reason).c_str());
    if (error)
      *error = reason;
    return false;
  }
  LogInfo("scores saved to %s (%zu bytes)", path_.c_str(), bytes.size());
  return true;
}

bool ScoreTable::Qualifies(std::int32_t level, std::int32_t score) const {
  return ValidLevel(level) && score > levels[level][perLevel - 1].score;
}

bool ScoreTable::Insert(std::int32_t level, std::int32_t score, const char16_t *name) {
  if (!ValidLevel(level))
    return false;
  auto &records = levels[level];
  // The first shown record with a lower score; records read from a file need not be sorted,
  // and when none is lower the score does not enter.
  std::int32_t p = 0;
  while (p < perLevel && records[p].score >= score)
    ++p;
  if (p == perLevel)
    return false;
  for (std::int32_t i = keptPerLevel - 1; i > p; --i)
    records[i] = records[i - 1];
  records[p].score = score;
  CopyName(records[p].name, name);
  CopyName(lastName, name);
  lastIndex = p;
  saved_ = false;
  return true;
}
