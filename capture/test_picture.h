#pragma once
// The "test" camera: a textured picture that moves, made frame by frame into an appsrc, so
// camera steering can be seen and tested without a webcam. Used by the capture source.

#include <gst/gst.h>

// A source element giving RGB565 frames of width x height. The picture moves stepX pixels
// right and stepY pixels up each frame; with both 0 it tours a square (right, up, left, down) in steps of
// about a fortieth of its larger side.
GstElement *CreateTestPicture(int width, int height, int stepX, int stepY);
