#pragma once
// Whole-file reading and writing for the results file: a bounded read of a file's first
// bytes, and a replacement that never leaves a half-written file in place. Used by ScoreTable.

#include <cstddef>
#include <string>

// Reads up to size bytes from the start of the regular file at path into buffer. Answers how
// many were read (fewer at the end of the file or on a read error), or -1 when the file cannot
// be opened or is not a regular file.
long ReadFileHead(const std::string &path, void *buffer, std::size_t size);

// Replaces the file at path with data: writes path + ".tmp" in the same folder (making the
// folder when missing), syncs it, renames it over path and syncs the folder. A symbolic link
// is followed and kept. On any failure, and for an existing file we may not write, the old
// file stays as it was, the temporary file is removed and the answer is false.
bool ReplaceFile(const std::string &path, const void *data, std::size_t size);

// Test seam, empty in the game: called with the temporary file's path once it is complete and
// synced, just before the rename. A hook that ends the process simulates a crash at that
// moment; one that answers false makes the replacement fail there.
using BeforeRenameHook = bool (*)(const std::string &tempPath);
void SetBeforeRenameHook(BeforeRenameHook hook);
