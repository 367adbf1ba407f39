#include "stereo/web.h"

#include <openssl/evp.h>

#include <algorithm>
#include <span>
#include <vector>

#include "image/jpeg.h"
#include "platform/files.h"
#include "platform/parallel.h"
#include "stereo/layout.h"
#include "stereo/methods.h"

// stereo/web/page.js and page.css, compiled in by stereo/web/embed.cmake.
extern const char kWebScript[];
extern const char kWebStyle[];

namespace {

void appendBase64(std::string& out, std::span<const std::uint8_t> bytes) {
  // EVP_EncodeBlock counts in int: a view of any size goes a piece at a time.
  constexpr std::size_t kPiece = 3 << 20;
  for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
    const int n = static_cast<int>(std::min(kPiece, bytes.size() - at));
    const std::size_t start = out.size();
    out.resize(start + 4 * static_cast<std::size_t>((n + 2) / 3) + 1);
    const int written =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data() + start), bytes.data() + at, n);
    out.resize(start + static_cast<std::size_t>(written));
  }
}

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

Status saveWebPage(const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                   std::int32_t width, const std::string& path, int quality, const std::string& caption) {
  auto views = reducedViews(left, right, dx, dy, width);
  if (!views) return views.error();
  auto [l, r] = bothAtOnce([&] { return encodeJpeg(*views->left, quality); },
                           [&] { return encodeJpeg(*views->right, quality); });
  if (!l) return l.error();
  if (!r) return r.error();
  std::string weights;
  for (const auto& row : anaglyphMatrix(AnaglyphMethod::DuboisRedCyan))
    for (std::int32_t k : row) weights += (weights.empty() ? "" : ",") + std::to_string(k);
  const std::string title = caption.empty() ? "Stereo pair" : escaped(caption);

  std::string page;
  page.reserve(l->size() * 4 / 3 + r->size() * 4 / 3 + 65536);
  page +=
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      // Everything the page shows is in it, and nothing it does may ask for more.
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src data:; "
      "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n"
      "<link rel=\"icon\" href=\"data:,\">\n<title>";
  page += title + "</title>\n<style>\n" + kWebStyle + "</style>\n</head>\n<body>\n";
  page += "<canvas id=\"view\" data-anaglyph=\"" + weights + "\"></canvas>\n<div id=\"controls\">\n<nav>";
  page +=
      "<a href=\"#anaglyph\">Anaglyph</a> <a href=\"#parallel\">Parallel</a> <a "
      "href=\"#crossed\">Crossed</a> "
      "<a href=\"#wiggle\">Wiggle</a> <button id=\"vr\" type=\"button\" hidden>Enter VR</button> "
      "<span id=\"status\"></span></nav>\n";
  if (!caption.empty()) page += "<p id=\"caption\">" + escaped(caption) + "</p>\n";
  page += "</div>\n<img id=\"left\" alt=\"\" hidden src=\"data:image/jpeg;base64,";
  appendBase64(page, *l);
  page += "\">\n<img id=\"right\" alt=\"\" hidden src=\"data:image/jpeg;base64,";
  appendBase64(page, *r);
  page += "\">\n<script>\n";
  page += kWebScript;
  page += "</script>\n</body>\n</html>\n";
  return writeFileAtomically(path, std::vector<std::uint8_t>(page.begin(), page.end()));
}
