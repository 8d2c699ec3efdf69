#pragma once
// A camera's anti-flicker: v4l2's power-line-frequency control, set before the stream starts so
// that the exposure stays clear of the mains' beat (lamps flicker at twice the mains frequency).
// The value comes from the player's choice, what the control offers, and the mains frequency of
// the country in the locale. Used by the capture source for cameras; set from the command line.

#include <string>

struct _GstElement;

// Auto: the camera's own automatic setting where its control offers one, else the locale's
// mains frequency. Hz50, Hz60: that frequency. None: the control is left as it is.
enum class AntiFlicker { Auto, Hz50, Hz60, None };

// "auto", "50", "60" or "none"; false with a one-line reason otherwise.
bool ParseAntiFlicker(const std::string &text, AntiFlicker *choice, std::string *error);
void SetAntiFlicker(AntiFlicker choice);
AntiFlicker CurrentAntiFlicker();

// The mains frequency, 60 or 50, of the country named in the first of these locale values
// that is set ("en_US.UTF-8" names US): 60 in the 60 Hz countries of the Americas, Japan
// (whose east runs at 50), Korea, Taiwan, the Philippines, Saudi Arabia and Liberia, else 50.
int MainsFrequency(const char *lcAll, const char *lcMessages, const char *lang);

// What a camera's power-line-frequency control offers.
struct PowerLineControl {
  bool present = false;
  bool offersAuto = false;
};
// Asks the camera's device file; absent when it cannot be asked.
PowerLineControl QueryPowerLineControl(const std::string &devicePath);

// The control's value (1 for 50 Hz, 2 for 60 Hz, 3 for automatic), or -1 to leave it alone.
int PowerLineValue(AntiFlicker choice, const PowerLineControl &control, int mainsHz);

// Puts the value into the source's "extra-controls" (v4l2src applies them when it opens the
// camera), keeping the other controls there. False when the source has no such property.
bool SetPowerLineFrequency(_GstElement *source, int value);

// The whole choice for a camera's source element opened from devicePath; says what it set.
void ApplyAntiFlicker(_GstElement *source, const std::string &devicePath);
