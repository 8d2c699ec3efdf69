#include "app/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxScale = 16;

bool TakeValue(int argc, const char *const *argv, int *i, const std::string &option, std::string *value,
               std::string *error) {
  std::string arg = argv[*i];
  std::size_t eq = arg.find('=');
  if (eq != std::string::npos) {
    *value = arg.substr(eq + 1);
  } else if (*i + 1 < argc) {
    *value = argv[++*i];
  } else {
    *error = "option " + option + " needs a value";
    return false;
  }
  if (value->empty()) {
    *error = "option " + option + " needs a value";
    return false;
  }
  return true;
}

} // namespace

bool ParseCommandLine(int argc, const char *const *argv, CommandLine *out, std::string *error) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i] ? argv[i] : "";
    std::string name = arg.substr(0, arg.find('='));
    bool hasInlineValue = name.size() != arg.size();
    std::string value;
    if ((name == "--help" || name == "-h") && !hasInlineValue) {
      out->help = true;
    } else if (name == "--version" && !hasInlineValue) {
      out->version = true;
    } else if (name == "--close" && !hasInlineValue) {
      out->close = true;
    } else if (name == "--list-cameras" && !hasInlineValue) {
      out->listCameras = true;
    } else if (name == "--verbose" && !hasInlineValue) {
      out->verbose = true;
    } else if (name == "--exit-after-first-frame" && !hasInlineValue) {
      out->exitAfterFirstFrame = true;
    } else if (name == "--scale") {
      if (!TakeValue(argc, argv, &i, name, &value, error))
        return false;
      char *end = nullptr;
      errno = 0;
      long scale = std::strtol(value.c_str(), &end, 10);
      if (errno || *end || scale < 1 || scale > kMaxScale) {
        *error =
            "--scale takes a whole number from 1 to " + std::to_string(kMaxScale) + ", not '" + value + "'";
        return false;
      }
      out->scale = int(scale);
    } else if (name == "--settings") {
      if (!TakeValue(argc, argv, &i, name, &out->settingsFile, error))
        return false;
    } else if (name == "--data-dir") {
      if (!TakeValue(argc, argv, &i, name, &out->dataDir, error))
        return false;
    } else if (name == "--camera") {
      if (!TakeValue(argc, argv, &i, name, &out->camera, error))
        return false;
      out->cameraGiven = true;
    } else if (name == "--camera-size") {
      if (!TakeValue(argc, argv, &i, name, &out->cameraSize, error))
        return false;
    } else if (name == "--anti-flicker") {
      if (!TakeValue(argc, argv, &i, name, &out->antiFlicker, error))
        return false;
    } else if (name == "--steer") {
      if (!TakeValue(argc, argv, &i, name, &out->steer, error))
        return false;
    } else if (name == "--camera-mode") {
      if (!TakeValue(argc, argv, &i, name, &out->cameraMode, error))
        return false;
    } else if (name == "--camera-view" && !hasInlineValue) {
      out->cameraView = true;
    } else if (name == "--record") {
      if (!TakeValue(argc, argv, &i, name, &out->recordFile, error))
        return false;
    } else if (name == "--replay") {
      if (!TakeValue(argc, argv, &i, name, &out->replayFile, error))
        return false;
    } else if (name == "--show" && !hasInlineValue) {
      out->show = true;
    } else {
      *error = "unknown option '" + arg + "' (try --help)";
      return false;
    }
  }
  // A replay takes its settings, results and camera from the recording.
  if (!out->replayFile.empty()) {
    const char *clash = out->cameraGiven             ? "--camera"
                        : !out->cameraSize.empty()   ? "--camera-size"
                        : !out->antiFlicker.empty()  ? "--anti-flicker"
                        : !out->steer.empty()        ? "--steer"
                        : !out->cameraMode.empty()   ? "--camera-mode"
                        : out->cameraView            ? "--camera-view"
                        : !out->settingsFile.empty() ? "--settings"
                        : !out->dataDir.empty()      ? "--data-dir"
                        : !out->recordFile.empty()   ? "--record"
                        : out->exitAfterFirstFrame   ? "--exit-after-first-frame"
                                                     : nullptr;
    if (clash) {
      *error = std::string("--replay takes the settings, results and camera choices from the recording; ") +
               clash + " cannot go with it";
      return false;
    }
  } else if (out->show) {
    *error = "--show goes with --replay FILE";
    return false;
  }
  return true;
}

std::string UsageText() {
  return "Usage: vexmoor [OPTION]...\n"
         "Vexmoor: a snake game steered with the arrow keys or by moving the webcam.\n"
         "\n"
         "  --scale N         show the 240 x 320 screen N times larger (1 to 16, default 2)\n"
         "  --settings FILE   read the settings from FILE\n"
         "                    (default $XDG_CONFIG_HOME/Vexmoor/settings.txt)\n"
         "  --data-dir DIR    keep results.txt in DIR (default $XDG_DATA_HOME/Vexmoor)\n"
         "  --camera SOURCE   auto (the first camera, default), test (a moving test picture),\n"
         "                    none, a video file, or a camera's name from --list-cameras\n"
         "  --list-cameras    list the cameras found and end\n"
         "  --camera-size SIZE  WxH: the camera's size, or the nearest it has (default 320x240);\n"
         "                    small: its smallest of at least 100 pixels\n"
         "  --anti-flicker HZ  the camera's anti-flicker: auto (the camera's own, else 50 or 60\n"
         "                    from the locale's country; default), 50, 60, or none (left alone)\n"
         "  --steer WAY       which way a motion steers: picture (follow the picture), camera\n"
         "                    (follow the camera) or mirror; kept choice or the mode's default\n"
         "  --camera-mode MODE  block (the whole picture's motion) or player (a head or hand\n"
         "                    before a still webcam; steers mirrored unless chosen otherwise)\n"
         "  --camera-view     open the camera view at start: what the camera sees and why\n"
         "  --record FILE     write a recording of the run (its inputs, seed, settings, results)\n"
         "  --replay FILE     play a recording back without a window and check that it ends as\n"
         "                    recorded (exit 1 when it does not)\n"
         "  --show            with --replay: show the replay in a window at the recorded pace\n"
         "  --close           ask the running Vexmoor to close (it saves its scores)\n"
         "  --verbose         log every event on stderr (as VEXMOOR_DEBUG=1 does)\n"
         "  --version         print the version and end\n"
         "  --help            print this help and end\n"
         "\n"
         "Keys: arrows steer and move in menus, F1 and F2 are the left and right soft keys,\n"
         "Enter chooses, Backspace or Escape goes back, F9 turns the screen, F11 full screen.\n";
}
