#include "scores/file_io.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

BeforeRenameHook g_beforeRename = nullptr;

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

// Like mkdir -p; new folders are private to the user, as data folders should be.
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
  return IsFolder(folder);
}

bool WriteAll(int fd, const unsigned char *data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return false;
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

} // namespace

long ReadFileHead(const std::string &path, void *buffer, std::size_t size) {
  if (path.empty())
    return -1;
  // Non-blocking, so that a pipe in its place cannot hang the open.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0)
    return -1;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -1;
  }
  auto *bytes = static_cast<unsigned char *>(buffer);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = read(fd, bytes + got, size - got);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  return static_cast<long>(got);
}

bool ReplaceFile(const std::string &link, const void *data, std::size_t size) {
  if (link.empty() || link.back() == '/')
    return false;
  // Through a symbolic link to the file it names, as a write in place would go, so the link
  // stays; and a file we may not write keeps its content, though a rename could replace it.
  char resolved[PATH_MAX];
  const std::string path = realpath(link.c_str(), resolved) ? resolved : link;
  if (access(path.c_str(), F_OK) == 0 && access(path.c_str(), W_OK) != 0)
    return false;
  const std::string folder = ParentFolder(path);
  if (!MakeFolders(folder))
    return false;
  // A fixed name: a temporary file left by a crash is simply overwritten by the next save.
  const std::string temp = path + ".tmp";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0)
    return false;
  bool ok = WriteAll(fd, static_cast<const unsigned char *>(data), size);
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && (!g_beforeRename || g_beforeRename(temp));
  ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  SyncFolder(folder);
  return true;
}

void SetBeforeRenameHook(BeforeRenameHook hook) { g_beforeRename = hook; }
