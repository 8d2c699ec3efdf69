#include <gtest/gtest.h>

#include <tuple>

#include "capture/capabilities.h"
#include "motion/camera_tracker.h"

namespace {

// The index chosen from a list of raw sizes, and the block size it gave the tracker.
std::pair<int, int> Choose(CameraTracker &tracker, std::initializer_list<std::pair<int, int>> sizes) {
  std::vector<Capability> list;
  for (auto [w, h] : sizes)
    list.push_back({"video/x-raw", w, h});
  const int index = ChooseCaptureSize(list, tracker);
  return {index, tracker.blockSize};
}

using Listing = std::vector<std::tuple<std::string, int, int>>;
Listing Listed(const std::vector<Capability> &capabilities) {
  Listing list;
  for (const Capability &c : capabilities)
    list.emplace_back(c.media, c.width, c.height);
  return list;
}

TEST(CaptureSize, FirstWithALargerSideOfAtLeast100WinsElseTheLast) {
  CameraTracker tracker;
  EXPECT_EQ(Choose(tracker, {{160, 120}, {320, 240}, {640, 480}}), std::pair(0, 4));
  EXPECT_EQ(Choose(tracker, {{80, 60}, {640, 480}}), std::pair(1, 16));
  EXPECT_EQ(Choose(tracker, {{80, 60}, {96, 72}}), std::pair(1, 2));
  EXPECT_EQ(Choose(tracker, {{176, -144}}), std::pair(0, 4)); // a top-down size counts by its magnitude
  tracker.gridTarget = 20;
  EXPECT_EQ(Choose(tracker, {{64, 48}, {320, 240}}), std::pair(1, 16));
  EXPECT_EQ(Choose(tracker, {}), std::pair(-1, 16)); // nothing to choose: the block size stays
}

// The default: 320 x 240 where offered, else the smallest size reaching 320, else the largest.
TEST(CaptureSize, TheDefaultTakesTheSizeNearest320x240) {
  CameraTracker tracker;
  auto nearest = [&](std::initializer_list<std::pair<int, int>> sizes, CaptureSizeChoice choice = {}) {
    std::vector<Capability> list;
    for (auto [w, h] : sizes)
      list.push_back({"video/x-raw", w, h});
    const int index = ChooseCaptureSize(list, choice, tracker);
    return std::tuple(index, tracker.blockSize);
  };
  EXPECT_EQ(nearest({{160, 120}, {320, 180}, {320, 240}, {640, 480}}), std::tuple(2, 8));
  EXPECT_EQ(nearest({{1280, 720}, {160, 120}, {640, 360}, {352, 288}}), std::tuple(3, 8));
  EXPECT_EQ(nearest({{1920, 1080}, {1280, 720}}), std::tuple(1, 32));
  EXPECT_EQ(nearest({{160, 120}, {176, 144}}), std::tuple(1, 4)); // none reaches 320: the largest
  EXPECT_EQ(nearest({}), std::tuple(-1, 4));
  CaptureSizeChoice small;
  ASSERT_TRUE(ParseCaptureSize("small", &small, nullptr));
  EXPECT_EQ(nearest({{160, 120}, {320, 240}}, small), std::tuple(0, 4)); // the original rule
  CaptureSizeChoice asked;
  ASSERT_TRUE(ParseCaptureSize("640x480", &asked, nullptr));
  EXPECT_EQ(nearest({{320, 240}, {640, 480}, {800, 600}}, asked), std::tuple(1, 16));
  EXPECT_EQ(nearest({{320, 240}, {800, 600}, {1280, 720}}, asked), std::tuple(1, 20));

  std::string error;
  for (const char *bad : {"", "320", "320x", "x240", "0x240", "320x-1", "320x240x2", "16385x1", "3e2x240",
                          "99999999999x1", "big"}) {
    EXPECT_FALSE(ParseCaptureSize(bad, &asked, &error)) << bad;
    EXPECT_NE(error.find("WxH"), std::string::npos);
  }
  EXPECT_EQ(std::tuple(asked.width, asked.height), std::tuple(640, 480)); // untouched by the failures
}

TEST(CaptureSize, ACameraListingLargestFirstStillGetsItsSmallUsableSize) {
  std::vector<Capability> camera = {{"video/x-raw", 1280, 720}, {"image/jpeg", 1280, 720},
                                    {"video/x-raw", 640, 480},  {"video/x-raw", 160, 120},
                                    {"video/x-raw", 80, 60},    {"image/jpeg", 160, 120}};
  SmallestFirst(camera);
  CameraTracker tracker;
  ASSERT_EQ(ChooseCaptureSize(camera, tracker), 1);
  EXPECT_EQ(Listed({camera[1]}), (Listing{{"video/x-raw", 160, 120}})); // raw before JPEG of a size
  EXPECT_EQ(tracker.blockSize, 4);
}

TEST(CaptureSize, CapsGiveSizesInTheirOwnOrder) {
  auto fixed =
      CapabilitiesFromCaps(std::string("video/x-raw, format=YUY2, width=640, height=480; "
                                       "video/x-h264, width=320, height=240; "
                                       "image/jpeg, width=160, height=120; video/x-raw, format=NV12"));
  EXPECT_EQ(Listed(fixed), (Listing{{"video/x-raw", 640, 480}, {"image/jpeg", 160, 120}}));

  auto ranged = CapabilitiesFromCaps(std::string("video/x-raw, width=[100, 400], height=[100, 300]; "
                                                 "video/x-raw, width={ 160, 640 }, height={ 120, 480 }"));
  const std::string raw = "video/x-raw";
  const Listing want = {{raw, 160, 120}, {raw, 176, 144}, {raw, 320, 240},
                        {raw, 352, 288}, {raw, 160, 120}, {raw, 640, 480}};
  EXPECT_EQ(Listed(ranged), want);
  EXPECT_TRUE(CapabilitiesFromCaps(std::string("not caps at all ((")).empty());
}

} // namespace
