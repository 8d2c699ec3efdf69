#pragma once
// Golden pictures: screens compared pixel for pixel with the PNG files under tests/golden/.
// Used by the golden suite (tests/golden/). Run it with --update-golden to write the pictures
// anew instead of comparing (look at each before committing it).

#include <string>

#include "platform/surface.h"

// Set by the test programs' main from --update-golden.
extern bool g_updateGolden;

struct GoldenDifference {
  int count = 0; // pixels that differ; -1 when the golden is missing or unreadable
  int firstX = -1, firstY = -1;
  std::string problem; // empty when the pictures are alike
};

GoldenDifference CompareWithGolden(const Surface &actual, const std::string &name);

// The check of a test: compares the surface (the composed screen by default) with the golden
// of that name; on a difference fails with the first differing pixel and the count, and saves
// the actual picture in the build tree beside where the goldens are made. With
// --update-golden it writes the golden instead. Fails first, once, if the fonts the pictures
// were made with are not the ones found here.
void ExpectGolden(const std::string &name, const Surface *surface = nullptr);
