#include "base/log.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace {

LogLevel LevelFromEnvironment() {
  const char *debug = std::getenv("VEXMOOR_DEBUG");
  return debug && *debug && std::strcmp(debug, "0") != 0 ? LogLevel::Debug : LogLevel::Warning;
}

std::atomic<LogLevel> &Level() {
  static std::atomic<LogLevel> level{LevelFromEnvironment()};
  return level;
}

const char *LevelName(LogLevel level) {
  switch (level) {
  case LogLevel::None:
    break;
  case LogLevel::Error:
    return "error";
  case LogLevel::Warning:
    return "warning";
  case LogLevel::Info:
    return "info";
  case LogLevel::Debug:
    return "debug";
  }
  return "?";
}

void Write(LogLevel level, const char *format, va_list args) {
  if (!LogEnabled(level))
    return;
  char buffer[512];
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, copy);
  va_end(copy);
  if (length < 0)
    return;
  std::string text(buffer, std::min(std::size_t(length), sizeof buffer - 1));
  if (std::size_t(length) >= sizeof buffer) {
    text.assign(std::size_t(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(std::size_t(length));
  }
  // One event stays one line: a newline inside the text would look like a second event.
  for (char &c : text)
    if (c == '\n' || c == '\r')
      c = ' ';
  const std::string line = std::string("vexmoor: ") + LevelName(level) + ": " + text + "\n";
  // stderr is unbuffered, so one fwrite is one write; the lock keeps threads' lines whole.
  static std::mutex lock;
  std::lock_guard<std::mutex> hold(lock);
  std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace

void SetLogLevel(LogLevel level) { Level().store(level); }

LogLevel CurrentLogLevel() { return Level().load(); }

bool LogEnabled(LogLevel level) {
  return level != LogLevel::None && static_cast<int>(level) <= static_cast<int>(CurrentLogLevel());
}

#define VEXMOOR_LOG_AT(level)                                                                                \
  va_list args;                                                                                              \
  va_start(args, format);                                                                                    \
  Write(level, format, args);                                                                                \
  va_end(args)

void Log(LogLevel level, const char *format, ...) { VEXMOOR_LOG_AT(level); }
void LogError(const char *format, ...) { VEXMOOR_LOG_AT(LogLevel::Error); }
void LogWarning(const char *format, ...) { VEXMOOR_LOG_AT(LogLevel::Warning); }
void LogInfo(const char *format, ...) { VEXMOOR_LOG_AT(LogLevel::Info); }
void LogDebug(const char *format, ...) { VEXMOOR_LOG_AT(LogLevel::Debug); }
