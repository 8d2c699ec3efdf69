#pragma once
// A process the app tests start and talk to through pipes on its stdin, stdout and stderr,
// with deadlines on every wait: a program, or a forked copy of the test running a function.
// Both fork, so only while the test has one thread. Also a temporary folder for their files.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

class ChildProcess {
public:
  // Starts program with args; environment is this process's plus `set` ("NAME=value").
  ChildProcess(const std::vector<std::string> &args, const std::vector<std::string> &set = {});
  // The copy ends with body's answer as its exit code.
  explicit ChildProcess(const std::function<int()> &body);
  ~ChildProcess(); // kills a child still running
  ChildProcess(const ChildProcess &) = delete;
  ChildProcess &operator=(const ChildProcess &) = delete;

  pid_t Pid() const { return pid_; }
  void Write(const std::string &bytes);
  void CloseInput();
  // The next line of stdout (without its newline); false at its end or after timeoutMs.
  bool ReadLine(std::string *line, int timeoutMs);
  // The exit code, or -1 when the child did not end within timeoutMs (it is then killed), or
  // 128 + the signal that ended it.
  int Wait(int timeoutMs);
  // Everything the child wrote on stderr; call after Wait (or it waits for the child's end).
  std::string Errors();

private:
  static bool OpenPipes(int in[2], int out[2], int err[2]);
  bool ReadErrors();

  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string pending_; // stdout read past the last line handed out
  std::string errors_;
  bool errorsEnded_ = false;
  int status_ = -1;
};

// A fresh folder under /tmp, removed with all it holds at the end of its scope.
struct TempFolder {
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder &) = delete;
  TempFolder &operator=(const TempFolder &) = delete;
  std::string path;
};
