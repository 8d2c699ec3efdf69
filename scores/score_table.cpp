#include "scores/score_table.h"

#include <algorithm>
#include <utility>

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

} // namespace

ScoreTable::ScoreTable(std::int32_t records, std::string path)
    : perLevel(std::clamp(records, std::int32_t{1}, kMaxPerLevel)), path_(std::move(path)) {
  for (auto &level : levels)
    level.resize(static_cast<std::size_t>(perLevel));
  Load();
}

ScoreTable::~ScoreTable() { Save(); }

std::size_t ScoreTable::FileSize() const {
  return kLevels * static_cast<std::size_t>(perLevel) * kRecordBytes + kLastNameBytes;
}

bool ScoreTable::Load() {
  // Only the bytes of the current layout are read; anything after them is ignored.
  std::vector<unsigned char> bytes(FileSize());
  const long got = ReadFileHead(path_, bytes.data(), bytes.size());
  if (got < 0)
    return false;
  const std::size_t size = static_cast<std::size_t>(got);
  const std::size_t records = std::min(size / kRecordBytes, std::size_t{kLevels} * perLevel);
  for (std::size_t r = 0; r < records; ++r) {
    ScoreRecord &record = levels[r / perLevel][r % perLevel];
    const unsigned char *p = bytes.data() + r * kRecordBytes;
    record.score = ReadInt32(p);
    ReadName(p + 4, kStoredNameUnits, record.name, kNameUnits);
  }
  if (size < bytes.size())
    return false;
  // A last name that fills all 256 units loses its last one to the terminator.
  ReadName(bytes.data() + bytes.size() - kLastNameBytes, kNameUnits, lastName, kNameUnits);
  return true;
}

bool ScoreTable::Save() {
  std::vector<unsigned char> bytes(FileSize());
  unsigned char *p = bytes.data();
  for (const auto &level : levels) {
    for (std::int32_t i = 0; i < perLevel; ++i, p += kRecordBytes) {
      WriteInt32(p, level[i].score);
      // Half of the name field goes to the file: longer names come back cut to 128 units.
      WriteName(p + 4, level[i].name, kStoredNameUnits);
    }
  }
  WriteName(p, lastName, kNameUnits);
  return ReplaceFile(path_, bytes.data(), bytes.size());
}

bool ScoreTable::Qualifies(std::int32_t level, std::int32_t score) const {
  return ValidLevel(level) && score > levels[level][perLevel - 1].score;
}

bool ScoreTable::Insert(std::int32_t level, std::int32_t score, const char16_t *name) {
  if (!ValidLevel(level))
    return false;
  auto &records = levels[level];
  // The first record with a lower score; records read from a file need not be sorted, and
  // when none is lower the score does not enter.
  std::int32_t p = 0;
  while (p < perLevel && records[p].score >= score)
    ++p;
  if (p == perLevel)
    return false;
  for (std::int32_t i = perLevel - 1; i > p; --i)
    records[i] = records[i - 1];
  records[p].score = score;
  CopyName(records[p].name, name);
  CopyName(lastName, name);
  lastIndex = p;
  return true;
}
