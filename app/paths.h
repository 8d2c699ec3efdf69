#pragma once
// Where the game keeps its files on the desktop: the settings file it reads, the results file
// of the score table and the camera steering choices beside the settings. Start-up asks once,
// with the command-line overrides; nothing here touches the disk.

#include <string>

// The settings file: overrideFile when not empty (--settings FILE), else
// $XDG_CONFIG_HOME/Vexmoor/settings.txt, else ~/.config/Vexmoor/settings.txt.
// Empty when there is no home folder to resolve against (the settings keep their defaults).
std::string SettingsFilePath(const std::string &overrideFile);

// The results file: results.txt in overrideDir when not empty (--data-dir DIR), else
// $XDG_DATA_HOME/Vexmoor/results.txt, else ~/.local/share/Vexmoor/results.txt.
// The folder may not exist yet: the score table makes it when it saves.
// Empty when there is no home folder to resolve against.
std::string ResultsFilePath(const std::string &overrideDir);

// The camera steering choices: steering.txt in the settings file's folder. Empty with no
// settings file.
std::string SteeringFilePath(const std::string &settingsFile);
