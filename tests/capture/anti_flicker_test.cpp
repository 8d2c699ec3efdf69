#include <gst/gst.h>
#include <gtest/gtest.h>

#include "capture/anti_flicker.h"
#include "capture/gst_setup.h"

namespace {

TEST(AntiFlicker, TheFirstLocaleValueSetNamesTheCountryAndItsMains) {
  for (const char *lang : {"en_US.UTF-8", "pt_BR", "ja_JP.eucJP"})
    EXPECT_EQ(MainsFrequency(nullptr, nullptr, lang), 60) << lang;
  // No country is 50 Hz too, as in most of the world.
  for (const char *lang : {"es_AR.UTF-8", "de_DE.UTF-8@euro", "C.UTF-8", "en_", "en_us", "en_USA", ""})
    EXPECT_EQ(MainsFrequency(nullptr, nullptr, lang), 50) << lang;
  EXPECT_EQ(MainsFrequency(nullptr, nullptr, nullptr), 50);
  EXPECT_EQ(MainsFrequency("fr_FR.UTF-8", "en_US.UTF-8", "en_US.UTF-8"), 50);
  EXPECT_EQ(MainsFrequency("", "en_CA.UTF-8", "fr_FR.UTF-8"), 60); // an empty value counts as unset
}

TEST(AntiFlicker, TheControlGetsTheCamerasAutomaticElseTheMains) {
  const PowerLineControl withAuto{true, true}, without{true, false}, absent{};
  EXPECT_EQ(PowerLineValue(AntiFlicker::Auto, withAuto, 50), 3);
  EXPECT_EQ(PowerLineValue(AntiFlicker::Auto, without, 60), 2);
  EXPECT_EQ(PowerLineValue(AntiFlicker::Hz50, withAuto, 60), 1);
  EXPECT_EQ(PowerLineValue(AntiFlicker::None, withAuto, 50), -1);
  EXPECT_EQ(PowerLineValue(AntiFlicker::Auto, absent, 60), -1);
  EXPECT_FALSE(QueryPowerLineControl("/dev/null").present); // a device file that is no camera

  AntiFlicker choice = AntiFlicker::Hz60;
  std::string error;
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
