#pragma once
// Recorded runs and replays, for --record and --replay. A recording holds what a run started
// from (the random seed, the loop's clock, the settings in force, the results file, the camera
// choice and whether it opened), every input with its loop time (platform/recording.h), and
// what the run ended with (exit code, loop time, score, a digest of the board, a digest of the
// results file), so a replay checks itself. Called by main(); the replay tests call it too.

#include <memory>
#include <string>

#include "platform/backend.h"
#include "platform/types.h"

// Runs the program on a screen with these files, as it always runs; with a recording file,
// also writes the recording. Returns the program's exit code; 2 when the recording cannot be
// started, 1 when it could not be written whole.
int RunVexmoor(std::unique_ptr<Backend> screen, HINSTANCE instance, const std::string &settingsFile,
               const std::string &resultsFile, const std::string &camera, const std::string &recordFile);

// Plays a recording back, from private copies of its settings and results files, without a
// camera. Headless in virtual time when window is null; else shown in window at the recorded
// pace. Returns 0 when the run ends as recorded; 1 with a line on stderr for each difference;
// 2 with a line on stderr for a file that is not a usable recording.
int ReplayRecording(const std::string &recordFile, HINSTANCE instance, std::unique_ptr<Backend> window);
