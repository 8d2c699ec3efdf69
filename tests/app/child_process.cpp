#include "child_process.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

// A sanitized child runs several times slower, more so on a loaded machine; the time limits
// only end a child that would never end, so they stretch with it.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kSlowdown = 4;
#else
constexpr int kSlowdown = 1;
#endif

std::chrono::steady_clock::time_point DeadlineIn(int timeoutMs) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs) * kSlowdown;
}

int Left(std::chrono::steady_clock::time_point deadline) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
          .count();
  return ms > 0 ? int(ms) : 0;
}

} // namespace

bool ChildProcess::OpenPipes(int in[2], int out[2], int err[2]) {
  return pipe2(in, O_CLOEXEC) == 0 && pipe2(out, O_CLOEXEC) == 0 && pipe2(err, O_CLOEXEC) == 0;
}

ChildProcess::ChildProcess(const std::function<int()> &body) {
  int in[2], out[2], err[2];
  if (!OpenPipes(in, out, err))
    return;
  std::fflush(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    close_range(3, ~0U, 0); // other children's pipes too: their ends must close with them
    _exit(body());
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  in_ = in[1], out_ = out[0], err_ = err[0];
}

ChildProcess::ChildProcess(const std::vector<std::string> &args, const std::vector<std::string> &set)
    : ChildProcess([&] {
        for (const std::string &variable : set)
          putenv(const_cast<char *>(variable.c_str()));
        std::vector<char *> argv;
        for (const std::string &a : args)
          argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        return 127;
      }) {}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && status_ < 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  for (int fd : {in_, out_, err_})
    if (fd >= 0)
      close(fd);
}

void ChildProcess::Write(const std::string &bytes) { (void)!write(in_, bytes.data(), bytes.size()); }

void ChildProcess::CloseInput() {
  if (in_ >= 0)
    close(in_);
  in_ = -1;
}

bool ChildProcess::ReadLine(std::string *line, int timeoutMs) {
  const auto deadline = DeadlineIn(timeoutMs);
  for (;;) {
    const std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      *line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return true;
    }
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, Left(deadline)) <= 0)
      return false;
    char buffer[256];
    const ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0)
      return false;
    pending_.append(buffer, std::size_t(n));
  }
}

int ChildProcess::Wait(int timeoutMs) {
  const auto deadline = DeadlineIn(timeoutMs);
  while (status_ < 0) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (Left(deadline) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      status_ = 255;
      return -1;
    }
    // Reading stderr meanwhile keeps its pipe from filling; its end comes with the child's.
    pollfd p{err_, POLLIN, 0};
    if (!errorsEnded_ && poll(&p, 1, std::min(Left(deadline), 20)) > 0)
      errorsEnded_ = !ReadErrors();
    else if (errorsEnded_)
      poll(nullptr, 0, 2);
  }
  return status_;
}

bool ChildProcess::ReadErrors() {
  char buffer[512];
  const ssize_t n = read(err_, buffer, sizeof buffer);
  if (n > 0)
    errors_.append(buffer, std::size_t(n));
  return n > 0;
}

std::string ChildProcess::Errors() {
  while (!errorsEnded_)
    errorsEnded_ = !ReadErrors();
  return errors_;
}

TempFolder::TempFolder() {
  char base[] = "/tmp/vexmoor-test-XXXXXX";
  if (mkdtemp(base) != nullptr)
    path = base;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  if (!path.empty())
    std::filesystem::remove_all(path, ignored);
}
