#include "state/game_settings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One byte at a time with one byte of push-back, which is all the C library's scanner has;
// answers end of file once the byte budget is spent.
class Input {
public:
  explicit Input(std::FILE *file) : file_(file) {}

  int Get() {
    if (consumed_ >= GameSettings::kMaxFileBytes)
      return EOF;
    const int c = std::getc(file_);
    if (c != EOF)
      ++consumed_;
    return c;
  }

  void Unget(int c) {
    if (c != EOF && std::ungetc(c, file_) != EOF)
      --consumed_;
  }

private:
  std::FILE *file_;
  long consumed_ = 0;
};

// White space of the "C" locale, whatever locale the program runs in.
bool IsSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(int c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int Lower(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Consumes white space and answers the first other character, consumed too, or EOF.
int SkipSpace(Input &in) {
  int c;
  do
    c = in.Get();
  while (IsSpace(c));
  return c;
}

// The start of a number: white space, then an optional sign, all consumed. Answers the
// character after them, consumed too, or EOF.
int SkipSpaceAndSign(Input &in, bool *negative) {
  int c = SkipSpace(in);
  *negative = c == '-';
  if (c == '-' || c == '+')
    c = in.Get();
  return c;
}

// The "\n" of the format: any amount of white space, none required.
void SkipTrailingSpace(Input &in) { in.Unget(SkipSpace(in)); }

enum class Scan {
  Failed,     // nothing converted; the character that stopped it is still unread
  Converted,  // the field holds the value
  OutOfRange, // text consumed as by a conversion, but the value does not fit: field untouched
};

// "%d": optional sign and decimal digits. The magnitude stops growing once it is past the
// 32-bit range, so any number of digits is read without overflow and without memory.
Scan ScanInt(Input &in, std::int32_t &field) {
  bool negative = false;
  int c = SkipSpaceAndSign(in, &negative);
  if (c == EOF)
    return Scan::Failed;
  constexpr std::int64_t kPastRange = std::int64_t{INT32_MAX} + 2;
  std::int64_t magnitude = 0;
  bool digits = false;
  while (IsDigit(c)) {
    digits = true;
    if (magnitude < kPastRange)
      magnitude = magnitude * 10 + (c - '0');
    c = in.Get();
  }
  // A lone sign stays consumed, as it does in the C library.
  in.Unget(c);
  if (!digits)
    return Scan::Failed;
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX)
    return Scan::OutOfRange;
  field = static_cast<std::int32_t>(value);
  return Scan::Converted;
}

// The text of one "%f" number, without its sign. Longer numbers are still consumed whole but
// refused, so the buffer stays small.
class Token {
public:
  void Add(int c) {
    if (size_ < kCapacity)
      text_[size_++] = static_cast<char>(c);
    else
      tooLong_ = true;
  }
  std::size_t Size() const { return size_; }
  char Last() const { return size_ > 0 ? text_[size_ - 1] : '\0'; }
  bool TooLong() const { return tooLong_; }
  const char *Terminated() {
    text_[size_] = '\0';
    return text_;
  }

private:
  static constexpr std::size_t kCapacity = 1024;
  char text_[kCapacity + 1];
  std::size_t size_ = 0;
  bool tooLong_ = false;
};

// Converts with the "C" locale's decimal point, whatever locale the program runs in.
float ToFloat(const char *text, char **end) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  return cLocale ? strtof_l(text, end, cLocale) : std::strtof(text, end);
}

// "%f" as the C library scans it: the longest run of characters that can continue a number,
// then the longest number at the start of that run. A word that starts like "nan", "inf" or
// "infinity" and then differs fails with the differing character consumed.
Scan ScanFloat(Input &in, float &field) {
  bool negative = false;
  int c = SkipSpaceAndSign(in, &negative);
  if (c == EOF)
    return Scan::Failed;
  Token token;
  const auto expect = [&](char wanted) {
    c = in.Get();
    if (c == EOF || Lower(c) != wanted)
      return false;
    token.Add(c);
    return true;
  };
  if (Lower(c) == 'n') {
    token.Add(c);
    if (!expect('a') || !expect('n'))
      return Scan::Failed;
  } else if (Lower(c) == 'i') {
    token.Add(c);
    if (!expect('n') || !expect('f'))
      return Scan::Failed;
    c = in.Get();
    if (Lower(c) == 'i') {
      token.Add(c);
      if (!expect('n') || !expect('i') || !expect('t') || !expect('y'))
        return Scan::Failed;
    } else {
      in.Unget(c);
    }
  } else {
    bool hex = false, gotDigit = false, gotDot = false, gotExponent = false;
    char exponentChar = 'e';
    if (c == '0') {
      token.Add(c);
      c = in.Get();
      if (Lower(c) == 'x') {
        token.Add(c);
        hex = true;
        exponentChar = 'p';
        c = in.Get();
      } else {
        gotDigit = true;
      }
    }
    for (;; c = in.Get()) {
      if (IsDigit(c) || (hex && !gotExponent && IsHexDigit(c))) {
        token.Add(c);
        gotDigit = true;
      } else if (gotExponent && token.Last() == exponentChar && (c == '-' || c == '+')) {
        token.Add(c);
      } else if (gotDigit && !gotExponent && Lower(c) == exponentChar) {
        token.Add(exponentChar);
        gotExponent = gotDot = true;
      } else if (!gotDot && c == '.') {
        token.Add(c);
        gotDot = true;
      } else {
        in.Unget(c);
        break;
      }
    }
    if (token.Size() == 0 || (hex && token.Size() == 2))
      return Scan::Failed;
  }
  if (token.TooLong())
    return Scan::OutOfRange;
  const char *text = token.Terminated();
  char *end = nullptr;
  const float value = ToFloat(text, &end);
  if (end == text)
    return Scan::Failed;
  field = negative ? -value : value;
  return Scan::Converted;
}

// Only a regular file is read: a folder, a pipe or a device gives no values instead of an
// error or a read that never ends.
std::FILE *OpenRegularFile(const std::string &path) {
  if (path.empty())
    return nullptr;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0)
    return nullptr;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  std::FILE *file = fdopen(fd, "r");
  if (!file)
    close(fd);
  return file;
}

bool Within(std::int32_t value, std::int32_t low, std::int32_t high) { return value >= low && value <= high; }
bool Within(float value, float low, float high) { return value >= low && value <= high; } // NaN fails
bool NonNegativeFinite(float value) { return std::isfinite(value) && value >= 0.0f; }

// Puts back the default of every field the game cannot run with: a divisor of zero, arrays
// too small or too large for their users, a board that does not fit the screen, a snake that
// does not fit the board, a pad press that would not beat the steering thresholds.
void RefuseUnusable(GameSettings &s) {
  const GameSettings defaults;
  if (!Within(s.startInterval, 1, GameSettings::kMaxStartInterval))
    s.startInterval = defaults.startInterval;
  if (!Within(s.boardSize, 3, GameSettings::kMaxBoardSize))
    s.boardSize = defaults.boardSize;
  // The default length may itself not fit a small board: then the longest snake it allows.
  if (!Within(s.startLength, 2, s.boardSize - 1))
    s.startLength = std::min(defaults.startLength, s.boardSize - 1);
  if (s.foodsPerSpeedUp < 1)
    s.foodsPerSpeedUp = defaults.foodsPerSpeedUp;
  if (!Within(s.scoresPerLevel, 1, GameSettings::kMaxScoresPerLevel))
    s.scoresPerLevel = defaults.scoresPerLevel;
  if (!Within(s.trailCapacity, 2, GameSettings::kMaxTrailCapacity))
    s.trailCapacity = defaults.trailCapacity;
  // A negative floor lets a zero steering value pass the threshold test, which then divides
  // it by its own magnitude.
  if (!Within(s.minThreshold, 0, GameSettings::kMaxThreshold))
    s.minThreshold = defaults.minThreshold;
  if (!Within(s.turnThreshold, 0, GameSettings::kMaxThreshold))
    s.turnThreshold = defaults.turnThreshold;
  // A pad press is turnThreshold + 1 and must beat every threshold, the floor included; which
  // of the two is wrong cannot be told, so both go back.
  if (s.turnThreshold < s.minThreshold) {
    s.turnThreshold = defaults.turnThreshold;
    s.minThreshold = defaults.minThreshold;
  }
  // A decay above 1 grows the thresholds each step until they reach infinity and nothing
  // steers any more.
  if (!Within(s.thresholdDecay, 0.0f, 1.0f))
    s.thresholdDecay = defaults.thresholdDecay;
  if (!NonNegativeFinite(s.blockPeakRatio))
    s.blockPeakRatio = defaults.blockPeakRatio;
  if (!NonNegativeFinite(s.blockMinContrast))
    s.blockMinContrast = defaults.blockMinContrast;
  if (!NonNegativeFinite(s.profilePeakRatio))
    s.profilePeakRatio = defaults.profilePeakRatio;
  if (!NonNegativeFinite(s.profileMinContrast))
    s.profileMinContrast = defaults.profileMinContrast;
}

} // namespace

void GameSettings::ReadValues(std::FILE *file) {
  Input in(file);
  // Each value is its own conversion: one that fails leaves its field and the text in place,
  // and the next conversion meets the same text.
  for (std::int32_t *field : {&startInterval, &boardSize, &startLength, &foodsPerSpeedUp, &scoresPerLevel,
                              &trailCapacity, &turnThreshold, &minThreshold}) {
    if (ScanInt(in, *field) != Scan::Failed)
      SkipTrailingSpace(in);
  }
  for (float *field :
       {&thresholdDecay, &blockPeakRatio, &blockMinContrast, &profilePeakRatio, &profileMinContrast}) {
    if (ScanFloat(in, *field) != Scan::Failed)
      SkipTrailingSpace(in);
  }
}

void GameSettings::Load(const std::string &path) {
  if (std::FILE *file = OpenRegularFile(path)) {
    ReadValues(file);
    std::fclose(file);
  }
  RefuseUnusable(*this);
  bodyCapacity = boardSize;
  padUp = turnThreshold + 1;
  padDown = -turnThreshold - 1;
  padLeft = -turnThreshold - 1;
  padRight = turnThreshold + 1;
  starveSteps = 2 * boardSize;
}
