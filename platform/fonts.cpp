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
#include <optional>
#include <tuple>

struct FontFace {
  TTF_Font *font = nullptr;
  int cellHeight = 0;
  int ascent = 0;
  // A face of fixed sizes (colour emoji) drawn larger than asked is scaled down by this.
  double scale = 1.0;
  // For each character this face lacks, the fallback face that draws it (null: none does).
  std::map<char32_t, FontFace *> fallbacks;
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

// The font file fontconfig offers for a character, or nothing when no installed font has it.
const FontMatch *FallbackFile(char32_t c) {
  static auto *files = new std::map<char32_t, std::optional<FontMatch>>;
  auto found = files->find(c);
  if (found != files->end())
    return found->second ? &*found->second : nullptr;
  std::optional<FontMatch> match;
  if (StartFontconfig()) {
    FcPattern *pattern = FcPatternCreate();
    FcCharSet *wanted = FcCharSetCreate();
    FcCharSetAddChar(wanted, c);
    FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
    // Pictographs are drawn as emoji where a font made for them is installed, not as the
    // outlines that some text faces also carry.
    if (c >= 0x1F000 && c <= 0x1FAFF)
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>("emoji"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet *fonts = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    for (int i = 0; fonts && i < fonts->nfont && !match; ++i) {
      FcCharSet *has = nullptr;
      FcChar8 *file = nullptr;
      if (FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &has) != FcResultMatch ||
          !FcCharSetHasChar(has, c) ||
          FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch)
        continue;
      match.emplace();
      match->file = reinterpret_cast<const char *>(file);
      FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &match->index);
    }
    if (fonts)
      FcFontSetDestroy(fonts);
    FcCharSetDestroy(wanted);
    FcPatternDestroy(pattern);
  }
  std::optional<FontMatch> &kept = (*files)[c] = std::move(match);
  return kept ? &*kept : nullptr;
}

FontFace *OpenFile(const FontMatch &match, int height, int width, int style);

// The face that draws c in place of one that lacks it, sized to that face's cell.
FontFace *FallbackFace(FontFace *face, char32_t c) {
  auto known = face->fallbacks.find(c);
  if (known != face->fallbacks.end())
    return known->second;
  const FontMatch *file = FallbackFile(c);
  FontFace *fallback = file ? OpenFile(*file, face->cellHeight, 0, TTF_STYLE_NORMAL) : nullptr;
  if (fallback && !TTF_GlyphIsProvided32(fallback->font, c))
    fallback = nullptr;
  return face->fallbacks[c] = fallback;
}

// Runs of text that one face draws: characters the face lacks are drawn by a fallback face
// that has them, and only where no font has one by a replacement character (or '?').
struct Run {
  FontFace *face;
  std::u32string text;
};

std::vector<Run> ShownRuns(FontFace *face, std::u16string_view text) {
  std::u32string points = Utf16ToCodePoints(text);
  std::erase(points, U'\0');
  std::vector<Run> runs;
  for (char32_t c : points) {
    FontFace *by = face;
    if (c >= 0x80 && !TTF_GlyphIsProvided32(face->font, c)) {
      by = FallbackFace(face, c);
      if (!by) {
        // Unpaired surrogates come here too: Utf16ToCodePoints turned them into U+FFFD.
        c = 0xFFFD;
        by = TTF_GlyphIsProvided32(face->font, c) ? face : FallbackFace(face, c);
      }
      if (!by)
        by = face, c = U'?';
    }
    if (runs.empty() || runs.back().face != by)
      runs.push_back(Run{by, {}});
    runs.back().text.push_back(c);
  }
  return runs;
}

int Scaled(const FontFace *face, int pixels) { return int(std::lround(pixels * face->scale)); }

// The advance of a run in its face's pixels.
int RunAdvance(const Run &run) {
  int w = 0;
  char32_t previous = 0;
  for (char32_t c : run.text) {
    int advance = 0;
    if (TTF_GlyphMetrics32(run.face->font, c, nullptr, nullptr, nullptr, nullptr, &advance) != 0)
      continue;
    if (previous)
      w += TTF_GetFontKerningSizeGlyphs32(run.face->font, previous, c);
    w += advance;
    previous = c;
  }
  return w;
}

// One run drawn in white (colour glyphs keep their colours), scaled to its face's size.
struct RunPicture {
  int width = 0, height = 0;
  int baseline = 0; // rows above the baseline
  int left = 0;     // columns left of the pen's start
  bool coloured = false;
  std::vector<std::uint32_t> argb;
};

bool DrawRun(const Run &run, RunPicture *out) {
  std::string utf8 = CodePointsToUtf8(run.text);
  SDL_Surface *rendered = TTF_RenderUTF8_Blended(run.face->font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
  if (!rendered)
    return false;
  SDL_Surface *argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(rendered);
  if (!argb)
    return false;
  // The rendering grows up and left when a glyph reaches above the ascent or before the
  // pen's start.
  int top = run.face->ascent, left = 0;
  bool first = true;
  for (char32_t c : run.text) {
    int minx = 0, maxy = 0;
    if (TTF_GlyphMetrics32(run.face->font, c, &minx, nullptr, nullptr, &maxy, nullptr) != 0)
      continue;
    top = std::max(top, maxy);
    if (first)
      left = std::min(left, minx);
    first = false;
  }
  const double k = run.face->scale;
  out->width = std::max(1, int(std::lround(argb->w * k)));
  out->height = std::max(1, int(std::lround(argb->h * k)));
  out->baseline = Scaled(run.face, top);
  out->left = Scaled(run.face, -left);
  out->argb.assign(std::size_t(out->width) * std::size_t(out->height), 0);
  // Each picture pixel is the mean of the rendered pixels it covers, weighted by their cover.
  for (int y = 0; y < out->height; ++y) {
    const int y0 = int(y / k), y1 = std::max(y0 + 1, std::min(argb->h, int((y + 1) / k)));
    for (int x = 0; x < out->width; ++x) {
      const int x0 = int(x / k), x1 = std::max(x0 + 1, std::min(argb->w, int((x + 1) / k)));
      double a = 0, r = 0, g = 0, b = 0;
      int n = 0;
      for (int sy = y0; sy < y1 && sy < argb->h; ++sy)
        for (int sx = x0; sx < x1 && sx < argb->w; ++sx, ++n) {
          const Uint32 p = reinterpret_cast<const Uint32 *>(static_cast<const Uint8 *>(argb->pixels) +
                                                            sy * argb->pitch)[sx];
          const double pa = p >> 24;
          a += pa, r += pa * ((p >> 16) & 255), g += pa * ((p >> 8) & 255), b += pa * (p & 255);
        }
      if (n == 0 || a == 0)
        continue;
      const auto channel = [a](double v) { return Uint32(std::lround(v / a)); };
      const Uint32 rgb = (channel(r) << 16) | (channel(g) << 8) | channel(b);
      out->coloured = out->coloured || rgb != 0xFFFFFF;
      out->argb[std::size_t(y) * std::size_t(out->width) + std::size_t(x)] =
          (Uint32(std::lround(a / n)) << 24) | rgb;
    }
  }
  SDL_FreeSurface(argb);
  return true;
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
  return OpenFile(match, std::clamp(logFont.lfHeight, -kMaxFontPixels, kMaxFontPixels),
                  std::clamp(logFont.lfWidth, 0, kMaxFontPixels), style);
}

namespace {

FontFace *OpenFile(const FontMatch &match, int height, int width, int style) {
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
  const int cell = height < 0 ? -height : height ? height : kDefaultCellHeight;
  int points = height < 0 ? -height : PointsForCell(font, cell);
  int hdpi = width > 0 ? HorizontalDpiForWidth(font, points, width) : 72;
  SetSize(font, points, hdpi);
  auto face = std::make_unique<FontFace>();
  face->font = font;
  face->cellHeight = TTF_FontHeight(font);
  face->ascent = TTF_FontAscent(font);
  // A face with only fixed sizes keeps its size whatever is asked: it is scaled down instead.
  if (height > 0 && face->cellHeight > cell + cell / 2) {
    face->scale = double(cell) / face->cellHeight;
    face->cellHeight = cell;
    face->ascent = int(std::lround(face->ascent * face->scale));
  }
  return (Opened()[key] = std::move(face)).get();
}

} // namespace

int FontCellHeight(const FontFace *face) { return face ? face->cellHeight : 0; }

bool MeasureText(FontFace *face, std::u16string_view text, int *width, int *height) {
  if (!face)
    return false;
  // The cell is the sum of the advances, as the platform measures text; ink may overhang it.
  int w = 0;
  for (const Run &run : ShownRuns(face, text))
    w += Scaled(run.face, RunAdvance(run));
  if (width)
    *width = w;
  if (height)
    *height = face->cellHeight;
  return true;
}

const TextMask *RenderText(FontFace *face, std::u16string_view text) {
  if (!face)
    return nullptr;
  std::vector<Run> runs = ShownRuns(face, text);
  std::u32string shown;
  for (const Run &run : runs)
    shown += run.text;
  std::string utf8 = CodePointsToUtf8(shown);
  std::list<CachedText> &texts = Texts();
  for (auto it = texts.begin(); it != texts.end(); ++it)
    if (it->face == face && it->text == utf8) {
      texts.splice(texts.begin(), texts, it);
      return &texts.front().mask;
    }
  TextMask mask;
  if (!runs.empty()) {
    // Each run's picture goes at its pen position, all on the primary face's baseline.
    std::vector<RunPicture> pictures(runs.size());
    int baseline = face->ascent, below = 0, left = 0, pen = 0, right = 0;
    std::vector<int> at(runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
      if (!DrawRun(runs[i], &pictures[i]))
        return nullptr;
      const RunPicture &p = pictures[i];
      at[i] = pen - p.left;
      left = std::min(left, at[i]);
      right = std::max(right, at[i] + p.width);
      baseline = std::max(baseline, p.baseline);
      below = std::max(below, p.height - p.baseline);
      pen += Scaled(runs[i].face, RunAdvance(runs[i]));
    }
    mask.width = right - left;
    mask.height = baseline + below;
    mask.originX = -left;
    mask.originY = baseline - face->ascent;
    mask.alpha.assign(std::size_t(mask.width) * std::size_t(mask.height), 0);
    for (std::size_t i = 0; i < runs.size(); ++i) {
      const RunPicture &p = pictures[i];
      if (p.coloured && mask.colour.empty())
        mask.colour.assign(mask.alpha.size(), 0);
      const int x0 = at[i] - left, y0 = baseline - p.baseline;
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
          const std::uint32_t pixel = p.argb[std::size_t(y) * std::size_t(p.width) + std::size_t(x)];
          const auto a = std::uint8_t(pixel >> 24);
          const std::size_t to = std::size_t(y0 + y) * std::size_t(mask.width) + std::size_t(x0 + x);
          if (a <= mask.alpha[to])
            continue;
          mask.alpha[to] = a;
          if (p.coloured)
            mask.colour[to] = 0xFF000000u | (pixel & 0xFFFFFF);
        }
    }
  }
  texts.push_front(CachedText{face, std::move(utf8), std::move(mask)});
  if (texts.size() > kCachedTexts)
    texts.pop_back();
  return &texts.front().mask;
}
