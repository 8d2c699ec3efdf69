#pragma once
// The capture sizes a source offers, in its own order, and the choice among them: by default
// the size nearest 320 x 240, or the first whose larger side is at least 100 pixels. Used by
// the capture graph build; the choice is set from the command line.

#include <string>
#include <vector>

class CameraTracker;
struct _GstCaps;

struct Capability {
  std::string media; // "video/x-raw" or "image/jpeg"
  int width = 0;
  int height = 0;
};

// Sizes standing in for a range: a range offers those of these it contains, in this order.
const std::vector<Capability> &StandardCaptureSizes();

// The capabilities of caps, structure by structure: fixed sizes as they are, ranges and lists
// as the standard sizes they hold. Structures of other media, or without a size, are skipped.
std::vector<Capability> CapabilitiesFromCaps(const _GstCaps *caps);
// The same from caps written as text; empty for text that does not parse.
std::vector<Capability> CapabilitiesFromCaps(const std::string &capsText);

// Cameras on this system list their sizes largest first (v4l2 sorts them so), where the
// phone's camera listed them smallest first; read in that order, "the first size of at least
// 100 pixels" would take a camera's largest, slowest mode. This puts the smallest first,
// keeping the order of equal sizes.
void SmallestFirst(std::vector<Capability> &capabilities);

// How the capture size is chosen. Nearest: exactly width x height where offered, else the
// smallest size whose larger side reaches the wanted larger side, else the largest size.
// FirstOf100: the first size whose larger side is at least 100 pixels, else the last.
// The turn threshold is in camera pixels, so at 160 x 120 slow pans hardly steer; 320 x 240
// is the default for that reason.
struct CaptureSizeChoice {
  enum class Rule { Nearest, FirstOf100 } rule = Rule::Nearest;
  int width = 320, height = 240;
  bool given = false; // a size the player asked for (the test picture then takes it too)
};

// "WxH" (each side 1 to 16384) or "small" (FirstOf100). False with a one-line reason otherwise.
bool ParseCaptureSize(const std::string &text, CaptureSizeChoice *choice, std::string *error);
void SetCaptureSize(const CaptureSizeChoice &choice);
CaptureSizeChoice CurrentCaptureSize();

// Index of the chosen capability, or -1 when the list is empty. Sets the tracker's blockSize
// from the chosen size. The first form is FirstOf100.
int ChooseCaptureSize(const std::vector<Capability> &capabilities, CameraTracker &tracker);
int ChooseCaptureSize(const std::vector<Capability> &capabilities, const CaptureSizeChoice &choice,
                      CameraTracker &tracker);
