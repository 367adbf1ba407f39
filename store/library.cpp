#include "store/library.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "image/heif.h"
#include "image/picture.h"
#include "image/save.h"
#include "platform/casefold.h"
#include "platform/files.h"
#include "platform/parallel.h"
#include "platform/source.h"

tlibraryentry::~tlibraryentry() {
  std::unique_ptr<tlibraryentry> rest = std::move(next);
  while (rest) rest = std::move(rest->next);
}

namespace {

// Keeps every s-th row and column from the top-left pixel; the kept rows end
// at the bottom of the square. Stops quietly at the first thing that is wrong.
void reduceFile(std::uint8_t* store, const std::string& path) {
  auto file = PictureFile::openPreview(path, kThumbnailSide);
  if (!file) return;
  auto reader = file->reader();
  if (!reader) return;
  PictureReader& r = *reader.value();
  const std::int32_t width = r.header().width, height = r.header().height;

  const std::int32_t step = std::max(width / 64 + 1, height / 64 + 1);
  const std::int32_t keptRows = (height + step - 1) / step;
  std::vector<tpixel> pixels(static_cast<std::size_t>(width));
  for (std::int32_t y = 0; y < height; y += step) {
    if (!r.readRows(pixels.data(), 0, 1) || !r.skipRows(std::min(step - 1, height - 1 - y))) return;
    const std::size_t q = static_cast<std::size_t>(kThumbnailSide - keptRows + y / step);
    for (std::int32_t x = 0; x < width; x += step) {
      const std::size_t i = static_cast<std::size_t>(x / step) * kThumbnailSide + q;
      const tpixel p = pixels[static_cast<std::size_t>(x)];
      store[i] = p.red;
      store[kThumbnailPlane + i] = p.green;
      store[2 * kThumbnailPlane + i] = p.blue;
    }
  }
}

}  // namespace

std::vector<tlibrarypair> libraryPairs(const std::vector<std::string>& fileNames, const std::string& dir) {
  std::unordered_map<std::string, std::string> present;  // lower case to as found
  for (const std::string& name : fileNames) present.emplace(lowerAscii(name), name);
  std::vector<tlibrarypair> pairs;
  for (const std::string& name : fileNames) {
    const std::string ext = lowerExtension(name);
    const bool heif = ext == ".heic" || ext == ".heif";
    if (ext == ".mpo" || ext == ".jps" || (heif && isStereoHeifFile(libraryPrefix(dir) + name))) {
      pairs.push_back({name.substr(0, name.size() - ext.size()), name, name});
      continue;
    }
    if (heif || (ext != ".bmp" && ext != ".jpg" && ext != ".jpeg" && ext != ".png")) continue;
    if (name.size() <= ext.size()) continue;
    const std::size_t letter = name.size() - ext.size() - 1;
    if (name[letter] != 'L' && name[letter] != 'l') continue;
    std::string partner = lowerAscii(name);
    partner[letter] = 'r';
    const auto found = present.find(partner);
    if (found == present.end()) continue;
    const std::string base = name.substr(0, letter);
    if (ext == ".bmp")
      pairs.push_back({base, base + "L.BMP", base + "R.BMP"});
    else
      pairs.push_back({base, name, found->second});
  }
  return pairs;
}

std::vector<tlibrarypair> libraryPairsIn(const std::string& dir) {
  return libraryPairs(findFiles(dir, "*"), dir);
}

std::unique_ptr<tlibraryentry> makeLibraryList(const std::vector<tlibrarypair>& pairs) {
  std::unique_ptr<tlibraryentry> head;
  tlibraryentry* last = nullptr;
  for (const tlibrarypair& pair : pairs) {
    auto entry = std::make_unique<tlibraryentry>();
    entry->baseName = pair.baseName;
    entry->leftFile = pair.leftFile;
    entry->rightFile = pair.rightFile;
    entry->previous = last;
    std::unique_ptr<tlibraryentry>& slot = last ? last->next : head;
    slot = std::move(entry);
    last = slot.get();
  }
  return head;
}

Result<StereoViews> readLibraryPair(const std::string& left, const std::string& right, bool together) {
  if (left == right) {
    auto views = loadPictureViews(left);
    if (views && !views->right) return Error{"Cannot read " + left + ": not a stereo file"};
    return views;
  }
  if (!together) {
    auto l = loadPicture(left);
    if (!l) return l.error();
    auto r = loadPicture(right);
    if (!r) return r.error();
    return StereoViews{std::move(l.value()), std::move(r.value())};
  }
  auto [r, l] = bothAtOnce([&right] { return loadPicture(right); }, [&left] { return loadPicture(left); });
  if (!l) return l.error();
  if (!r) return r.error();
  return StereoViews{std::move(l.value()), std::move(r.value())};
}

const tlibraryentry* stepForward(const tlibraryentry* e, std::int64_t n) {
  for (; n > 0 && e->next; --n) e = e->next.get();
  return e;
}

const tlibraryentry* stepBack(const tlibraryentry* e, std::int64_t n) {
  for (; n > 0 && e->previous; --n) e = e->previous;
  return e;
}

std::string libraryPrefix(const std::string& dir) {
  return !dir.empty() && dir.back() == '/' ? dir : dir + '/';
}

void buildThumbnail(tlibraryentry& entry, const std::string& path) {
  entry.thumbnail.reset(new (std::nothrow) std::uint8_t[kThumbnailBytes]);
  if (!entry.thumbnail) return;
  std::fill_n(entry.thumbnail.get(), kThumbnailBytes, std::uint8_t{255});
  reduceFile(entry.thumbnail.get(), path);
  entry.thumbnailReady = true;
}

