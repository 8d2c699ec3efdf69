#include <gtest/gtest.h>

#include <tuple>

#include "capture/capabilities.h"
#include "motion/camera_tracker.h"

namespace {

using Sizes = std::vector<std::pair<int, int>>;
using Listing = std::vector<std::tuple<std::string, int, int>>;

std::vector<Capability> Raw(const Sizes &sizes) {
  std::vector<Capability> list;
  for (auto [w, h] : sizes)
    list.push_back({"video/x-raw", w, h});
  return list;
}

Listing Listed(const std::vector<Capability> &capabilities) {
  Listing list;
  for (const Capability &c : capabilities)
    list.emplace_back(c.media, c.width, c.height);
  return list;
}

TEST(CaptureSize, EachRuleChoosesItsSize) {
  const struct {
    const char *choice; // "" is the default
    Sizes sizes;
    int index;
  } cases[] = {
      // The default: 320 x 240, else the smallest reaching 320, else the largest.
      {"", {{160, 120}, {320, 180}, {320, 240}, {640, 480}}, 2},
      {"", {{1280, 720}, {160, 120}, {640, 360}, {352, 288}}, 3},
      {"", {{1920, 1080}, {1280, 720}}, 1},
      {"", {{160, 120}, {176, 144}}, 1},
      {"", {}, -1},
      {"640x480", {{320, 240}, {800, 600}, {1280, 720}}, 1},
      // The first whose larger side reaches 100, else the last; a top-down size by its magnitude.
      {"small", {{160, 120}, {320, 240}}, 0},
      {"small", {{80, 60}, {640, 480}}, 1},
      {"small", {{80, 60}, {96, 72}}, 1},
      {"small", {{176, -144}}, 0},
      {"small", {}, -1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.choice + std::to_string(c.sizes.size()));
    CaptureSizeChoice choice;
    ASSERT_TRUE(*c.choice == '\0' || ParseCaptureSize(c.choice, &choice, nullptr));
    CameraTracker tracker;
    EXPECT_EQ(ChooseCaptureSize(Raw(c.sizes), choice, tracker), c.index);
  }
}

TEST(CaptureSize, BadSizesAreRefusedAndLeaveTheChoiceAlone) {
  CaptureSizeChoice asked;
  ASSERT_TRUE(ParseCaptureSize("640x480", &asked, nullptr));
  std::string error;
  for (const char *bad : {"", "320", "320x", "x240", "0x240", "320x-1", "320x240x2", "16385x1", "3e2x240",
                          "99999999999x1", "big"}) {
    EXPECT_FALSE(ParseCaptureSize(bad, &asked, &error)) << bad;
    EXPECT_NE(error.find("WxH"), std::string::npos);
  }
  EXPECT_EQ(std::tuple(asked.width, asked.height), std::tuple(640, 480));
}

TEST(CaptureSize, ACameraListingLargestFirstStillGetsItsSmallUsableSize) {
  std::vector<Capability> camera = {{"video/x-raw", 1280, 720}, {"image/jpeg", 1280, 720},
                                    {"video/x-raw", 640, 480},  {"video/x-raw", 160, 120},
                                    {"video/x-raw", 80, 60},    {"image/jpeg", 160, 120}};
  SmallestFirst(camera);
  CameraTracker tracker;
  ASSERT_EQ(ChooseCaptureSize(camera, tracker), 1);
  EXPECT_EQ(Listed({camera[1]}), (Listing{{"video/x-raw", 160, 120}})); // raw before JPEG of a size
}

TEST(CaptureSize, CapsGiveSizesInTheirOwnOrder) {
  auto fixed =
      CapabilitiesFromCaps(std::string("video/x-raw, format=YUY2, width=640, height=480; "
                                       "video/x-h264, width=320, height=240; "
                                       "image/jpeg, width=160, height=120; video/x-raw, format=NV12"));
  EXPECT_EQ(Listed(fixed), (Listing{{"video/x-raw", 640, 480}, {"image/jpeg", 160, 120}}));

  auto ranged = CapabilitiesFromCaps(std::string("video/x-raw, width=[100, 400], height=[100, 300]; "
                                                 "video/x-raw, width={ 160, 640 }, height={ 120, 480 }"));
  EXPECT_EQ(Listed(ranged),
            Listed(Raw({{160, 120}, {176, 144}, {320, 240}, {352, 288}, {160, 120}, {640, 480}})));
  EXPECT_TRUE(CapabilitiesFromCaps(std::string("not caps at all ((")).empty());
}

} // namespace
