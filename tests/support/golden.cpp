#include "support/golden.h"

#include <png.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/fonts.h"

namespace {

const std::string kGoldenFolder = VEXMOOR_GOLDEN_DIR;
const std::string kActualFolder = VEXMOOR_GOLDEN_ACTUAL_DIR;

// The faces the screens draw with and the files the goldens were made with: another version
// of a font moves glyph edges, which must show as a font change, not as a drawing fault.
struct PinnedFont {
  const char16_t *face;
  int weight;
  const char *file;
  std::uint64_t fnv1a;
};
constexpr PinnedFont kPinnedFonts[] = {
    {u"Times New Roman", FW_BOLD, "/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf",
     0x3e79b66146be8c91},
    {u"Courier New", FW_BOLD, "/usr/share/fonts/truetype/liberation/LiberationMono-Bold.ttf",
     0x1225a54e0139d2a9},
    {u"Liberation Sans", FW_NORMAL, "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
     0x9e79bc56ef9d700b},
    {u"Liberation Sans", FW_BOLD, "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
     0xcff8ed32ffca5106},
    {u"Noto Color Emoji", FW_NORMAL, "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf", 0xb9b5903cc221c8c2},
};

std::uint64_t Fnv1a(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::uint64_t h = 14695981039346656037ull;
  for (std::istreambuf_iterator<char> c(in), end; c != end; ++c)
    h = (h ^ std::uint8_t(*c)) * 1099511628211ull;
  return h;
}

// Empty when every pinned face resolves to its file, byte for byte.
std::string FontProblems() {
  std::string problems;
  for (const PinnedFont &pin : kPinnedFonts) {
    FontMatch match;
    const bool found = MatchFontFile(pin.face, pin.weight, false, &match);
    const std::string face(pin.face, pin.face + std::char_traits<char16_t>::length(pin.face));
    if (!found || match.file != pin.file)
      problems += "\n  " + face + " is drawn with " + (found ? match.file : "no file") + ", not " + pin.file;
    else if (Fnv1a(match.file) != pin.fnv1a)
      problems += "\n  " + match.file + " is another version of the file than the goldens were drawn with";
  }
  return problems;
}

std::string PathOf(const std::string &folder, const std::string &name) {
  return folder + "/" + name + ".png";
}

bool WritePng(const Surface &s, const std::string &path) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(s.pixels.size() * 3);
  for (std::uint16_t p : s.pixels) {
    const COLORREF c = FromRgb565(p);
    rgb.insert(rgb.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
  }
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(s.width);
  image.height = png_uint_32(s.height);
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

bool ReadPng(const std::string &path, Surface *out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str()))
    return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
    return false;
  out->Resize(int(image.width), int(image.height));
  for (std::size_t i = 0; i < out->pixels.size(); ++i)
    out->pixels[i] = ToRgb565(RGB(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]));
  return true;
}

} // namespace

GoldenDifference CompareWithGolden(const Surface &actual, const std::string &name) {
  GoldenDifference d;
  Surface golden;
  if (!ReadPng(PathOf(kGoldenFolder, name), &golden)) {
    d.count = -1;
    d.problem = "no readable golden " + PathOf(kGoldenFolder, name) + " (make it with --update-golden)";
    return d;
  }
  if (golden.width != actual.width || golden.height != actual.height) {
    d.count = -1;
    d.problem = "the golden is " + std::to_string(golden.width) + " x " + std::to_string(golden.height) +
                ", the screen " + std::to_string(actual.width) + " x " + std::to_string(actual.height);
    return d;
  }
  for (std::size_t i = 0; i < golden.pixels.size(); ++i)
    if (golden.pixels[i] != actual.pixels[i] && d.count++ == 0) {
      d.firstX = int(i % std::size_t(golden.width));
      d.firstY = int(i / std::size_t(golden.width));
    }
  if (d.count > 0)
    d.problem = std::to_string(d.count) + " pixels differ, the first at (" + std::to_string(d.firstX) + ", " +
                std::to_string(d.firstY) + ")";
  return d;
}

void ExpectGolden(const std::string &name, const Surface *surface) {
  static const std::string fonts = FontProblems();
  if (!fonts.empty()) {
    ADD_FAILURE() << name << ": the fonts are not the ones the goldens were drawn with (kPinnedFonts in "
                  << __FILE__ << "):" << fonts;
    return;
  }
  const Surface &actual = surface ? *surface : ScreenSurface();
  if (g_updateGolden) {
    EXPECT_TRUE(WritePng(actual, PathOf(kGoldenFolder, name))) << name;
    return;
  }
  const GoldenDifference d = CompareWithGolden(actual, name);
  if (d.problem.empty())
    return;
  const std::string saved = PathOf(kActualFolder, name);
  ADD_FAILURE() << name << ": " << d.problem << "; the screen is saved as " << saved
                << (WritePng(actual, saved) ? "" : " (could not be written)");
}
