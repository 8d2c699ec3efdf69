#pragma once
// Fonts by face name for the drawing code: fontconfig finds the file, SDL_ttf opens and renders
// it at 72 dpi. Opened faces and recently drawn texts are cached. User-interface thread only;
// internal to platform/.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi.h"

struct FontMatch {
  std::string file;
  int index = 0;
  std::string family;
  bool bold = false;   // the file itself is bold
  bool italic = false; // the file itself is slanted
};

// The font file for a face name. Faces with a metric-compatible free counterpart ("Times New
// Roman", "Courier New", "Arial", "Tahoma", "MS Shell Dlg") resolve to it; an unknown face gets
// a generic one. False only when fontconfig knows no font at all.
bool MatchFontFile(const std::u16string &face, int weight, bool italic, FontMatch *out);

struct FontFace;

// The face a logical font draws with: lfHeight > 0 is the cell height, < 0 the em height, 0 a
// default; lfWidth > 0 the average character width. Null when no font could be opened.
FontFace *OpenFontFace(const LOGFONTW &font);
int FontCellHeight(const FontFace *face);

// The coverage (0 to 255) of a drawn text, and where the text's cell (its top-left corner)
// lies inside it. Characters the face lacks come from fontconfig's fallback fonts (emoji in
// their own colours). Valid until the next call.
struct TextMask {
  int width = 0;
  int height = 0;
  int originX = 0;
  int originY = 0;
  std::vector<std::uint8_t> alpha;
  // Empty, or per pixel 0 (the text colour) or 0xFF000000 | RGB (a colour glyph's own colour).
  std::vector<std::uint32_t> colour;
};
const TextMask *RenderText(FontFace *face, std::u16string_view text);
// The size of the text's cell: its advance and the font's cell height.
bool MeasureText(FontFace *face, std::u16string_view text, int *width, int *height);
