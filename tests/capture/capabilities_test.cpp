#include <gtest/gtest.h>

#include "capture/capabilities.h"
#include "motion/camera_tracker.h"

namespace {

std::vector<Capability> Sizes(std::initializer_list<std::pair<int, int>> sizes) {
  std::vector<Capability> list;
  for (auto [w, h] : sizes)
    list.push_back({"video/x-raw", w, h});
  return list;
}

TEST(CaptureSize, FirstWithALargerSideOfAtLeast100WinsElseTheLast) {
  CameraTracker tracker;
  EXPECT_EQ(ChooseCaptureSize(Sizes({{160, 120}, {320, 240}, {640, 480}}), tracker), 0);
  EXPECT_EQ(tracker.blockSize, 4);
  EXPECT_EQ(ChooseCaptureSize(Sizes({{80, 60}, {640, 480}}), tracker), 1);
  EXPECT_EQ(tracker.blockSize, 16);
  EXPECT_EQ(ChooseCaptureSize(Sizes({{80, 60}, {96, 72}}), tracker), 1);
  EXPECT_EQ(tracker.blockSize, 2);
  // A top-down size counts by its magnitude: L is 176.
  EXPECT_EQ(ChooseCaptureSize(Sizes({{176, -144}}), tracker), 0);
  EXPECT_EQ(tracker.blockSize, 4);
  tracker.gridTarget = 20;
  EXPECT_EQ(ChooseCaptureSize(Sizes({{64, 48}, {320, 240}}), tracker), 1);
  EXPECT_EQ(tracker.blockSize, 16);
}

TEST(CaptureSize, NoCapabilitiesKeepsTheBlockSize) {
  CameraTracker tracker;
  tracker.blockSize = 7;
  EXPECT_EQ(ChooseCaptureSize({}, tracker), -1);
  EXPECT_EQ(tracker.blockSize, 7);
}

TEST(CaptureSize, CapsGiveSizesInTheirOwnOrder) {
  auto fixed =
      CapabilitiesFromCaps(std::string("video/x-raw, format=YUY2, width=640, height=480; "
                                       "video/x-h264, width=320, height=240; "
                                       "image/jpeg, width=160, height=120; video/x-raw, format=NV12"));
  ASSERT_EQ(fixed.size(), 2u);
  EXPECT_EQ(fixed[0].media, "video/x-raw");
  EXPECT_EQ(fixed[0].width, 640);
  EXPECT_EQ(fixed[1].media, "image/jpeg");
  EXPECT_EQ(fixed[1].height, 120);

  auto ranged = CapabilitiesFromCaps(std::string("video/x-raw, width=[100, 400], height=[100, 300]; "
                                                 "video/x-raw, width={ 160, 640 }, height={ 120, 480 }"));
  std::vector<std::pair<int, int>> got;
  for (const Capability &c : ranged)
    got.emplace_back(c.width, c.height);
  std::vector<std::pair<int, int>> want = {{160, 120}, {176, 144}, {320, 240},
                                           {352, 288}, {160, 120}, {640, 480}};
  EXPECT_EQ(got, want);

  EXPECT_TRUE(CapabilitiesFromCaps(std::string("not caps at all ((")).empty());
}

} // namespace
