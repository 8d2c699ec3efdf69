// One instance: the application window listens on a Unix socket in a private runtime folder;
// a second start finds it, asks it to come forward or to close, and ends. Every exchange has
// a deadline, and each side checks that the other is the same user.

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "base/log.h"
#include "platform/input_door.h"
#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Listener {
  HWND window = nullptr;
  int socket = -1;
  int wakePipe[2] = {-1, -1};
  std::string path;
  std::thread thread;
};

Listener *g_listener = nullptr;
InstanceDeadlines g_deadlines;

constexpr std::size_t kMaxSocketPath = sizeof(sockaddr_un::sun_path) - 1; // 107 bytes

std::string SocketName(const char16_t *className) {
  std::string name;
  for (const char16_t *c = className; c && *c; ++c)
    name += (*c < 128 && std::isalnum(int(*c))) ? char(std::tolower(int(*c))) : '_';
  return (name.empty() ? "app" : name) + "-" + std::to_string(getuid()) + ".sock";
}

// Why folder cannot hold our socket, or empty when it can: it must be a folder of ours that
// nobody else may enter, and short enough for the socket's name. followLinks is false for a
// folder in a shared place, where a link could lead anywhere.
std::string Unusable(const std::string &folder, const std::string &socketName, bool followLinks) {
  struct stat info {};
  if ((followLinks ? stat(folder.c_str(), &info) : lstat(folder.c_str(), &info)) != 0)
    return std::strerror(errno);
  if (!S_ISDIR(info.st_mode))
    return "not a folder";
  if (info.st_uid != getuid())
    return "owned by uid " + std::to_string(info.st_uid);
  if ((info.st_mode & 0777) != 0700) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", unsigned(info.st_mode & 0777));
    return std::string("mode ") + mode + ", not 0700";
  }
  if (folder.size() + 1 + socketName.size() > kMaxSocketPath)
    return "too long for a socket path";
  return std::string();
}

// Says so once per distinct text: the checks run at every start of a listener or a client.
void WarnOnce(const std::string &text) {
  static std::mutex lock;
  static std::set<std::string> said;
  std::lock_guard<std::mutex> hold(lock);
  if (said.insert(text).second)
    LogWarning("%s", text.c_str());
}

// $XDG_RUNTIME_DIR when it is usable, else a private folder of ours under $TMPDIR or /tmp,
// made when missing. Empty when neither can be used: then no instance is found or listened for.
std::string RuntimeFolder(const std::string &socketName) {
  const char *runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string why;
  if (!runtime || !*runtime)
    why = "XDG_RUNTIME_DIR is not set";
  else if (runtime[0] != '/')
    why = std::string("XDG_RUNTIME_DIR (") + runtime + ") is not an absolute path";
  else if (std::string problem = Unusable(runtime, socketName, true); !problem.empty())
    why = std::string("XDG_RUNTIME_DIR (") + runtime + ") is unusable: " + problem;
  else
    return runtime;
  const char *tmp = std::getenv("TMPDIR");
  std::string fallback =
      std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/vexmoor-" + std::to_string(getuid());
  if (mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) {
    WarnOnce(why + "; cannot make " + fallback + " (" + std::strerror(errno) +
             "): a second start will not find this one");
    return std::string();
  }
  if (std::string problem = Unusable(fallback, socketName, false); !problem.empty()) {
    WarnOnce(why + "; " + fallback + " is unusable too (" + problem +
             "): a second start will not find this one");
    return std::string();
  }
  WarnOnce(why + "; using " + fallback + " instead");
  return fallback;
}

// The socket's path for a class name, per user; empty when there is no private folder for it.
std::string SocketPath(const char16_t *className) {
  const std::string name = SocketName(className);
  const std::string folder = RuntimeFolder(name);
  return folder.empty() ? std::string() : folder + "/" + name;
}

bool FillAddress(const std::string &path, sockaddr_un *address) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.empty() || path.size() > kMaxSocketPath)
    return false;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? int(left) : 0;
}

bool PeerIsUs(int fd, uid_t *peer = nullptr) {
  ucred cred{};
  socklen_t length = sizeof cred;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0)
    return false;
  if (peer)
    *peer = cred.uid;
  return cred.uid == getuid();
}

// A connection to the instance at path that is ours, or -1 with *failure (when given) set to
// the errno that stopped it (ETIMEDOUT at the deadline, EPERM for another user's socket).
// Never waits past deadline: the socket is non-blocking and a full queue is tried again until
// then. Nobody listening is the usual answer and only a debug line; anything odd is a warning.
int Connect(const std::string &path, Clock::time_point deadline, int *failure = nullptr) {
  int unused = 0;
  int &why = failure ? *failure : unused;
  why = ENOENT;
  sockaddr_un address;
  if (!FillAddress(path, &address))
    return -1;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0)
    return -1;
  for (;;) {
    if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
      break;
    if (errno == EINTR)
      continue;
    if (errno == EINPROGRESS) {
      pollfd out{fd, POLLOUT, 0};
      int error = 0;
      socklen_t length = sizeof error;
      if (poll(&out, 1, MillisecondsLeft(deadline)) > 0 &&
          getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
        break;
      why = ETIMEDOUT;
      LogWarning("instance socket %s: no connection within the deadline", path.c_str());
    } else if (errno == EAGAIN && MillisecondsLeft(deadline) > 0) {
      // The listener's queue is full: it is busy with other clients.
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    } else if (errno == EAGAIN) {
      why = ETIMEDOUT;
      LogWarning("instance socket %s: the running copy accepts no connection", path.c_str());
    } else {
      why = errno;
      LogDebug("instance socket %s: nobody answers (%s)", path.c_str(), std::strerror(errno));
    }
    close(fd);
    return -1;
  }
  uid_t peer = 0;
  if (!PeerIsUs(fd, &peer)) {
    why = EPERM;
    LogWarning("instance socket %s belongs to uid %u, not to us: ignored", path.c_str(), unsigned(peer));
    close(fd);
    return -1;
  }
  return fd;
}

// Reads one short line from a client until it ends, the client stops, the deadline passes or
// the listener is asked to stop. False when it must stop.
bool ReadRequest(int client, int wake, Clock::time_point deadline, std::string *line) {
  char buffer[64];
  std::size_t used = 0;
  while (used < sizeof buffer && !std::memchr(buffer, '\n', used)) {
    pollfd fds[2] = {{client, POLLIN, 0}, {wake, POLLIN, 0}};
    const int ready = poll(fds, 2, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0)
      break; // the deadline passed
    if (fds[1].revents)
      return false;
    const ssize_t n = read(client, buffer + used, sizeof buffer - used);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
      continue;
    if (n <= 0)
      break;
    used += std::size_t(n);
  }
  line->assign(buffer, used);
  return true;
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
    int client = accept4(l->socket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0)
      continue;
    uid_t peer = 0;
    if (!PeerIsUs(client, &peer)) {
      LogWarning("instance socket %s: a client of uid %u was refused", l->path.c_str(), unsigned(peer));
      close(client);
      continue;
    }
    // One short line: "raise" or "post <message>". One deadline for the whole line, so a client
    // that sends a byte now and then cannot hold the listener.
    std::string line;
    if (!ReadRequest(client, l->wakePipe[0], Clock::now() + std::chrono::milliseconds(g_deadlines.requestMs),
                     &line)) {
      close(client);
      return;
    }
    bool understood = false;
    if (line.rfind("raise\n", 0) == 0) {
      understood = PostInputEvent(InputEvent::Kind::Raise);
    } else if (line.rfind("post ", 0) == 0 && line.find('\n') != std::string::npos) {
      // Only the close request is taken from outside.
      if (std::strtoul(line.c_str() + 5, nullptr, 10) == WM_CLOSE_REQUEST)
        understood = PostInputEvent(InputEvent::Kind::CloseRequest);
    }
    LogDebug("instance socket %s: request \"%s\" %s", l->path.c_str(),
             line.substr(0, line.find('\n')).c_str(), understood ? "taken" : "ignored");
    if (understood)
      (void)!send(client, "ok\n", 3, MSG_NOSIGNAL);
    close(client);
  }
}

} // namespace

InstanceDeadlines &InstanceTimeouts() { return g_deadlines; }

void StartInstanceListener(HWND window) {
  if (g_listener)
    return;
  std::string path = SocketPath(window->className.c_str());
  sockaddr_un address;
  if (!FillAddress(path, &address))
    return;
  // Binding is serialised with a lock file, so two starts cannot both take a stale socket.
  int lock = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock >= 0)
    flock(lock, LOCK_EX);
  int fd = -1;
  int failure = 0;
  int existing = Connect(path, Clock::now() + std::chrono::milliseconds(g_deadlines.clientMs), &failure);
  if (existing >= 0 || failure == ETIMEDOUT) {
    if (existing >= 0)
      close(existing); // another instance answers, if slowly: leave its socket alone
    LogWarning("another copy listens at %s; a second start will find that one", path.c_str());
  } else {
    unlink(path.c_str()); // nobody answers: a crashed instance's socket
    fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    mode_t old = umask(0077);
    if (fd >= 0 &&
        (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(fd, 8) != 0)) {
      LogWarning("instance socket %s: %s; a second start will not find this one", path.c_str(),
                 std::strerror(errno));
      close(fd);
      fd = -1;
    }
    umask(old);
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
  LogDebug("instance socket %s: listening", path.c_str());
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
  LogDebug("instance socket %s: closed", l->path.c_str());
  delete l;
  g_listener = nullptr;
}

HWND ConnectToInstance(const char16_t *className, const char16_t *caption) {
  if (!className || !caption)
    return nullptr;
  std::string path = SocketPath(className);
  int fd = Connect(path, Clock::now() + std::chrono::milliseconds(g_deadlines.clientMs));
  if (fd < 0)
    return nullptr;
  close(fd);
  LogDebug("instance socket %s: a running copy answers", path.c_str());
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
  const auto deadline = Clock::now() + std::chrono::milliseconds(g_deadlines.clientMs);
  int fd = Connect(remote->remotePath, deadline);
  if (fd < 0) {
    LogWarning("instance socket %s: the running copy is gone", remote->remotePath.c_str());
    return false;
  }
  const std::string request = line.substr(0, line.find('\n'));
  bool ok = send(fd, line.data(), line.size(), MSG_NOSIGNAL) == ssize_t(line.size());
  // The request counts only once the running copy said it took it.
  std::string answer;
  while (ok && answer.find('\n') == std::string::npos) {
    pollfd in{fd, POLLIN, 0};
    const int ready = poll(&in, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR)
      continue;
    char buffer[8];
    const ssize_t n = ready > 0 ? read(fd, buffer, sizeof buffer) : -1;
    if (n < 0 && ready > 0 && (errno == EINTR || errno == EAGAIN))
      continue;
    if (n <= 0)
      break;
    answer.append(buffer, std::size_t(n));
  }
  close(fd);
  if (answer.rfind("ok\n", 0) != 0) {
    LogWarning("instance socket %s: the running copy did not confirm \"%s\" within %d ms",
               remote->remotePath.c_str(), request.c_str(), g_deadlines.clientMs);
    return false;
  }
  LogDebug("instance socket %s: \"%s\" confirmed", remote->remotePath.c_str(), request.c_str());
  return true;
}
