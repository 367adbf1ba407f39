#include "platform/dc.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kLineHeight = 16;

struct Glyph {
  int left = 0;  // from the pen position to the bitmap's left edge
  int top = 0;   // from the baseline up to the bitmap's top row
  int width = 0;
  int rows = 0;
  int advance = 0;                     // whole pixels
  std::vector<std::uint8_t> coverage;  // rows * width, 0..255
};

// "DejaVu Sans" at the largest pixel size whose ascent and descent fit the
// line height. Loaded once; glyphs are rendered once and kept.
class Font {
 public:
  static Font& instance() {
    static Font font;
    return font;
  }

  bool loaded() const { return face_ != nullptr; }
  int ascent() const { return ascent_; }

  const Glyph& glyph(char32_t code) {
    auto it = cache_.find(code);
    if (it != cache_.end()) return it->second;
    Glyph& g = cache_[code];
    if (FT_Load_Char(face_, code, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) return g;
    const FT_GlyphSlot slot = face_->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY) return g;
    g.width = static_cast<int>(bm.width);
    g.rows = static_cast<int>(bm.rows);
    g.coverage.resize(static_cast<std::size_t>(g.width) * g.rows);
    for (int r = 0; r < g.rows; ++r) {
      const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(r) * bm.pitch;
      std::memcpy(g.coverage.data() + static_cast<std::size_t>(r) * g.width, src, g.width);
    }
    return g;
  }

 private:
  Font() {
    const std::string file = fontFile();
    if (file.empty() || FT_Init_FreeType(&library_) != 0) return;
    if (FT_New_Face(library_, file.c_str(), 0, &face_) != 0) {
      face_ = nullptr;
      return;
    }
    for (int size = kLineHeight; size > 1; --size) {
      if (FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(size)) != 0) continue;
      const auto& m = face_->size->metrics;
      ascent_ = static_cast<int>((m.ascender + 63) >> 6);
      const int descent = static_cast<int>((-m.descender + 63) >> 6);
      if (ascent_ + descent <= kLineHeight) break;
    }
  }
  ~Font() {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }

  // A private configuration, released here, so the toolkit's own use of
  // fontconfig is left alone.
  static std::string fontFile() {
    std::string file;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return file;
    if (FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("DejaVu Sans"))) {
      FcConfigSubstitute(config, pattern, FcMatchPattern);
      FcDefaultSubstitute(pattern);
      FcResult result;
      if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
          file = reinterpret_cast<const char*>(path);
        FcPatternDestroy(match);
      }
      FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return file;
  }

  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  int ascent_ = kLineHeight;
  std::unordered_map<char32_t, Glyph> cache_;
};

// UTF-8 where it is valid; any other byte stands for itself (Latin-1), so no
// text is ever refused.
std::vector<char32_t> codePoints(const std::string& text) {
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};  // no overlong forms
  std::vector<char32_t> out;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    const int extra = c >= 0xC2 && c < 0xE0 ? 1 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xF0 && c < 0xF5 ? 3 : 0;
    bool valid = extra > 0 && n - i > static_cast<std::size_t>(extra);
    char32_t cp = c & (0x7Fu >> (extra + 1));
    for (int k = 1; valid && k <= extra; ++k) {
      valid = (s[i + k] & 0xC0) == 0x80;
      cp = cp << 6 | (s[i + k] & 0x3Fu);
    }
    if (valid && cp >= kSmallest[extra] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp < 0xE000)) {
      out.push_back(cp);
      i += static_cast<std::size_t>(extra) + 1;
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return out;
}

std::uint8_t blend(unsigned under, unsigned over, unsigned alpha) {
  return static_cast<std::uint8_t>((under * (255 - alpha) + over * alpha + 127) / 255);
}

}  // namespace

void TDC::setPixel(int x, int y, TColor c) {
  if (!fb_.contains(x, y)) return;
  std::uint8_t* p = fb_.at(x, y);
  p[0] = static_cast<std::uint8_t>(redOf(c));
  p[1] = static_cast<std::uint8_t>(greenOf(c));
  p[2] = static_cast<std::uint8_t>(blueOf(c));
}

void TDC::setPixelRun(int x, int y, const std::uint8_t* rgb, int count) {
  if (y < 0 || y >= fb_.height || count <= 0) return;
  const std::int64_t first = std::max<std::int64_t>(x, 0);
  const std::int64_t end = std::min<std::int64_t>(std::int64_t{x} + count, fb_.width);
  if (first >= end) return;
  std::memcpy(fb_.at(static_cast<int>(first), y), rgb + (first - x) * 3,
              static_cast<std::size_t>(end - first) * 3);
}

std::uint8_t* TDC::pixelRun(int x, int y, int count) {
  if (count <= 0 || !fb_.contains(x, y) || std::int64_t{x} + count > fb_.width) return nullptr;
  return fb_.at(x, y);
}

// Bresenham along the major axis: step i of n lies at minor offset
// round(i * minor / n), halves rounded away from the start. Written in closed
// form, so only the steps inside the framebuffer are visited, however far off
// the end points lie.
void TDC::lineTo(int x, int y) {
  const TPoint from = cur_;
  cur_ = {x, y};
  const std::int64_t dx = std::int64_t{x} - from.x, dy = std::int64_t{y} - from.y;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const std::int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
  const std::int64_t n = std::llabs(major), m = std::llabs(minor);
  if (n == 0) return;
  const std::int64_t majorStep = major > 0 ? 1 : -1, minorStep = minor >= 0 ? 1 : -1;
  const std::int64_t majorStart = xMajor ? from.x : from.y;
  const std::int64_t minorStart = xMajor ? from.y : from.x;
  const std::int64_t limit = xMajor ? fb_.width : fb_.height;
  // steps whose major coordinate lies in [0, limit)
  std::int64_t lo = 0, hi = n;
  if (majorStep > 0) {
    lo = std::max<std::int64_t>(lo, -majorStart);
    hi = std::min<std::int64_t>(hi, limit - majorStart);
  } else {
    lo = std::max<std::int64_t>(lo, majorStart - (limit - 1));
    hi = std::min<std::int64_t>(hi, majorStart + 1);
  }
  __extension__ using Wide = __int128;  // i * m reaches 2^64
  for (std::int64_t i = lo; i < hi; ++i) {
    const auto offset = static_cast<std::int64_t>((Wide{2} * i * m + n) / (Wide{2} * n));
    const std::int64_t a = majorStart + i * majorStep, b = minorStart + offset * minorStep;
    const std::int64_t px = xMajor ? a : b, py = xMajor ? b : a;
    if (py >= 0 && py < fb_.height && px >= 0 && px < fb_.width)
      setPixel(static_cast<int>(px), static_cast<int>(py), pen_);
  }
}

TSize TDC::getTextExtent(const std::string& text) const {
  Font& font = Font::instance();
  int width = 0;
  for (char32_t c : codePoints(text)) width += font.loaded() ? font.glyph(c).advance : 8;
  return {width, kLineHeight};
}

void TDC::textOut(int x, int y, const std::string& text) {
  const int width = getTextExtent(text).cx;
  // The cell, clipped to the framebuffer; glyphs never reach past it.
  const int left = std::max(x, 0), top = std::max(y, 0);
  const int right = static_cast<int>(std::min<std::int64_t>(std::int64_t{x} + width, fb_.width));
  const int bottom = static_cast<int>(std::min<std::int64_t>(std::int64_t{y} + kLineHeight, fb_.height));
  for (int row = top; row < bottom; ++row)
    for (int col = left; col < right; ++col) setPixel(col, row, bk_);
  Font& font = Font::instance();
  if (!font.loaded()) return;
  const unsigned fg[3] = {redOf(text_), greenOf(text_), blueOf(text_)};
  std::int64_t pen = x;
  const std::int64_t baseline = std::int64_t{y} + font.ascent();
  for (char32_t c : codePoints(text)) {
    const Glyph& g = font.glyph(c);
    for (int r = 0; r < g.rows; ++r) {
      const std::int64_t py = baseline - g.top + r;
      if (py < top || py >= bottom) continue;
      for (int col = 0; col < g.width; ++col) {
        const std::int64_t px = pen + g.left + col;
        const unsigned alpha = g.coverage[static_cast<std::size_t>(r) * g.width + col];
        if (px < left || px >= right || alpha == 0) continue;
        std::uint8_t* p = fb_.at(static_cast<int>(px), static_cast<int>(py));
        for (int k = 0; k < 3; ++k) p[k] = blend(p[k], fg[k], alpha);
      }
    }
    pen += g.advance;
  }
}
