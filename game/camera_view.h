#pragma once
// The camera view: dialog 110, opened from the game screen's "Control by" menu or at start
// (--camera-view). It shows what the camera sees, live, with an arrow for each of the last
// motion reports, the vote's steering vector, the frame rate, capture and block size, the
// figures the tracker judged the picture by against their thresholds, and a one-line verdict.
// It gets its pictures through a feed that start-up wires to the capture code; while the view
// is closed the feed is not watched, so the stream copies nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

// One look at the camera, as the view draws it.
struct CameraPicture {
  enum class Verdict { NoCamera, Waiting, GoodBackground, TooFlat, TooDark, Flicker };
  Verdict verdict = Verdict::NoCamera;
  int width = 0, height = 0;
  std::vector<std::uint16_t> pixels; // RGB565, rows top first; empty before the first frame
  int blockSize = 0;
  bool playerMode = false;
  float framesPerSecond = 0.0f;
  int frameAgeMs = -1; // -1: not known (a test picture or a file)
  // A search the tracker ran on the frame: its figures and the thresholds they must exceed.
  struct Search {
    bool ran = false, valid = false;
    float contrast = 0.0f, minContrast = 0.0f, peakRatio = 0.0f, minPeakRatio = 0.0f;
  };
  Search block, profileX, profileY;
  int changedBlocks = 0, gridBlocks = 0;
  float brightness = 0.0f; // 0 to 249
  struct Report {
    int x = 0, y = 0; // camera pixels, y upwards in the picture
    bool valid = false;
  };
  std::vector<Report> reports; // the last ones, newest last
};

struct CameraViewFeed {
  // Starts or stops the copying of frames.
  void (*watch)(bool on) = nullptr;
  // The newest look (the last picture stays until a new one comes); false when there is none
  // to say anything of, which the view shows as "No camera".
  bool (*take)(CameraPicture *picture) = nullptr;
};
// Set by start-up; without one the view shows "No camera".
void SetCameraViewFeed(const CameraViewFeed &feed);

std::intptr_t CameraViewDialogProc(HWND dialog, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam);
// The game screen opens the view once it is open itself (--camera-view).
void OpenCameraViewAtStart(bool open);
bool TakeCameraViewAtStart();

// What the view says of the steering: the last tick's vote, as the direction choice turned it,
// while a game runs (no vote is made otherwise), and the direction's menu name.
struct ViewSteering {
  bool gameRunning = false;
  int x = 0, y = 0; // x right, y up
  std::u16string direction;
};

// The view's page: the picture and its marks, then the lines below it, into hdc.
void DrawCameraView(HDC hdc, int width, int height, const CameraPicture &picture,
                    const ViewSteering &steering, bool grey);
// The verdict line as the view writes it.
std::u16string VerdictText(CameraPicture::Verdict verdict);
