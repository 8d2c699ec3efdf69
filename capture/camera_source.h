#pragma once
// Which picture source the capture graph opens: the first camera, a camera by name, a moving
// test picture, a recorded video (looped) or none. Set from the command line by the entry
// point before the graph is built.

#include <string>
#include <vector>

enum class CameraSourceKind { Auto, Named, Test, File, None, Pipeline };

struct CameraSource {
  CameraSourceKind kind = CameraSourceKind::Auto;
  // Named: the camera's name as listed, or its device file; File: the video's path; Pipeline: a GStreamer
  // description whose last element gives the frames (for tests and diagnosis).
  std::string name;
  // Test: the picture's size (a camera's default), and its motion per frame in pixels (right,
  // up); with no motion it tours a square, so steering by it can be watched.
  int testWidth = 320;
  int testHeight = 240;
  int testStepX = 0;
  int testStepY = 0;
};

// Parses "auto", "test", "none", a file path, a camera's device file (/dev/video0) or a camera's
// name. Only a regular file is taken as a video, and nothing is opened in a way that could
// block. On a bad choice (an empty one, a path that cannot be read or is neither a regular file
// nor a camera) returns false with the reason and keeps the previous source.
bool SetCameraSource(const std::string &choice, std::string *error);
void SetCameraSource(const CameraSource &source);
CameraSource CurrentCameraSource();

// The names of the cameras present, first camera first.
std::vector<std::string> ListCameras();
