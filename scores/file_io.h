#pragma once
// Whole-file reading and writing for the results file: a bounded read of a file's first
// bytes, a replacement that never leaves a half-written file in place, and the lock that makes
// one program the only user of a results folder. Used by ScoreTable and by start-up.

#include <cstddef>
#include <string>
#include <vector>

// Reads up to maxBytes from the start of the regular file at path into *bytes, without
// blocking on a pipe or device in its place; fewer at the end of the file or on a read error.
// False when nothing can be read: then *problem (when given) is empty for a plain missing file
// and otherwise says why, e.g. "it is a FIFO, not a regular file".
bool ReadFileHead(const std::string &path, std::size_t maxBytes, std::vector<unsigned char> *bytes,
                  std::string *problem = nullptr);

// Replaces the file at path with data: writes a temporary file in the same folder (making the
// folder when missing), syncs it, renames it over path and syncs the folder. A symbolic link
// is followed and kept; the replaced file keeps its mode and, where allowed, its owner. Refused,
// with the old file as it was and the answer false: a path that is (or links to) anything but a
// regular file, a link to nothing, an existing file we may not write, and any failed step. A
// stray temporary file of any kind from an earlier save does not stand in the way.
// *error (when given) then says why, in a few words ("No space left on device").
bool ReplaceFile(const std::string &path, const void *data, std::size_t size, std::string *error = nullptr);

// Test seam, empty in the game: called with the temporary file's path once it is complete and
// synced, just before the rename. A hook that ends the process simulates a crash at that
// moment; one that answers false makes the replacement fail there.
using BeforeRenameHook = bool (*)(const std::string &tempPath);
void SetBeforeRenameHook(BeforeRenameHook hook);

// The lock of a results folder: flock on "vexmoor.lock" in the folder of the results file (the
// folder of the file a link names), opened without following links and made when missing.
// Held until Release or the process ends; a second program asking for the same folder is told
// Busy. Start-up takes it before any window is made and keeps it for the whole run.
class FolderLock {
public:
  enum class Result { Taken, Busy, Failed };
  FolderLock() = default;
  ~FolderLock() { Release(); }
  FolderLock(const FolderLock &) = delete;
  FolderLock &operator=(const FolderLock &) = delete;

  // Never waits. Taken again at once when this lock already holds the same folder. Failed, with
  // *reason, when the folder or the lock file cannot be made or opened.
  Result Take(const std::string &resultsPath, std::string *reason = nullptr);
  void Release();
  bool Held() const { return fd_ >= 0; }
  // The folder locked or asked for last.
  const std::string &Folder() const { return folder_; }

private:
  int fd_ = -1;
  std::string folder_;
};
