#pragma once
// The camera tracker: turns every RGB565 video frame into a motion report (how far the
// whole picture moved since the previous frame, and whether that can be trusted).
// Created by start-up, fed by the capture sink on the streaming thread. Standard library only.

#include <cstdint>

// The negotiated frame format, as the capture sink copies it in.
struct BITMAPINFOHEADER {
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biPlanes = 1;
  std::uint16_t biBitCount = 16;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

enum TrackingMode : std::int32_t { Combined = 0, BlockMatching = 1, ProfileMatching = 2 };

// Receives one report per frame: displacement in camera pixels and whether it passed.
using MotionCallback = void (*)(int x, int y, bool valid);

// The running capture pipeline, owned by the tracker once built (defined in capture/).
class CaptureGraph;

class CameraTracker {
public:
  CameraTracker();
  ~CameraTracker();
  CameraTracker(const CameraTracker &) = delete;
  CameraTracker &operator=(const CameraTracker &) = delete;

  void SetThresholds(float blockPeakRatio, float profilePeakRatio, float blockMinContrast,
                     float profileMinContrast);
  void SetMode(int mode, bool perChannel, int gridTarget);
  static int ChooseBlockSize(int largest, int gridTarget);
  // Sizes the buffers from format; false (and no buffers) for a format it cannot track.
  bool ConfigureFormat();
  void ProcessFrame(const std::uint16_t *pixels);
  // Opens the camera and starts frames flowing into ProcessFrame. 1 on success, 0 on failure.
  // Defined by the capture code.
  int BuildCaptureGraph(MotionCallback callback);

  void AccumulateFrame(const std::uint16_t *pixels);
  void MatchBlocks();
  void MatchProfiles();
  void CombineEstimates();

  BITMAPINFOHEADER format;
  // The capture pipeline and how to stop and free it; the stream is stopped before the
  // buffers below are freed.
  CaptureGraph *graph = nullptr;
  void (*releaseGraph)(CaptureGraph *) = nullptr;
  bool graphBuilt = false;

  TrackingMode mode = Combined;
  std::int32_t gridTarget = 40;
  std::int32_t blockSize = 4;
  bool perChannel = false;
  std::int32_t frameCount = 0;
  bool currentSet = false;
  std::int32_t reportX = 0, reportY = 0;
  std::int32_t blockX = 0, blockY = 0;
  std::int32_t profileX = 0, profileY = 0;
  MotionCallback onMotion = nullptr;
  std::int32_t gridWidth = 0, gridHeight = 0;

  std::int64_t *columnProfile[2] = {};
  std::int64_t *rowProfile[2] = {};
  std::int32_t *blockMap = nullptr;
  std::int32_t *previousBlockMap = nullptr;
  std::int64_t *columnProfileRgb[2][3] = {};
  std::int64_t *rowProfileRgb[2][3] = {};
  std::int32_t *blockMapRgb[3] = {};
  std::int32_t *previousBlockMapRgb[3] = {};

  bool blockValid = false;
  bool profileValid = false;
  bool reportValid = false;
  float blockPeakRatio = 2.0f;
  float blockMinContrast = 2.0f;
  float profilePeakRatio = 2.0f;
  float profileMinContrast = 14.0f;

private:
  struct Scratch; // working memory of the accumulation and the searches

  // What the buffers were sized for; frames are processed only while the public fields
  // still agree with it, so a change without ConfigureFormat cannot index past a buffer.
  bool configured = false;
  bool havePrevious = false;
  std::int32_t frameWidth = 0, frameHeight = 0, configuredBlockSize = 0;
  TrackingMode configuredMode = Combined;
  bool configuredPerChannel = false;
  Scratch *scratch = nullptr;

  bool Ready() const;
  void FreeBuffers();
  bool AllocateBuffers();
  void AccumulateGeneral(const std::uint16_t *pixels, bool profiles, bool blocks);
  bool MatchProfileAxis(int n, std::int64_t *const *current, std::int64_t *const *previous, int channels,
                        std::int32_t &result);
};
