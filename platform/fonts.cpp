// Font lookup through fontconfig and rendering through SDL_ttf.

#include "platform/fonts.h"

#include "base/utf16.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <list>
#include <map>
#include <memory>
#include <tuple>

struct FontFace {
  TTF_Font *font = nullptr;
  int cellHeight = 0;
  int ascent = 0;
};

namespace {

// Beyond this a logical font is taken as a mistake, not as a wish for huge text.
constexpr int kMaxFontPixels = 512;
constexpr int kDefaultCellHeight = 16;
constexpr std::size_t kCachedTexts = 32;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

struct Substitute {
  const char *face;
  const char *family;
  const char *generic;
};

// Windows faces and the free faces drawn with the same metrics in their place.
constexpr Substitute kSubstitutes[] = {
    {"times new roman", "Liberation Serif", "serif"},    {"courier new", "Liberation Mono", "monospace"},
    {"courier", "Liberation Mono", "monospace"},         {"arial", "Liberation Sans", "sans-serif"},
    {"tahoma", "Liberation Sans", "sans-serif"},         {"ms shell dlg", "Liberation Sans", "sans-serif"},
    {"ms shell dlg 2", "Liberation Sans", "sans-serif"}, {"ms sans serif", "Liberation Sans", "sans-serif"},
};

bool HasFamily(FcPattern *pattern, const std::string &family) {
  FcChar8 *value = nullptr;
  for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &value) == FcResultMatch; ++i)
    if (Lower(reinterpret_cast<const char *>(value)) == Lower(family))
      return true;
  return false;
}

// fontconfig never fails a match, it falls back to some face: a match counts only when the
// family asked for is what came back, unless any face will do.
bool StartFontconfig() {
  static const bool started = [] {
    if (!FcInit())
      return false;
    // fontconfig keeps its configuration until FcFini; nothing here needs it after exit starts.
    std::atexit([] { FcFini(); });
    return true;
  }();
  return started;
}

bool MatchFamily(const std::string &family, int weight, bool italic, bool anyFace, FontMatch *out) {
  if (!StartFontconfig())
    return false;
  FcPattern *pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern *match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match)
    return false;
  FcChar8 *file = nullptr;
  FcChar8 *found = nullptr;
  int index = 0, foundWeight = FC_WEIGHT_REGULAR, foundSlant = FC_SLANT_ROMAN;
  bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
            FcPatternGetString(match, FC_FAMILY, 0, &found) == FcResultMatch &&
            (anyFace || HasFamily(match, family));
  if (ok) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &foundWeight);
    FcPatternGetInteger(match, FC_SLANT, 0, &foundSlant);
    out->file = reinterpret_cast<const char *>(file);
    out->family = reinterpret_cast<const char *>(found);
    out->index = index;
    out->bold = foundWeight >= FC_WEIGHT_DEMIBOLD;
    out->italic = foundSlant != FC_SLANT_ROMAN;
  }
  FcPatternDestroy(match);
  return ok;
}

struct OpenedKey {
  std::string file;
  int index, height, width, style;
  auto operator<=>(const OpenedKey &) const = default;
};

std::map<std::tuple<std::string, bool, bool>, FontMatch> &Matches() {
  static auto *matches = new std::map<std::tuple<std::string, bool, bool>, FontMatch>;
  return *matches;
}

// Opened faces live as long as the program: logical fonts come and go every frame.
std::map<OpenedKey, std::unique_ptr<FontFace>> &Opened() {
  static auto *opened = new std::map<OpenedKey, std::unique_ptr<FontFace>>;
  return *opened;
}

bool SetSize(TTF_Font *font, int points, int hdpi) {
  return TTF_SetFontSizeDPI(font, std::max(points, 1), unsigned(std::max(hdpi, 1)), 72) == 0;
}

// The largest point size whose cell is no taller than the height asked for.
int PointsForCell(TTF_Font *font, int cell) {
  SetSize(font, cell, 72);
  int measured = std::max(TTF_FontHeight(font), 1);
  int points = std::max(1, int(std::lround(double(cell) * cell / measured)));
  for (int step = 0; step < 64; ++step) {
    SetSize(font, points, 72);
    int h = TTF_FontHeight(font);
    if (h > cell && points > 1) {
      --points;
      continue;
    }
    SetSize(font, points + 1, 72);
    if (TTF_FontHeight(font) <= cell) {
      ++points;
      continue;
    }
    break;
  }
  return points;
}

double AverageWidth(TTF_Font *font) {
  int total = 0, count = 0;
  for (Uint32 c = 'a'; c <= 'z'; ++c) {
    int advance = 0;
    if (TTF_GlyphMetrics32(font, c, nullptr, nullptr, nullptr, nullptr, &advance) == 0) {
      total += advance;
      ++count;
    }
  }
  return count ? double(total) / count : 0.0;
}

// The horizontal resolution that draws characters lfWidth wide: the face is stretched, as the
// platform stretches a font asked for narrower or wider than its design.
int HorizontalDpiForWidth(TTF_Font *font, int points, int width) {
  SetSize(font, points, 72);
  double average = AverageWidth(font);
  if (average <= 0)
    return 72;
  int hdpi = std::max(1, int(std::lround(72.0 * width / average)));
  for (int step = 0; step < 200; ++step) {
    SetSize(font, points, hdpi);
    double now = std::lround(AverageWidth(font));
    if (now < width)
      ++hdpi;
    else if (now > width && hdpi > 1)
      --hdpi;
    else
      break;
  }
  return hdpi;
}

struct CachedText {
  FontFace *face;
  std::string text;
  TextMask mask;
};

std::list<CachedText> &Texts() {
  static auto *texts = new std::list<CachedText>;
  return *texts;
}

// The code points a face draws for text: a character the face lacks (an unpaired surrogate's
// replacement character in Liberation Serif, say) is shown as U+FFFD or, failing that, '?'.
std::u32string ShownCodePoints(FontFace *face, std::u16string_view text) {
  std::u32string points = Utf16ToCodePoints(text);
  std::erase(points, U'\0');
  for (char32_t &c : points)
    if (c >= 0x80 && !TTF_GlyphIsProvided32(face->font, c))
      c = TTF_GlyphIsProvided32(face->font, 0xFFFD) ? 0xFFFD : U'?';
  return points;
}

} // namespace

bool MatchFontFile(const std::u16string &face, int weight, bool italic, FontMatch *out) {
  if (!out)
    return false;
  std::string name = Utf16ToUtf8(face);
  auto key = std::make_tuple(Lower(name), weight >= 600, italic);
  auto cached = Matches().find(key);
  if (cached != Matches().end()) {
    *out = cached->second;
    return true;
  }
  const Substitute *substitute = nullptr;
  for (const Substitute &s : kSubstitutes)
    if (Lower(name) == s.face)
      substitute = &s;
  bool found = (!name.empty() && MatchFamily(name, weight, italic, false, out)) ||
               (substitute && MatchFamily(substitute->family, weight, italic, false, out)) ||
               MatchFamily(substitute ? substitute->generic : "sans-serif", weight, italic, true, out);
  if (found)
    Matches()[key] = *out;
  return found;
}

FontFace *OpenFontFace(const LOGFONTW &logFont) {
  std::u16string name;
  for (char16_t c : logFont.lfFaceName) {
    if (!c)
      break;
    name.push_back(c);
  }
  const bool bold = logFont.lfWeight >= 600;
  FontMatch match;
  if (!MatchFontFile(name, logFont.lfWeight, logFont.lfItalic != 0, &match))
    return nullptr;
  int style = TTF_STYLE_NORMAL;
  if (bold && !match.bold)
    style |= TTF_STYLE_BOLD;
  if (logFont.lfItalic && !match.italic)
    style |= TTF_STYLE_ITALIC;
  if (logFont.lfUnderline)
    style |= TTF_STYLE_UNDERLINE;
  if (logFont.lfStrikeOut)
    style |= TTF_STYLE_STRIKETHROUGH;
  const int height = std::clamp(logFont.lfHeight, -kMaxFontPixels, kMaxFontPixels);
  const int width = std::clamp(logFont.lfWidth, 0, kMaxFontPixels);
  OpenedKey key{match.file, match.index, height, width, style};
  auto found = Opened().find(key);
  if (found != Opened().end())
    return found->second.get();

  if (!TTF_WasInit() && TTF_Init() != 0)
    return nullptr;
  TTF_Font *font = TTF_OpenFontIndexDPI(match.file.c_str(), 12, match.index, 72, 72);
  if (!font)
    return nullptr;
  TTF_SetFontStyle(font, style);
  int points = height < 0 ? -height : PointsForCell(font, height ? height : kDefaultCellHeight);
  int hdpi = width > 0 ? HorizontalDpiForWidth(font, points, width) : 72;
  SetSize(font, points, hdpi);
  auto face = std::make_unique<FontFace>();
  face->font = font;
  face->cellHeight = TTF_FontHeight(font);
  face->ascent = TTF_FontAscent(font);
  return (Opened()[key] = std::move(face)).get();
}

int FontCellHeight(const FontFace *face) { return face ? face->cellHeight : 0; }

bool MeasureText(FontFace *face, std::u16string_view text, int *width, int *height) {
  if (!face)
    return false;
  // The cell is the sum of the advances, as the platform measures text; ink may overhang it.
  int w = 0;
  char32_t previous = 0;
  for (char32_t c : ShownCodePoints(face, text)) {
    int advance = 0;
    if (TTF_GlyphMetrics32(face->font, c, nullptr, nullptr, nullptr, nullptr, &advance) != 0)
      continue;
    if (previous)
      w += TTF_GetFontKerningSizeGlyphs32(face->font, previous, c);
    w += advance;
    previous = c;
  }
  if (width)
    *width = w;
  if (height)
    *height = face->cellHeight;
  return true;
}

const TextMask *RenderText(FontFace *face, std::u16string_view text) {
  if (!face)
    return nullptr;
  std::u32string shown = ShownCodePoints(face, text);
  std::string utf8 = CodePointsToUtf8(shown);
  std::list<CachedText> &texts = Texts();
  for (auto it = texts.begin(); it != texts.end(); ++it)
    if (it->face == face && it->text == utf8) {
      texts.splice(texts.begin(), texts, it);
      return &texts.front().mask;
    }
  TextMask mask;
  if (!utf8.empty()) {
    SDL_Surface *rendered = TTF_RenderUTF8_Blended(face->font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    if (!rendered)
      return nullptr;
    SDL_Surface *argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (!argb)
      return nullptr;
    mask.width = argb->w;
    mask.height = argb->h;
    mask.alpha.resize(std::size_t(mask.width) * std::size_t(mask.height));
    for (int y = 0; y < argb->h; ++y) {
      const auto *row =
          reinterpret_cast<const Uint32 *>(static_cast<const Uint8 *>(argb->pixels) + y * argb->pitch);
      for (int x = 0; x < argb->w; ++x)
        mask.alpha[std::size_t(y) * std::size_t(mask.width) + std::size_t(x)] = Uint8(row[x] >> 24);
    }
    SDL_FreeSurface(argb);
    // The rendering grows up and left when a glyph reaches above the ascent or before the
    // pen's start; the cell's corner moves into the picture by as much.
    int top = face->ascent, left = 0;
    bool first = true;
    for (char32_t c : shown) {
      int minx = 0, maxy = 0;
      if (TTF_GlyphMetrics32(face->font, c, &minx, nullptr, nullptr, &maxy, nullptr) != 0)
        continue;
      top = std::max(top, maxy);
      if (first)
        left = std::min(left, minx);
      first = false;
    }
    mask.originX = -left;
    mask.originY = top - face->ascent;
  }
  texts.push_front(CachedText{face, std::move(utf8), std::move(mask)});
  if (texts.size() > kCachedTexts)
    texts.pop_back();
  return &texts.front().mask;
}
