#pragma once
// The camera tracker: turns every RGB565 video frame into a motion report (how far the
// whole picture moved since the previous frame, or in PlayerTracking what moves before a
// still background, and whether that can be trusted), and the figures behind it.
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

// PlayerTracking follows what moves in front of a still webcam (a player's head or hand)
// instead of the whole picture: block matching over the blocks that changed since the
// previous frame (each row's change of light, from flicker or exposure, divided out first)
// and differ from the background learnt over the last frames, drawn towards where the changed
// blocks as a whole went. Its reports have the same units and signs as the others'; it works
// on intensity (SetMode clears perChannel for it), and the steering direction it is meant for
// is Mirror (DefaultSteeringDirection in motion/point_trail.h). 3 is left unused: SetMode
// turns 3 into Combined, as always.
enum TrackingMode : std::int32_t { Combined = 0, BlockMatching = 1, ProfileMatching = 2, PlayerTracking = 4 };

// Receives one report per frame: displacement in camera pixels and whether it passed.
using MotionCallback = void (*)(int x, int y, bool valid);

// What the tracker made of a picture, judged over the last frames.
enum class TrackerVerdict : std::int32_t {
  NoFrames = 0,       // nothing tracked yet (no format, or the first frame after one)
  GoodBackground = 1, // estimates pass their tests
  TooFlat = 2,        // most estimates fail for want of texture or a clear best match
  TooDark = 3,        // the picture is too dark to track
  Flicker = 4,        // the brightness changes band by band between frames (mains flicker)
};

// The figures behind one frame's report, for a camera view: written by ProcessFrame on the
// streaming thread just before onFigures is called, in place (no allocation, no lock). Read
// them inside onFigures, or copy them from there; between frames they are rewritten.
// "Contrast" is the mean difference of all candidates per compared block (or profile entry),
// checked against the *MinContrast threshold; "peak ratio" is that mean over the best
// candidate's difference, checked against the *PeakRatio threshold (infinite for a perfect
// match, 0 when no candidate differs from another). Estimators that did not run on this frame
// leave ran false. A search passes only when both figures exceed their thresholds; a banded
// frame (flicker) may further drop an axis that does not stand out on its own.
struct TrackerFigures {
  struct Search {
    bool ran = false;
    bool valid = false;
    float contrast = 0.0f, minContrast = 0.0f;
    float peakRatio = 0.0f, minPeakRatio = 0.0f;
  };
  std::int32_t frame = 0; // frameCount when written
  std::int32_t width = 0, height = 0, blockSize = 0;
  TrackingMode mode = Combined;
  Search block;                    // block search, or the search over changed blocks
  Search profileX, profileY;       // profile search, column and row axis
  std::int32_t changedBlocks = 0;  // PlayerTracking: blocks that changed since the last frame
  std::int32_t comparedBlocks = 0; // PlayerTracking: of those, the ones the search compared
  std::int32_t gridBlocks = 0;     // blocks in the grid
  float brightness = 0.0f;         // mean intensity of the frame, 0 to 249
  float banding = 0.0f;            // how much the light changed band by band (standard deviation of
                                   // the rows' change; PlayerTracking: its spread)
  bool banded = false;             // ... enough to call it flicker: the search evened the rows out
  std::int32_t reportX = 0, reportY = 0;
  bool reportValid = false;
  TrackerVerdict verdict = TrackerVerdict::NoFrames;
};
using FiguresCallback = void (*)(const TrackerFigures &figures);

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
  // The PlayerTracking estimate (blockX, blockY, blockValid) over the changed blocks.
  void MatchPlayer();

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
  // Called after onMotion for every frame with the figures behind its report; may be null.
  FiguresCallback onFigures = nullptr;
  TrackerFigures figures;
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

  // Recent frames' outcomes for the verdict, one bit a frame, newest lowest.
  std::uint32_t rejectedHistory = 0, bandedHistory = 0;
  // The light of this frame changed band by band since the previous one (flicker.cpp).
  bool frameBanded = false;

  bool Ready() const;
  bool KeepsProfiles() const { return mode == Combined || mode == ProfileMatching; }
  bool KeepsBlocks() const { return mode != ProfileMatching; }
  void MeasureFrame();
  float MeasureBanding();
  void KeepClearAxes(int bestDx, int bestDy, std::int32_t best);
  std::int32_t EvenRows(std::int32_t *const *maps, int channels, std::int32_t level, std::int32_t *out);
  void JudgeFrame();
  void FreeBuffers();
  bool AllocateBuffers();
  void AccumulateGeneral(const std::uint16_t *pixels, bool profiles, bool blocks);
  bool MatchProfileAxis(int n, std::int64_t *const *current, std::int64_t *const *previous, int channels,
                        std::int32_t &result, TrackerFigures::Search &figure);
  static void RecordSearch(TrackerFigures::Search &figure, float mean, float best, float entries,
                           float peakRatio, float minContrast, bool valid);
};
