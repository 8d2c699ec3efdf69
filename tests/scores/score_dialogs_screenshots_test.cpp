// Pictures of the three dialogs in portrait and landscape, for a person to look at. Runs only
// when VEXMOOR_SCREENSHOTS names a folder; writes <dialog>-<portrait|landscape>.png there.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/surface.h"
#include "resources/resource_ids.h"
#include "scores/dialog_fixture.h"
#include "scores/score_dialogs.h"

namespace {

// The composed screen as a PNG, through a binary PPM and ImageMagick.
bool SavePng(const std::string &path) {
  const Surface &s = ScreenSurface();
  const std::string ppm = path + ".ppm";
  FILE *f = std::fopen(ppm.c_str(), "wb");
  if (!f)
    return false;
  std::fprintf(f, "P6\n%d %d\n255\n", s.width, s.height);
  for (std::uint16_t p : s.pixels) {
    const COLORREF c = FromRgb565(p);
    const unsigned char rgb[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
    std::fwrite(rgb, 1, 3, f);
  }
  std::fclose(f);
  const bool converted = std::system(("convert '" + ppm + "' '" + path + "'").c_str()) == 0;
  std::remove(ppm.c_str());
  return converted;
}

class ScoreDialogsScreenshots : public DialogFixture {};

TEST_F(ScoreDialogsScreenshots, PortraitAndLandscape) {
  const char *folder = std::getenv("VEXMOOR_SCREENSHOTS");
  if (!folder || !*folder)
    GTEST_SKIP() << "set VEXMOOR_SCREENSHOTS to a folder to save the pictures";
  const std::string out = folder;

  const char16_t *names[5] = {u"Łucja", u"Bob", u"Zoë", u"Dee", u"Eve"};
  for (int i = 0; i < 5; ++i) {
    table->levels[1][i].score = 40 - 7 * i;
    std::u16string name = names[i];
    std::copy(name.begin(), name.end(), table->levels[1][i].name);
  }
  table->Insert(1, 30, u"Gżegżółka");
  g_app.gameLevel = 1;
  std::copy_n(u"Zoë", 3, g_app.playerName);

  struct Shot {
    const char *name;
    int id;
    DialogProc procedure;
  };
  for (Shot shot : {Shot{"name-entry", IDD_NAME_ENTRY, NameEntryDialogProc},
                    Shot{"best-scores", IDD_BEST_SCORES, BestScoresDialogProc},
                    Shot{"about", IDD_ABOUT, AboutDialogProc}}) {
    const std::uint64_t start = GetTickCount();
    if (shot.id == IDD_NAME_ENTRY)
      screen->QueueText(start + 100, u" Jaźń");
    At(start + 300, [&] { EXPECT_TRUE(SavePng(out + "/" + shot.name + "-portrait.png")); });
    At(start + 350, [] { RotateScreen(); });
    At(start + 600, [&] { EXPECT_TRUE(SavePng(out + "/" + shot.name + "-landscape.png")); });
    At(start + 650, [] { RotateScreen(); });
    screen->QueueKey(start + 800, shot.id == IDD_ABOUT ? VK_RETURN : VK_F1);
    RunDialog(shot.id, mainWindow, shot.procedure);
  }
}

} // namespace
