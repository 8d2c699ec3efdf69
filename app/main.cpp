// The desktop program: reads the command line, opens the screen and runs the game.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/close_signals.h"
#include "app/command_line.h"
#include "app/paths.h"
#include "app/recording.h"
#include "app/startup.h"
#include "base/log.h"
#include "base/version.h"
#include "capture/anti_flicker.h"
#include "capture/camera_source.h"
#include "capture/capabilities.h"
#include "game/camera_choices.h"
#include "motion/point_trail.h"
#include "platform/backend.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "resources/vexmoor_resources.h"

namespace {

// Asks a running instance to close; it saves its scores on the way out. Done only once it
// confirmed the request; the platform says on stderr why it did not.
int CloseRunningInstance() {
  PlatformStart(std::make_unique<HeadlessBackend>());
  HWND running = FindWindowW(u"VEXMOOR", u"Vex Moor");
  bool sent = running && PostMessageW(running, WM_CLOSE_REQUEST, 0, 0);
  PlatformStop();
  if (!running)
    std::fprintf(stderr, "vexmoor: no running instance to close\n");
  return sent ? 0 : 1;
}

// Shows the first frame, then ends: for timing the start-up.
class FirstFrameExit : public Backend {
public:
  explicit FirstFrameExit(std::unique_ptr<Backend> inner) : inner_(std::move(inner)) {}
  std::uint64_t NowMs() override { return inner_->NowMs(); }
  bool WaitEvent(bool hasDeadline, std::uint64_t deadlineMs, InputEvent *out) override {
    if (presented_ && !closing_) {
      closing_ = true;
      out->kind = InputEvent::Kind::CloseRequest;
      return true;
    }
    return inner_->WaitEvent(hasDeadline, deadlineMs, out);
  }
  void Wake() override { inner_->Wake(); }
  void Present(const Surface &screen) override {
    inner_->Present(screen);
    if (!presented_) {
      std::fputs("first frame\n", stdout); // the start-up benchmark stops its clock here
      std::fflush(stdout);
    }
    presented_ = true;
  }
  void Raise() override { inner_->Raise(); }
  void SetWindowTitle(const std::u16string &title) override { inner_->SetWindowTitle(title); }
  void SetIcon(const Surface &icon) override { inner_->SetIcon(icon); }
  bool FollowsRealTime() const override { return inner_->FollowsRealTime(); }

private:
  std::unique_ptr<Backend> inner_;
  bool presented_ = false;
  bool closing_ = false;
};

// The camera's size and anti-flicker, the steering and the tracking mode: each bad value is
// told in one line.
bool ApplyCameraOptions(const CommandLine &options) {
  std::string error;
  CaptureSizeChoice size;
  if (!options.cameraSize.empty() && !ParseCaptureSize(options.cameraSize, &size, &error)) {
    std::fprintf(stderr, "vexmoor: --camera-size %s\n", error.c_str());
    return false;
  }
  AntiFlicker antiFlicker = AntiFlicker::Auto;
  if (!options.antiFlicker.empty() && !ParseAntiFlicker(options.antiFlicker, &antiFlicker, &error)) {
    std::fprintf(stderr, "vexmoor: --anti-flicker %s\n", error.c_str());
    return false;
  }
  SteeringDirection direction;
  if (!options.steer.empty() && !ParseSteeringDirection(options.steer.c_str(), &direction)) {
    std::fprintf(stderr, "vexmoor: --steer takes picture, camera or mirror, not '%s'\n",
                 options.steer.c_str());
    return false;
  }
  TrackingChoice tracking;
  if (!options.cameraMode.empty() && !ParseTrackingChoice(options.cameraMode, &tracking)) {
    std::fprintf(stderr, "vexmoor: --camera-mode takes block or player, not '%s'\n",
                 options.cameraMode.c_str());
    return false;
  }
  SetCaptureSize(size);
  SetAntiFlicker(antiFlicker);
  SetStartupChoices({options.steer, options.cameraMode, options.cameraView});
  return true;
}

} // namespace

int main(int argc, char **argv) {
  CommandLine options;
  std::string error;
  if (!ParseCommandLine(argc, argv, &options, &error)) {
    std::fprintf(stderr, "vexmoor: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("vexmoor %s\n", VEXMOOR_VERSION);
    return 0;
  }
  if (options.verbose)
    SetLogLevel(LogLevel::Debug);
  if (options.close)
    return CloseRunningInstance();
  if (options.listCameras) {
    const std::vector<std::string> cameras = ListCameras();
    for (const std::string &name : cameras)
      std::printf("%s\n", name.c_str());
    // On stderr, so that a script reading the names gets none.
    if (cameras.empty())
      std::fprintf(stderr, "vexmoor: no cameras found\n");
    return 0;
  }
  // From here a signal closes in order; one that comes before the window exists is held.
  CloseOnSignals closeOnSignals;
  if (!SetCameraSource(options.camera, &error)) {
    std::fprintf(stderr, "vexmoor: --camera: %s\n", error.c_str());
    return 2;
  }
  if (!ApplyCameraOptions(options))
    return 2;
  if (options.replayFile.empty()) {
    SetStartupFiles(SettingsFilePath(options.settingsFile), ResultsFilePath(options.dataDir));
    // Before any window: a second start raises the first (or gives way) and shows nothing.
    if (int code = ClaimFirstStart(); code >= 0)
      return code;
  }
  if (CloseSignalled())
    return 0;
  std::unique_ptr<Backend> backend;
  if (options.replayFile.empty() || options.show) {
    backend = CreateSdlBackend(options.scale, &error);
    if (!backend) {
      std::fprintf(stderr, "vexmoor: %s\n", error.c_str());
      return 1;
    }
  }
  if (options.exitAfterFirstFrame)
    backend = std::make_unique<FirstFrameExit>(std::move(backend));
  HINSTANCE instance = CreateModule(&VexmoorResources());
  int code = !options.replayFile.empty()
                 ? ReplayRecording(options.replayFile, instance, std::move(backend))
                 : RunVexmoor(std::move(backend), instance, SettingsFilePath(options.settingsFile),
                              ResultsFilePath(options.dataDir), options.camera, options.recordFile);
  DestroyModule(instance);
  return code;
}
