#include "game/camera_choices.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "base/log.h"
#include "platform/shell.h"
#include "resources/resource_ids.h"

// The file, one choice a line, only the choices the player made:
//   camera-mode player
//   steer-block camera
//   steer-player picture
// Lines starting with # and blank lines are skipped.

namespace {

constexpr int kBlockMatching = 1;
constexpr int kPlayerTracking = 4;
// More than the file ever holds; a larger file is not ours.
constexpr std::streamsize kMaxFileBytes = 4096;

struct Choices {
  TrackingChoice tracking = TrackingChoice::WholePicture;
  std::optional<SteeringDirection> steering[2]; // per TrackingChoice, when chosen
};

Choices g_choices;
std::string g_path;
void (*g_changeMode)(int) = nullptr;

const char *TrackingName(TrackingChoice choice) {
  return choice == TrackingChoice::Player ? "player" : "block";
}

std::optional<SteeringDirection> &SteeringOf(Choices &c, TrackingChoice t) { return c.steering[int(t)]; }

// Parses the file's text; false with the line and why.
bool ParseChoices(const std::string &text, Choices *out, std::string *why) {
  Choices parsed;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.empty() || line[0] == '#')
      continue;
    std::istringstream words(line);
    std::string key, value, extra;
    words >> key >> value >> extra;
    bool ok = extra.empty();
    if (ok && key == "camera-mode") {
      ok = ParseTrackingChoice(value, &parsed.tracking);
    } else if (ok && (key == "steer-block" || key == "steer-player")) {
      SteeringDirection direction;
      ok = ParseSteeringDirection(value.c_str(), &direction);
      if (ok)
        SteeringOf(parsed, key == "steer-player" ? TrackingChoice::Player : TrackingChoice::WholePicture) =
            direction;
    } else {
      ok = false;
    }
    if (!ok) {
      *why = "line " + std::to_string(number) + " ('" + line + "') is not one of the choices";
      return false;
    }
  }
  *out = parsed;
  return true;
}

std::string ChoicesText(const Choices &c) {
  std::string text = "# Vexmoor's camera steering choices, written by the game\n";
  if (c.tracking != TrackingChoice::WholePicture)
    text += std::string("camera-mode ") + TrackingName(c.tracking) + "\n";
  for (TrackingChoice t : {TrackingChoice::WholePicture, TrackingChoice::Player})
    if (const auto &d = c.steering[int(t)])
      text += std::string("steer-") + TrackingName(t) + " " + SteeringDirectionName(*d) + "\n";
  return text;
}

// Written beside the old file and renamed over it, so a failure never leaves half a file.
void SaveChoices() {
  if (g_path.empty())
    return;
  const std::string text = ChoicesText(g_choices);
  const std::string temporary = g_path + ".tmp";
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(g_path).parent_path();
  if (!folder.empty())
    std::filesystem::create_directories(folder, ec);
  bool written = false;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    written = out && out.write(text.data(), std::streamsize(text.size())) && out.flush();
  }
  if (written && std::rename(temporary.c_str(), g_path.c_str()) == 0)
    return;
  const int error = errno;
  std::remove(temporary.c_str());
  LogWarning("the camera choices could not be kept in %s: %s", g_path.c_str(),
             error ? std::strerror(error) : "write failed");
}

} // namespace

int TrackingModeOf(TrackingChoice choice) {
  return choice == TrackingChoice::Player ? kPlayerTracking : kBlockMatching;
}

bool ParseTrackingChoice(const std::string &name, TrackingChoice *choice) {
  if (name == "block")
    *choice = TrackingChoice::WholePicture;
  else if (name == "player")
    *choice = TrackingChoice::Player;
  else
    return false;
  return true;
}

void LoadCameraChoices(const std::string &path) {
  g_choices = Choices{};
  g_path = path;
  std::error_code ec;
  if (path.empty() || !std::filesystem::exists(path, ec))
    return;
  std::ifstream in(path, std::ios::binary);
  std::string text(std::size_t(kMaxFileBytes + 1), '\0');
  if (in)
    in.read(text.data(), kMaxFileBytes + 1);
  std::string why;
  if (!in && !in.eof())
    why = "it cannot be read";
  else if (in.gcount() > kMaxFileBytes)
    why = "it is far longer than the choices";
  text.resize(std::size_t(in.gcount()));
  if (why.empty() && ParseChoices(text, &g_choices, &why))
    return;
  g_choices = Choices{};
  LogWarning("%s: %s; the camera steering starts from its defaults", path.c_str(), why.c_str());
}

void ChooseTrackingForRun(TrackingChoice choice) { g_choices.tracking = choice; }

void ChooseSteeringForRun(SteeringDirection direction) {
  SteeringOf(g_choices, g_choices.tracking) = direction;
}

TrackingChoice CurrentTrackingChoice() { return g_choices.tracking; }

SteeringDirection ChosenSteering() {
  const auto &chosen = SteeringOf(g_choices, g_choices.tracking);
  return chosen ? *chosen : DefaultSteeringDirection(TrackingModeOf(g_choices.tracking));
}

void SetTrackingModeChanger(void (*change)(int)) { g_changeMode = change; }

void ApplyCameraChoices() {
  SetSteeringDirection(ChosenSteering());
  if (g_changeMode)
    g_changeMode(TrackingModeOf(g_choices.tracking));
}

bool OnCameraChoiceCommand(int command) {
  switch (command) {
  case IDM_STEER_PICTURE:
  case IDM_STEER_CAMERA:
  case IDM_STEER_MIRROR:
    SteeringOf(g_choices, g_choices.tracking) = SteeringDirection(command - IDM_STEER_PICTURE);
    SetSteeringDirection(ChosenSteering());
    break;
  case IDM_TRACK_WHOLE_PICTURE:
  case IDM_TRACK_PLAYER: {
    const TrackingChoice wanted =
        command == IDM_TRACK_PLAYER ? TrackingChoice::Player : TrackingChoice::WholePicture;
    if (wanted == g_choices.tracking)
      return true;
    g_choices.tracking = wanted;
    ApplyCameraChoices();
    break;
  }
  default:
    return false;
  }
  SaveChoices();
  return true;
}

void CheckCameraChoices(HMENU menu) {
  if (!menu)
    return;
  const SteeringDirection steering = ChosenSteering();
  for (int id : {IDM_STEER_PICTURE, IDM_STEER_CAMERA, IDM_STEER_MIRROR})
    CheckMenuItem(menu, std::uint32_t(id),
                  MF_BYCOMMAND |
                      (SteeringDirection(id - IDM_STEER_PICTURE) == steering ? MF_CHECKED : MF_UNCHECKED));
  const bool player = g_choices.tracking == TrackingChoice::Player;
  CheckMenuItem(menu, IDM_TRACK_WHOLE_PICTURE, MF_BYCOMMAND | (player ? MF_UNCHECKED : MF_CHECKED));
  CheckMenuItem(menu, IDM_TRACK_PLAYER, MF_BYCOMMAND | (player ? MF_CHECKED : MF_UNCHECKED));
}
