#include <gst/gst.h>
#include <gtest/gtest.h>

#include "capture/anti_flicker.h"
#include "capture/gst_setup.h"

namespace {

TEST(AntiFlicker, TheLocalesCountryGivesTheMainsFrequency) {
  EXPECT_EQ(MainsFrequency(nullptr, nullptr, "en_US.UTF-8"), 60);
  EXPECT_EQ(MainsFrequency(nullptr, nullptr, "pt_BR"), 60);
  EXPECT_EQ(MainsFrequency(nullptr, nullptr, "ko_KR.UTF-8"), 60);
  EXPECT_EQ(MainsFrequency(nullptr, nullptr, "ja_JP.eucJP"), 60);
  EXPECT_EQ(MainsFrequency(nullptr, nullptr, "es_AR.UTF-8"), 50);
  EXPECT_EQ(MainsFrequency(nullptr, nullptr, "de_DE.UTF-8@euro"), 50);
  EXPECT_EQ(MainsFrequency(nullptr, nullptr, "en_GB"), 50);
  // The first value set wins; an empty one counts as unset.
  EXPECT_EQ(MainsFrequency("fr_FR.UTF-8", "en_US.UTF-8", "en_US.UTF-8"), 50);
  EXPECT_EQ(MainsFrequency("", "en_CA.UTF-8", "fr_FR.UTF-8"), 60);
  // No country: 50 Hz, as in most of the world.
  for (const char *none : {"C", "C.UTF-8", "POSIX", "en", "en_", "en_us", "en_USA", ""})
    EXPECT_EQ(MainsFrequency(nullptr, nullptr, none), 50) << none;
  EXPECT_EQ(MainsFrequency(nullptr, nullptr, nullptr), 50);
}

TEST(AntiFlicker, TheControlGetsTheCamerasAutomaticElseTheMains) {
  const PowerLineControl withAuto{true, true}, without{true, false}, absent{};
  EXPECT_EQ(PowerLineValue(AntiFlicker::Auto, withAuto, 50), 3);
  EXPECT_EQ(PowerLineValue(AntiFlicker::Auto, without, 60), 2);
  EXPECT_EQ(PowerLineValue(AntiFlicker::Auto, without, 50), 1);
  EXPECT_EQ(PowerLineValue(AntiFlicker::Hz50, withAuto, 60), 1);
  EXPECT_EQ(PowerLineValue(AntiFlicker::Hz60, without, 50), 2);
  EXPECT_EQ(PowerLineValue(AntiFlicker::None, withAuto, 50), -1);
  EXPECT_EQ(PowerLineValue(AntiFlicker::Auto, absent, 60), -1);
  // No camera here: a device file that is no camera offers no control.
  EXPECT_FALSE(QueryPowerLineControl("/dev/null").present);
  EXPECT_FALSE(QueryPowerLineControl("").present);

  AntiFlicker choice = AntiFlicker::None;
  std::string error;
  ASSERT_TRUE(ParseAntiFlicker("60", &choice, &error));
  EXPECT_EQ(choice, AntiFlicker::Hz60);
  EXPECT_FALSE(ParseAntiFlicker("59", &choice, &error));
  EXPECT_NE(error.find("auto, 50, 60 or none"), std::string::npos);
  EXPECT_EQ(choice, AntiFlicker::Hz60);
}

TEST(AntiFlicker, TheValueGoesIntoTheCameraSourcesExtraControls) {
  ASSERT_TRUE(EnsureGstreamer());
  GstElement *camera = gst_element_factory_make("v4l2src", nullptr);
  if (camera == nullptr)
    GTEST_SKIP() << "no v4l2src (gstreamer1.0-plugins-good) here";
  gst_object_ref_sink(camera);
  GstStructure *before = gst_structure_from_string("c,brightness=10", nullptr);
  g_object_set(camera, "extra-controls", before, nullptr);
  gst_structure_free(before);
  ASSERT_TRUE(SetPowerLineFrequency(camera, 2));
  GstStructure *controls = nullptr;
  g_object_get(camera, "extra-controls", &controls, nullptr);
  ASSERT_NE(controls, nullptr);
  int value = 0, brightness = 0;
  EXPECT_TRUE(gst_structure_get_int(controls, "power_line_frequency", &value));
  EXPECT_EQ(value, 2);
  EXPECT_TRUE(gst_structure_get_int(controls, "brightness", &brightness)); // the others stay
  EXPECT_EQ(brightness, 10);
  gst_structure_free(controls);
  gst_object_unref(camera);

  // A source without camera controls is left alone.
  auto *picture = GST_ELEMENT(gst_object_ref_sink(gst_element_factory_make("videotestsrc", nullptr)));
  EXPECT_FALSE(SetPowerLineFrequency(picture, 2));
  gst_object_unref(picture);
}

} // namespace
