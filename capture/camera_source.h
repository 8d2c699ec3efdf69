#pragma once
// Which picture source the capture graph opens: the first camera, a camera by name, a moving
// test picture, a recorded video (looped) or none. Set from the command line by the entry
// point before the graph is built.

#include <string>
#include <vector>

enum class CameraSourceKind { Auto, Named, Test, File, None, Pipeline };

struct CameraSource {
  CameraSourceKind kind = CameraSourceKind::Auto;
  // Named: the camera's name as listed; File: the video's path; Pipeline: a GStreamer
  // description whose last element gives the frames (for tests and diagnosis).
  std::string name;
  // Test: the picture's size, and its motion per frame in pixels (right, up); with no motion
  // it tours a square, so steering by it can be watched.
  int testWidth = 160;
  int testHeight = 120;
  int testStepX = 0;
  int testStepY = 0;
};

// Parses "auto", "test", "none", a file path or a camera's name. On a bad choice (an empty one,
// or a file that cannot be read) returns false with a message and keeps the previous source.
bool SetCameraSource(const std::string &choice, std::string *error);
void SetCameraSource(const CameraSource &source);
CameraSource CurrentCameraSource();

// The names of the cameras present, first camera first.
std::vector<std::string> ListCameras();
