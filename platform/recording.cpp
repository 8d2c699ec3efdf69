// Writing and reading recordings.

#include "platform/recording.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "platform/window_manager.h"

namespace {

constexpr char kVersionLine[] = "vexmoor-recording 1";
// The longest line written is a results file in hexadecimal (117512 bytes at most).
constexpr std::size_t kMaxLine = 1 << 20;
constexpr std::size_t kMaxTextUnits = 256;
constexpr int kMaxScreenPixel = 4096;

struct Writer {
  std::FILE *file = nullptr;
  std::string path;
  bool failed = false;
  int error = 0;
};

Writer g_writer;

void WriteLine(const std::string &line) {
  if (!g_writer.file || g_writer.failed)
    return;
  // Each line goes out at once, so a run that crashes leaves what led to the crash.
  if (std::fputs((line + "\n").c_str(), g_writer.file) < 0 || std::fflush(g_writer.file) != 0) {
    g_writer.failed = true;
    g_writer.error = errno;
  }
}

const char *KindName(InputEvent::Kind kind) {
  switch (kind) {
  case InputEvent::Kind::Key:
    return "key";
  case InputEvent::Kind::Text:
    return "text";
  case InputEvent::Kind::Click:
    return "click";
  case InputEvent::Kind::CloseRequest:
    return "close";
  case InputEvent::Kind::Raise:
    return "raise";
  case InputEvent::Kind::Motion:
    return "motion";
  case InputEvent::Kind::CatchUp:
    return "catch-up";
  case InputEvent::Kind::Nothing:
    break;
  }
  return "nothing";
}

// Whole decimal numbers with an optional minus sign, within [low, high].
template <typename T> bool ParseNumber(const std::string &word, T low, T high, T *out) {
  const char *first = word.data(), *last = word.data() + word.size();
  if (first != last && *first == '+')
    return false;
  T value{};
  auto [end, status] = std::from_chars(first, last, value);
  if (status != std::errc() || end != last || value < low || value > high)
    return false;
  *out = value;
  return true;
}

std::vector<std::string> Words(const std::string &line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string w; in >> w;)
    words.push_back(w);
  return words;
}

bool ValidName(const std::string &name) {
  if (name.empty() || !(name[0] >= 'a' && name[0] <= 'z'))
    return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'))
      return false;
  return true;
}

bool Printable(const std::string &text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F)
      return false;
  return true;
}

} // namespace

bool StartRecording(const std::string &path, std::string *error) {
  std::string ignored;
  StopRecording(&ignored);
  std::FILE *file = std::fopen(path.c_str(), "w");
  if (!file) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  g_writer = Writer{file, path, false, 0};
  WriteLine(kVersionLine);
  return true;
}

void RecordNote(const std::string &name, const std::string &value) {
  if (ValidName(name) && Printable(value))
    WriteLine(name + " " + value);
}

void RecordInput(std::uint64_t loopTime, const InputEvent &event) {
  if (g_writer.file)
    WriteLine(FormatInput(loopTime, event));
}

bool StopRecording(std::string *error) {
  if (!g_writer.file)
    return true;
  bool closed = std::fclose(g_writer.file) == 0;
  if (!closed && !g_writer.failed) {
    g_writer.failed = true;
    g_writer.error = errno;
  }
  bool ok = !g_writer.failed;
  if (!ok)
    *error = "cannot write " + g_writer.path + ": " + std::strerror(g_writer.error);
  g_writer = Writer{};
  return ok;
}

std::string FormatInput(std::uint64_t at, const InputEvent &e) {
  std::string line = std::to_string(at) + " " + KindName(e.kind);
  switch (e.kind) {
  case InputEvent::Kind::Key:
    line += " " + std::to_string(e.key);
    break;
  case InputEvent::Kind::Text:
    for (char16_t unit : e.text) {
      char hex[8];
      std::snprintf(hex, sizeof hex, " %04x", unsigned(unit));
      line += hex;
    }
    break;
  case InputEvent::Kind::Click:
    line += " " + std::to_string(e.x) + " " + std::to_string(e.y);
    break;
  case InputEvent::Kind::Motion:
    line += " " + std::to_string(e.x) + " " + std::to_string(e.y) + (e.valid ? " 1" : " 0");
    break;
  case InputEvent::Kind::CatchUp:
    line += " " + std::to_string(e.jumpTo);
    break;
  default:
    break;
  }
  return line;
}

bool ParseInput(const std::string &line, std::uint64_t *at, InputEvent *event, std::string *error) {
  std::vector<std::string> w = Words(line);
  if (w.size() < 2 || !ParseNumber<std::uint64_t>(w[0], 0, UINT64_MAX / 2, at)) {
    *error = "an input needs a time in milliseconds and a kind";
    return false;
  }
  InputEvent e;
  const std::string &kind = w[1];
  std::size_t values = w.size() - 2;
  auto wrongCount = [&](const char *expected) {
    *error = "'" + kind + "' takes " + expected;
    return false;
  };
  if (kind == "key") {
    e.kind = InputEvent::Kind::Key;
    if (values != 1)
      return wrongCount("one virtual key");
    if (!ParseNumber<std::uint32_t>(w[2], 1, 255, &e.key)) {
      *error = "a virtual key is a number from 1 to 255, not '" + w[2] + "'";
      return false;
    }
  } else if (kind == "text") {
    e.kind = InputEvent::Kind::Text;
    if (values < 1 || values > kMaxTextUnits)
      return wrongCount("1 to 256 UTF-16 units");
    for (std::size_t i = 2; i < w.size(); ++i) {
      std::uint32_t unit = 0;
      auto [end, status] = std::from_chars(w[i].data(), w[i].data() + w[i].size(), unit, 16);
      if (w[i].size() != 4 || status != std::errc() || end != w[i].data() + w[i].size()) {
        *error = "a text unit is four hexadecimal digits, not '" + w[i] + "'";
        return false;
      }
      e.text.push_back(char16_t(unit));
    }
  } else if (kind == "click") {
    e.kind = InputEvent::Kind::Click;
    if (values != 2)
      return wrongCount("x and y");
    if (!ParseNumber(w[2], 0, kMaxScreenPixel, &e.x) || !ParseNumber(w[3], 0, kMaxScreenPixel, &e.y)) {
      *error = "a click is at two screen pixels from 0 to " + std::to_string(kMaxScreenPixel);
      return false;
    }
  } else if (kind == "motion") {
    e.kind = InputEvent::Kind::Motion;
    int valid = 0;
    if (values != 3)
      return wrongCount("x, y and 1 or 0");
    if (!ParseNumber(w[2], INT32_MIN, INT32_MAX, &e.x) || !ParseNumber(w[3], INT32_MIN, INT32_MAX, &e.y) ||
        !ParseNumber(w[4], 0, 1, &valid)) {
      *error = "a motion report is two whole numbers and 1 or 0";
      return false;
    }
    e.valid = valid == 1;
  } else if (kind == "close" || kind == "raise") {
    e.kind = kind == "close" ? InputEvent::Kind::CloseRequest : InputEvent::Kind::Raise;
    if (values != 0)
      return wrongCount("no values");
  } else if (kind == "catch-up") {
    e.kind = InputEvent::Kind::CatchUp;
    if (values != 1)
      return wrongCount("the time it moves on to");
    if (!ParseNumber<std::uint64_t>(w[2], *at, UINT64_MAX / 2, &e.jumpTo)) {
      *error = "a catch-up moves the clock on, to a time not before its own";
      return false;
    }
  } else {
    *error = "unknown input '" + kind + "'";
    return false;
  }
  *event = std::move(e);
  return true;
}

const std::string *Recording::Note(const std::string &name) const {
  for (const auto &[n, value] : notes)
    if (n == name)
      return &value;
  return nullptr;
}

bool ReadRecording(const std::string &path, Recording *out, std::string *error) {
  std::FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  Recording r;
  std::string line;
  int number = 0;
  bool ok = true;
  auto fail = [&](const std::string &what) {
    *error = path + ":" + std::to_string(number) + ": " + what;
    ok = false;
  };
  for (bool more = true; ok && more;) {
    line.clear();
    int c;
    while ((c = std::getc(file)) != EOF && c != '\n' && line.size() <= kMaxLine)
      line.push_back(char(c));
    more = c != EOF;
    if (!more && line.empty())
      break;
    ++number;
    if (line.size() > kMaxLine) {
      fail("line longer than " + std::to_string(kMaxLine) + " bytes");
      break;
    }
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (number == 1) {
      if (line != kVersionLine)
        fail(line.rfind("vexmoor-recording ", 0) == 0
                 ? "this program reads recordings of version 1, not '" + line.substr(18) + "'"
                 : "not a Vexmoor recording (no '" + std::string(kVersionLine) + "' line first)");
      continue;
    }
    if (line.empty())
      continue;
    if (line[0] >= '0' && line[0] <= '9') {
      Recording::Input input{};
      std::string what;
      if (!ParseInput(line, &input.at, &input.event, &what))
        fail(what);
      else if (!r.inputs.empty() && input.at < r.inputs.back().at)
        fail("time " + std::to_string(input.at) + " comes before the previous input's");
      else
        r.inputs.push_back(std::move(input));
      continue;
    }
    std::size_t space = line.find(' ');
    std::string name = line.substr(0, space);
    std::string value = space == std::string::npos ? "" : line.substr(space + 1);
    if (!ValidName(name) || !Printable(value))
      fail("neither an input nor a 'name value' line");
    else if (r.Note(name))
      fail("'" + name + "' is given twice");
    else
      r.notes.emplace_back(name, value);
  }
  if (ok && std::ferror(file))
    fail(std::strerror(errno));
  std::fclose(file);
  if (ok && number == 0) {
    *error = path + ": empty file, not a Vexmoor recording";
    ok = false;
  }
  if (ok)
    *out = std::move(r);
  return ok;
}
