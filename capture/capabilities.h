#pragma once
// The capture sizes a source offers, in its own order, and the choice among them: the first
// whose larger side is at least 100 pixels, else the last. Used by the capture graph build.

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

// Index of the chosen capability, or -1 when the list is empty. Sets the tracker's blockSize
// from the chosen size.
int ChooseCaptureSize(const std::vector<Capability> &capabilities, CameraTracker &tracker);
