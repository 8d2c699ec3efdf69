#pragma once
// Connects the game's camera choices and camera view to the capture code, which the game's
// layer cannot see: the tracking mode changes through the capture sink, the view's pictures
// come from the sink's frame copies. Called by start-up once the tracker exists.

void WireCamera();
