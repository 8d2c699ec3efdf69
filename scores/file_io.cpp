#include "scores/file_io.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

BeforeRenameHook g_beforeRename = nullptr;
constexpr char kLockName[] = "vexmoor.lock";

std::string ParentFolder(const std::string &path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsFolder(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Like mkdir -p; new folders are private to the user, as data folders should be. errno tells
// why on failure.
bool MakeFolders(const std::string &folder) {
  if (IsFolder(folder))
    return true;
  for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string part = folder.substr(0, end);
    if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      return false;
    if (end == std::string::npos)
      break;
  }
  if (IsFolder(folder))
    return true;
  errno = ENOTDIR;
  return false;
}

std::string Reason(int error) { return std::strerror(error); }

std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode))
    return "a folder";
  if (S_ISFIFO(mode))
    return "a FIFO";
  if (S_ISCHR(mode))
    return "a character device";
  if (S_ISBLK(mode))
    return "a block device";
  if (S_ISSOCK(mode))
    return "a socket";
  return "not a regular file";
}

std::string NotRegular(mode_t mode) { return "it is " + KindOf(mode) + ", not a regular file"; }

// The target a link names, for messages.
std::string LinkTarget(const std::string &link) {
  char target[PATH_MAX];
  const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, std::size_t(n)) : std::string("?");
}

// The file that path names: itself, or where its links lead. Empty, with *error, for a link
// that leads nowhere.
std::string FollowLinks(const std::string &path, std::string *error) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
    return path;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved))
    return resolved;
  const int reason = errno;
  *error =
      reason == ENOENT ? "it is a link to " + LinkTarget(path) + ", which does not exist" : Reason(reason);
  return std::string();
}

bool WriteAll(int fd, const unsigned char *data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR)
      continue;
    if (written < 0)
      return false;
    if (written == 0) {
      errno = ENOSPC;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Makes the rename itself durable; the new content is already safe, so a failure is ignored.
void SyncFolder(const std::string &folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

// A new temporary file next to path. The usual name is path + ".tmp", reused after a crash;
// whatever else sits there (a folder, a link, a pipe) is left alone and another name is taken.
int OpenTemporary(const std::string &path, std::string *temp) {
  constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY;
  *temp = path + ".tmp";
  struct stat info {};
  if (lstat(temp->c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
    unlink(temp->c_str()); // our own name: a file, link or pipe there is a leftover
  int fd = open(temp->c_str(), kFlags, 0666);
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    if (errno != EEXIST && errno != EISDIR && errno != ELOOP)
      return -1;
    *temp = path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
    fd = open(temp->c_str(), kFlags, 0666);
  }
  return fd;
}

// The replaced file's mode, and its owner where we may give it.
void KeepModeAndOwner(int fd, const struct stat &old) {
  fchmod(fd, old.st_mode & 07777);
  if (old.st_uid != geteuid() || old.st_gid != getegid()) {
    if (fchown(fd, old.st_uid, old.st_gid) != 0)
      (void)!fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    fchmod(fd, old.st_mode & 07777); // a change of owner clears the set-id bits
  }
}

bool Fail(std::string *error, const std::string &reason) {
  if (error)
    *error = reason;
  return false;
}

} // namespace

bool ReadFileHead(const std::string &path, std::size_t maxBytes, std::vector<unsigned char> *bytes,
                  std::string *problem) {
  bytes->clear();
  if (problem)
    problem->clear();
  if (path.empty())
    return false;
  // Non-blocking, so that a pipe in its place cannot hang the open.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    const int reason = errno;
    std::string why;
    if (reason != ENOENT)
      why = Reason(reason);
    else if (struct stat info{}; lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
      why = "it is a link to " + LinkTarget(path) + ", which does not exist";
    if (problem)
      *problem = why;
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    if (problem)
      *problem = NotRegular(info.st_mode);
    close(fd);
    return false;
  }
  // Sized by the file, plus a byte to see that it grew meanwhile.
  bytes->resize(std::min(maxBytes, static_cast<std::size_t>(info.st_size) + 1));
  std::size_t got = 0;
  while (got < bytes->size()) {
    const ssize_t n = read(fd, bytes->data() + got, bytes->size() - got);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  bytes->resize(got);
  return true;
}

bool ReplaceFile(const std::string &link, const void *data, std::size_t size, std::string *error) {
  if (link.empty())
    return Fail(error, "no file name");
  if (link.back() == '/')
    return Fail(error, "the name is a folder's");
  // Through a symbolic link to the file it names, as a write in place would go, so the link
  // stays; a link to nothing is not turned into a file.
  std::string problem;
  const std::string path = FollowLinks(link, &problem);
  if (path.empty())
    return Fail(error, problem);
  struct stat old {};
  const bool existing = lstat(path.c_str(), &old) == 0;
  if (!existing && errno != ENOENT)
    return Fail(error, Reason(errno));
  // Only a regular file is ever replaced: a device or pipe there is someone else's.
  if (existing && !S_ISREG(old.st_mode))
    return Fail(error, NotRegular(old.st_mode) + "; it was left alone");
  // A file we may not write keeps its content, though a rename could replace it.
  if (existing && access(path.c_str(), W_OK) != 0)
    return Fail(error, Reason(errno));
  const std::string folder = ParentFolder(path);
  if (!MakeFolders(folder))
    return Fail(error, "cannot make the folder " + folder + ": " + Reason(errno));
  std::string temp;
  const int fd = OpenTemporary(path, &temp);
  if (fd < 0)
    return Fail(error, Reason(errno));
  if (existing)
    KeepModeAndOwner(fd, old);
  int reason = 0;
  bool ok = WriteAll(fd, static_cast<const unsigned char *>(data), size);
  ok = ok && fsync(fd) == 0;
  reason = ok ? 0 : errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    reason = errno;
  }
  if (ok && g_beforeRename && !g_beforeRename(temp)) {
    ok = false;
    reason = EIO;
  }
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    reason = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    return Fail(error, Reason(reason));
  }
  SyncFolder(folder);
  return true;
}

void SetBeforeRenameHook(BeforeRenameHook hook) { g_beforeRename = hook; }

FolderLock::Result FolderLock::Take(const std::string &resultsPath, std::string *reason) {
  std::string problem;
  std::string file = FollowLinks(resultsPath, &problem);
  const std::string folder = ParentFolder(file.empty() ? resultsPath : file);
  if (fd_ >= 0 && folder == folder_)
    return Result::Taken;
  Release();
  folder_ = folder;
  const auto failed = [reason](const std::string &why) {
    if (reason)
      *reason = why;
    return Result::Failed;
  };
  if (!MakeFolders(folder))
    return failed("cannot make the folder: " + Reason(errno));
  const std::string lockPath = folder + "/" + kLockName;
  constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
  int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | kFlags, 0600);
  if (fd < 0 && (errno == EACCES || errno == EROFS))
    fd = open(lockPath.c_str(), O_RDONLY | kFlags); // a lock needs no write access
  if (fd < 0)
    return failed(lockPath + ": " + (errno == ELOOP ? "it is a symbolic link" : Reason(errno)));
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return failed(lockPath + ": " + NotRegular(info.st_mode));
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int why = errno;
    close(fd);
    if (why == EWOULDBLOCK)
      return Result::Busy;
    return failed(lockPath + ": " + Reason(why));
  }
  fd_ = fd;
  return Result::Taken;
}

void FolderLock::Release() {
  if (fd_ >= 0)
    close(fd_);
  fd_ = -1;
}
