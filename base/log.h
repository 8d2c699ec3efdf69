#pragma once
// The program's log: one line per event on stderr, "vexmoor: warning: ...". Errors and
// warnings always show; info and debug lines only with VEXMOOR_DEBUG=1 in the environment or
// after SetLogLevel(LogLevel::Debug) (the --verbose option). Safe from any thread; never used
// on the per-frame path. Standard library only; every layer may use it.

#include <cstdarg>

// None writes nothing at all (the fuzz targets, which make every failure on purpose).
enum class LogLevel { None, Error, Warning, Info, Debug };

// The most detailed level that is written. Starts at Warning, or Debug when VEXMOOR_DEBUG is
// set to something other than "" or "0".
void SetLogLevel(LogLevel level);
LogLevel CurrentLogLevel();
bool LogEnabled(LogLevel level);

// printf-style; the text should not end in a newline (one is added).
void Log(LogLevel level, const char *format, ...) __attribute__((format(printf, 2, 3)));
void LogError(const char *format, ...) __attribute__((format(printf, 1, 2)));
void LogWarning(const char *format, ...) __attribute__((format(printf, 1, 2)));
void LogInfo(const char *format, ...) __attribute__((format(printf, 1, 2)));
void LogDebug(const char *format, ...) __attribute__((format(printf, 1, 2)));
