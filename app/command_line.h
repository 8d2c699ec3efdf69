#pragma once
// The command line of the desktop program: what the entry point is asked to do.

#include <string>

struct CommandLine {
  bool help = false;
  bool version = false;
  bool close = false;       // ask a running instance to close, then end
  bool listCameras = false; // print the cameras found, then end
  bool verbose = false;     // log every event on stderr, not only warnings and errors
  int scale = 2;            // whole factor of the window over the 240 x 320 screen
  std::string settingsFile; // --settings FILE
  std::string dataDir;      // --data-dir DIR
  std::string camera = "auto";
  bool cameraGiven = false;
  std::string cameraSize;           // --camera-size WxH or small (checked by the capture code)
  std::string antiFlicker;          // --anti-flicker auto, 50, 60 or none
  std::string steer;                // --steer picture, camera or mirror
  std::string cameraMode;           // --camera-mode block or player
  bool cameraView = false;          // --camera-view: the camera view opens at start
  bool exitAfterFirstFrame = false; // for start-up timing: end once the first frame is shown
  std::string recordFile;           // --record FILE: write a recording of the run
  std::string replayFile;           // --replay FILE: play a recording back and check its end
  bool show = false;                // --show: a replay is shown in a window at its own pace
};

// False with a one-line message in *error for an unknown option or a bad value.
bool ParseCommandLine(int argc, const char *const *argv, CommandLine *out, std::string *error);

// The --help text.
std::string UsageText();
