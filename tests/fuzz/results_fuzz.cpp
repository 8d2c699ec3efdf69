// libFuzzer target: any results file loads into a table that keeps its shape, writes itself
// back in its own layout, and takes an insertion. The first byte picks the setting's records
// per level (1 to 8); the rest is the file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/log.h"
#include "scores/score_table.h"

namespace {

bool Terminated(const char16_t *name) {
  for (int i = 0; i < ScoreTable::kNameUnits; ++i)
    if (name[i] == 0)
      return true;
  return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size == 0)
    return 0;
  SetLogLevel(LogLevel::None); // a table with no file fails to save by design
  ScoreTable table(1 + data[0] % 8, "");
  table.LoadBytes(data + 1, size - 1);
  bool sound = table.keptPerLevel >= table.perLevel && Terminated(table.lastName);
  for (const auto &level : table.levels) {
    sound = sound && level.size() == std::size_t(table.keptPerLevel);
    for (const ScoreRecord &record : level)
      sound = sound && Terminated(record.name);
  }
  // What the table writes, it reads back as the same table.
  const std::vector<unsigned char> bytes = table.Bytes();
  ScoreTable again(table.perLevel, "");
  sound = sound && bytes.size() == table.FileSize() && again.LoadBytes(bytes.data(), bytes.size()) &&
          again.keptPerLevel == table.keptPerLevel && again.Bytes() == bytes;
  if (!sound)
    __builtin_trap();
  const std::int32_t level = data[0] % 5;
  if (table.Qualifies(level, 1 << 30) && !table.Insert(level, 1 << 30, table.lastName))
    __builtin_trap();
  return 0;
}
