#pragma once
// Starts GStreamer once, on first use, and registers the program's own elements.

bool EnsureGstreamer();
