// The desktop program: reads the command line, opens the screen and runs the game.

#include <cstdio>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/paths.h"
#include "app/startup.h"
#include "base/version.h"
#include "capture/camera_source.h"
#include "platform/backend.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "resources/vexmoor_resources.h"

namespace {

// Asks a running instance to close; it saves its scores on the way out.
int CloseRunningInstance() {
  PlatformStart(std::make_unique<HeadlessBackend>());
  HWND running = FindWindowW(u"VEXMOOR", u"Vex Moor");
  bool sent = running && PostMessageW(running, WM_CLOSE_REQUEST, 0, 0);
  PlatformStop();
  if (!sent) {
    std::fprintf(stderr, "vexmoor: no running instance to close\n");
    return 1;
  }
  return 0;
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

private:
  std::unique_ptr<Backend> inner_;
  bool presented_ = false;
  bool closing_ = false;
};

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
  if (options.close)
    return CloseRunningInstance();
  if (options.listCameras) {
    for (const std::string &name : ListCameras())
      std::printf("%s\n", name.c_str());
    return 0;
  }
  if (!SetCameraSource(options.camera, &error)) {
    std::fprintf(stderr, "vexmoor: --camera: %s\n", error.c_str());
    return 2;
  }
  std::unique_ptr<Backend> backend = CreateSdlBackend(options.scale, &error);
  if (!backend) {
    std::fprintf(stderr, "vexmoor: %s\n", error.c_str());
    return 1;
  }
  if (options.exitAfterFirstFrame)
    backend = std::make_unique<FirstFrameExit>(std::move(backend));
  PlatformStart(std::move(backend));
  SetStartupFiles(SettingsFilePath(options.settingsFile), ResultsFilePath(options.dataDir));
  HINSTANCE instance = CreateModule(&VexmoorResources());
  int code = VexmoorEntry(instance, 5);
  PlatformStop();
  DestroyModule(instance);
  return code;
}
