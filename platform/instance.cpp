// One instance: the application window listens on a Unix socket; a second start finds it,
// asks it to come forward or to close, and ends.

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

struct Listener {
  HWND window = nullptr;
  int socket = -1;
  int wakePipe[2] = {-1, -1};
  std::string path;
  std::thread thread;
};

Listener *g_listener = nullptr;

std::string SocketFolder() {
  const char *runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime)
    return runtime;
  const char *tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

// The socket's path for a class name, per user.
std::string SocketPath(const char16_t *className) {
  std::string name;
  for (const char16_t *c = className; c && *c; ++c)
    name += (*c < 128 && std::isalnum(int(*c))) ? char(std::tolower(int(*c))) : '_';
  return SocketFolder() + "/" + (name.empty() ? "app" : name) + "-" + std::to_string(getuid()) + ".sock";
}

bool FillAddress(const std::string &path, sockaddr_un *address) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof address->sun_path)
    return false;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

int Connect(const std::string &path) {
  sockaddr_un address;
  if (!FillAddress(path, &address))
    return -1;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return -1;
  if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool PeerIsUs(int fd) {
  ucred cred{};
  socklen_t length = sizeof cred;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && cred.uid == getuid();
}

void Serve(Listener *l) {
  for (;;) {
    pollfd fds[2] = {{l->socket, POLLIN, 0}, {l->wakePipe[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      return;
    }
    if (fds[1].revents)
      return;
    int client = accept4(l->socket, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
      continue;
    if (PeerIsUs(client)) {
      // One short line: "raise" or "post <message>". Read with a time limit.
      char buffer[64] = {};
      std::size_t used = 0;
      pollfd in{client, POLLIN, 0};
      while (used < sizeof buffer - 1 && poll(&in, 1, 500) > 0) {
        ssize_t n = read(client, buffer + used, sizeof buffer - 1 - used);
        if (n <= 0)
          break;
        used += std::size_t(n);
        if (std::memchr(buffer, '\n', used))
          break;
      }
      std::string line(buffer, used);
      if (line.rfind("raise", 0) == 0) {
        PostInputEvent(InputEvent::Kind::Raise);
      } else if (line.rfind("post ", 0) == 0) {
        // Only the close request is taken from outside.
        if (std::strtoul(line.c_str() + 5, nullptr, 10) == WM_CLOSE_REQUEST)
          PostInputEvent(InputEvent::Kind::CloseRequest);
      }
      (void)!send(client, "ok\n", 3, MSG_NOSIGNAL);
    }
    close(client);
  }
}

} // namespace

void StartInstanceListener(HWND window) {
  if (g_listener)
    return;
  std::string path = SocketPath(window->className.c_str());
  // Binding is serialised with a lock file, so two starts cannot both take a stale socket.
  int lock = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock >= 0)
    flock(lock, LOCK_EX);
  sockaddr_un address;
  int fd = -1;
  if (FillAddress(path, &address)) {
    int existing = Connect(path);
    if (existing >= 0) {
      close(existing); // another instance answers: leave its socket alone
    } else {
      unlink(path.c_str()); // nobody answers: a crashed instance's socket
      fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      mode_t old = umask(0077);
      if (fd >= 0 &&
          (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(fd, 4) != 0)) {
        close(fd);
        fd = -1;
      }
      umask(old);
    }
  }
  if (lock >= 0) {
    flock(lock, LOCK_UN);
    close(lock);
  }
  if (fd < 0)
    return;
  auto *l = new Listener;
  l->window = window;
  l->socket = fd;
  l->path = path;
  if (pipe2(l->wakePipe, O_CLOEXEC) != 0) {
    close(fd);
    unlink(path.c_str());
    delete l;
    return;
  }
  l->thread = std::thread(Serve, l);
  g_listener = l;
}

void StopInstanceListener(HWND window) {
  Listener *l = g_listener;
  if (!l || l->window != window)
    return;
  (void)!write(l->wakePipe[1], "x", 1);
  l->thread.join();
  close(l->socket);
  close(l->wakePipe[0]);
  close(l->wakePipe[1]);
  unlink(l->path.c_str());
  delete l;
  g_listener = nullptr;
}

HWND ConnectToInstance(const char16_t *className, const char16_t *caption) {
  if (!className || !caption)
    return nullptr;
  std::string path = SocketPath(className);
  int fd = Connect(path);
  if (fd < 0)
    return nullptr;
  close(fd);
  auto *remote = new Window;
  remote->kind = WindowKind::Remote;
  remote->className = className;
  remote->text = caption;
  remote->remotePath = path;
  WM().windows.push_back(remote);
  std::lock_guard<std::mutex> lock(WM().queueMutex);
  WM().remotes.push_back(remote);
  return remote;
}

bool SendToInstance(Window *remote, const std::string &line) {
  int fd = Connect(remote->remotePath);
  if (fd < 0)
    return false;
  bool ok = send(fd, line.data(), line.size(), MSG_NOSIGNAL) == ssize_t(line.size());
  // Wait briefly for the answer, so the request is taken before this process ends.
  pollfd in{fd, POLLIN, 0};
  char answer[8];
  if (ok && poll(&in, 1, 1000) > 0)
    ok = read(fd, answer, sizeof answer) > 0;
  close(fd);
  return ok;
}
