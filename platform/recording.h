#pragma once
// Recordings of a run: every input the message loop takes, with the loop time it took it at,
// and lines of the program's own (what it started from and what it ended with). Written while
// the program runs with --record, read back for --replay (app/recording.cpp).
//
// The file is text, one item a line:
//   vexmoor-recording 1                  the format and its version, first
//   seed 1234                            a line of the program's own: a name, a space, a value
//   1200 key 40                          an input: loop time (ms), kind, values
//   1300 text 0041 00e9                  typed text as UTF-16 units in hexadecimal
//   1400 click 120 300                   a click at screen pixels
//   1500 motion -4 8 1                   a camera report: x, y, valid (1 or 0)
//   1600 close | 1600 raise              requests from outside
//   1700 catch-up 1790                   the loop moved its clock on to 1790
// Inputs come in the order they were taken, their times never decreasing.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/backend.h"

// Starts writing a recording to path (replaced if it exists). False with a message when the
// file cannot be made.
bool StartRecording(const std::string &path, std::string *error);
// A line of the program's own; name is a lower-case word, value printable text on one line.
void RecordNote(const std::string &name, const std::string &value);
// Ends the recording. False with a message when any line could not be written.
bool StopRecording(std::string *error);

struct Recording {
  struct Input {
    std::uint64_t at;
    InputEvent event;
  };
  std::vector<std::pair<std::string, std::string>> notes; // in file order
  std::vector<Input> inputs;
  // The value of a note, or null when the recording has none of that name.
  const std::string *Note(const std::string &name) const;
};

// Reads a recording. False with a message "path:line: what is wrong" for anything that is not
// a well-formed recording of this version.
bool ReadRecording(const std::string &path, Recording *out, std::string *error);
// One input as its recording line, without the line break; and back (false when malformed).
std::string FormatInput(std::uint64_t at, const InputEvent &event);
bool ParseInput(const std::string &line, std::uint64_t *at, InputEvent *event, std::string *error);
