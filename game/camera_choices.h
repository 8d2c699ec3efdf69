#pragma once
// The player's camera steering choices: which way a motion steers ("Follow the picture",
// "Follow the camera", "Mirror") and what the camera follows ("Whole picture", the tracker's
// block matching, or "Player", a head or hand before a still webcam). Each tracking mode keeps
// its own direction; until one is chosen it is the mode's default (Mirror for Player). Kept
// across runs in a small file beside the settings file, written when the menu changes them.
// Start-up loads them (then the command line's), the game screen's and the camera view's
// menus change them.

#include <string>

#include "motion/point_trail.h"
#include "platform/types.h"

enum class TrackingChoice { WholePicture, Player };

// The tracker's mode for a choice (BlockMatching or PlayerTracking).
int TrackingModeOf(TrackingChoice choice);
// "block" and "player": the names of the command line and the file. False, and choice
// untouched, for any other text.
bool ParseTrackingChoice(const std::string &name, TrackingChoice *choice);

// Reads the kept choices from path (empty: none kept). A missing file keeps the defaults
// silently; an unreadable or bad one keeps them with one warning line. Later changes are
// written there.
void LoadCameraChoices(const std::string &path);
// The command line's choices for this run (a direction for the mode the run starts in).
void ChooseTrackingForRun(TrackingChoice choice);
void ChooseSteeringForRun(SteeringDirection direction);

TrackingChoice CurrentTrackingChoice();
// The direction the current mode steers with.
SteeringDirection ChosenSteering();

// Who changes the tracker's mode at run time without racing its stream (set by start-up;
// with none, only the choice and the steering change).
void SetTrackingModeChanger(void (*change)(int trackingMode));
// Hands the current direction to the trail and, with the changer, the mode to the tracker.
void ApplyCameraChoices();

// A menu command of the choices: applies it, keeps it and returns true; false for others.
bool OnCameraChoiceCommand(int command);
// The check marks of the choices in a menu that holds their items.
void CheckCameraChoices(HMENU menu);
