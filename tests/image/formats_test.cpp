// Stereo files built here from two JPEGs, and hostile files cut or inflated
// from good ones. Pixel agreement with other decoders is checked in
// tests/cli/formats.sh.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include <optional>
#include <string>

#include "image/jpeg.h"
#include "image/jps.h"
#include "image/mpo.h"
#include "image/picture.h"
#include "image/png.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

tbitmap filled(int w, int h, tpixel p) {
  tbitmap b(w, h);
  b.fillRect(0, 0, w, h, p);
  return b;
}
const tpixel kRed(250, 0, 0), kBlue(0, 0, 250), kGreen(0, 250, 0);

Result<StereoViews> decodePictureFile(std::span<const std::uint8_t> bytes, const std::string& name) {
  return readPictureViews(SpanSource(bytes, name));
}

Bytes jpeg(const tbitmap& b, std::span<const JpegExtraSegment> extra = {}) {
  return *encodeJpeg(b, 95, extra);
}

struct MpfEntry {
  std::uint32_t attribute;
  std::int64_t offset = -1;  // -1: where the image really starts
  std::int64_t size = -1;    // -1: its real size
  int shift = 0;             // added to the real offset
};

// An MPO as the entries say: a red 16 x 8 first image, then a blue 8 x 16
// picture for each later stereo view and a green 4 x 4 one for anything else.
struct MpoMaker {
  bool bigEndian = false;
  std::vector<MpfEntry> entries = {{0x20020002}, {0x020002}};
  std::size_t padding = 0;  // bytes between the images
  std::optional<std::uint32_t> count;
  std::optional<std::uint32_t> listOffset;

  void put(Bytes& b, std::size_t at, std::uint32_t v, int n) const {
    for (int i = 0; i < n; ++i)
      b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * (bigEndian ? n - 1 - i : i)));
  }
  Bytes segment(const std::vector<std::uint32_t>& starts, const std::vector<std::uint32_t>& sizes,
                std::uint32_t base) const {
    const std::size_t list = 8 + 2 + 2 * 12 + 4;
    Bytes b(4 + list + 16 * entries.size(), 0);
    b[0] = 'M', b[1] = 'P', b[2] = 'F';
    b[4] = b[5] = bigEndian ? 'M' : 'I';
    put(b, 6, 42, 2);
    put(b, 8, 8, 4);
    put(b, 12, 2, 2);
    const std::uint32_t n = count.value_or(static_cast<std::uint32_t>(entries.size()));
    put(b, 14, 0xB001, 2), put(b, 16, 4, 2), put(b, 18, 1, 4), put(b, 22, n, 4);
    put(b, 26, 0xB002, 2), put(b, 28, 7, 2), put(b, 30, 16 * n, 4);
    put(b, 34, listOffset.value_or(static_cast<std::uint32_t>(list)), 4);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const std::size_t at = 4 + list + 16 * i;
      const MpfEntry& e = entries[i];
      put(b, at, e.attribute, 4);
      put(b, at + 4, e.size >= 0 ? static_cast<std::uint32_t>(e.size) : sizes[i], 4);
      const std::uint32_t real = i == 0 ? 0 : starts[i] - base + static_cast<std::uint32_t>(e.shift);
      put(b, at + 8, e.offset >= 0 ? static_cast<std::uint32_t>(e.offset) : real, 4);
    }
    return b;
  }
  Bytes bytes() const {
    const Bytes view = jpeg(filled(8, 16, kBlue)), other = jpeg(filled(4, 4, kGreen));
    auto image = [&](std::size_t i) -> const Bytes& {
      return (entries[i].attribute & 0xFFFFFF) == 0x020002 ? view : other;
    };
    std::vector<std::uint32_t> starts(entries.size()), sizes(entries.size());
    // The first image's size does not depend on the values in its index.
    JpegExtraSegment mpf[] = {{0xE2, segment(starts, sizes, 0)}};
    const Bytes probe = jpeg(filled(16, 8, kRed), mpf);
    const std::uint32_t base =
        static_cast<std::uint32_t>(findSegment(*readJpegSegments(SpanSource(probe)), 0xE2, {})->offset + 4);
    std::uint32_t at = static_cast<std::uint32_t>(probe.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
      sizes[i] = i == 0 ? at : static_cast<std::uint32_t>(image(i).size());
      if (i > 0) starts[i] = at + static_cast<std::uint32_t>(padding), at = starts[i] + sizes[i];
    }
    mpf[0].payload = segment(starts, sizes, base);
    Bytes file = jpeg(filled(16, 8, kRed), mpf);
    for (std::size_t i = 1; i < entries.size(); ++i) {
      file.insert(file.end(), padding, 0);
      file.insert(file.end(), image(i).begin(), image(i).end());
    }
    return file;
  }
};

bool near(tpixel a, tpixel b) {
  return std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue) < 12;
}

struct MpoCase {
  const char* what;
  MpoMaker maker;
  const char* error;  // nullptr: read; then stereo or one picture
  bool stereo = true;
};

class MpoFiles : public testing::TestWithParam<MpoCase> {};

TEST_P(MpoFiles, AreReadWithTheRightViewsOrRefused) {
  const MpoCase& c = GetParam();
  auto views = decodePictureFile(c.maker.bytes(), "x.mpo");
  if (c.error) {
    ASSERT_FALSE(views.ok());
    EXPECT_NE(views.error().message.find(c.error), std::string::npos) << views.error().message;
    return;
  }
  ASSERT_TRUE(views.ok()) << views.error().message;
  ASSERT_EQ(views->left->width, 16);
  EXPECT_TRUE(near(views->left->pixel(3, 3), kRed));
  if (!c.stereo) {
    EXPECT_EQ(views->right, nullptr);
    return;
  }
  ASSERT_NE(views->right, nullptr);
  EXPECT_EQ(views->right->width, 8);
  EXPECT_EQ(views->right->height, 16);
  EXPECT_TRUE(near(views->right->pixel(3, 3), kBlue));
}

MpoMaker with(auto change) {
  MpoMaker m;
  change(m);
  return m;
}

INSTANTIATE_TEST_SUITE_P(
    Index, MpoFiles,
    testing::Values(
        MpoCase{"little-endian", {}, nullptr},
        MpoCase{"big-endian", with([](MpoMaker& m) { m.bigEndian = true; }), nullptr},
        MpoCase{"a padding byte between the images", with([](MpoMaker& m) { m.padding = 1; }), nullptr},
        MpoCase{"big-endian and padding", with([](MpoMaker& m) { m.bigEndian = true, m.padding = 3; }),
                nullptr},
        MpoCase{"a preview after the views", with([](MpoMaker& m) { m.entries.push_back({0x010001}); }),
                nullptr},
        MpoCase{"a preview between the views", with([](MpoMaker& m) {
                  m.entries = {{0x20020002}, {0x010001}, {0x020002}};
                }),
                nullptr},
        MpoCase{"a picture with previews only", with([](MpoMaker& m) {
                  m.entries = {{0x20030000}, {0x010001}};
                }),
                nullptr, false},
        MpoCase{"one disparity view", with([](MpoMaker& m) {
                  m.entries = {{0x20020002}, {0x010002}};
                }),
                nullptr, false},
        MpoCase{"views not in JPEG format", with([](MpoMaker& m) {
                  m.entries = {{0x20020002}, {0x03020002}};
                }),
                nullptr, false},
        MpoCase{"zero images", with([](MpoMaker& m) { m.count = 0; }), "no images"},
        MpoCase{"a hundred entries", with([](MpoMaker& m) { m.count = 100; }), "too many"},
        MpoCase{"a count the list does not hold", with([](MpoMaker& m) { m.count = 3; }), "outside"},
        MpoCase{"a list outside the segment", with([](MpoMaker& m) { m.listOffset = 4000; }), "outside"},
        MpoCase{"an offset past the end", with([](MpoMaker& m) { m.entries[1].offset = 1 << 20; }),
                "past the end"},
        MpoCase{"an offset into the first image", with([](MpoMaker& m) { m.entries[1].offset = 40; }),
                "inside the first image"},
        MpoCase{"a size past the end", with([](MpoMaker& m) { m.entries[1].size = 1 << 20; }),
                "past the end"},
        MpoCase{"an offset into the padding",
                with([](MpoMaker& m) { m.padding = 2, m.entries[1].shift = -1; }), "not a JPEG"},
        MpoCase{"a first image not at the start", with([](MpoMaker& m) { m.entries[0].offset = 8; }),
                "does not start the file"}));

// Every cut of a good file before its last picture data is refused; so are
// headers that claim more than the data can hold.
TEST(HostileFiles, CutShortAtAnyByteAreRefused) {
  const tbitmap picture = filled(24, 16, kRed);
  const Bytes jpegFile = jpeg(picture);
  const Bytes pngFile = *encodePng(picture);
  const Bytes mpoFile = MpoMaker{}.bytes();
  const Bytes jpsFile = *encodeJps(picture, picture, 90);
  struct {
    const char* name;
    const Bytes& file;
    std::size_t tail;  // bytes after the last picture data
  } files[] = {{"x.jpg", jpegFile, 2}, {"x.png", pngFile, 12}, {"x.mpo", mpoFile, 2}, {"x.jps", jpsFile, 2}};
  for (const auto& f : files) {
    ASSERT_TRUE(decodePictureFile(f.file, f.name).ok()) << f.name;
    for (std::size_t n = 0; n + f.tail < f.file.size(); ++n)
      EXPECT_FALSE(decodePictureFile(std::span(f.file).first(n), f.name).ok()) << f.name << " cut at " << n;
  }
}

void setBigEndian16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v >> 8);
  b[at + 1] = static_cast<std::uint8_t>(v);
}

TEST(HostileFiles, HugeDeclaredSizesAreRefusedBeforeAllocation) {
  const Bytes good = jpeg(filled(24, 16, kRed));
  const auto segments = *readJpegSegments(SpanSource(good));
  std::uint64_t sof = 0;
  for (const JpegSegment& s : segments)
    if (s.marker == 0xC0) sof = s.offset;
  struct {
    std::uint32_t w, h;
    const char* error;
  } jpegs[] = {{16000, 16000, "too short"}, {60000, 60000, "too large"}, {0, 16, "JPEG"}};
  for (const auto& c : jpegs) {
    Bytes b = good;
    setBigEndian16(b, static_cast<std::size_t>(sof) + 1, c.h);
    setBigEndian16(b, static_cast<std::size_t>(sof) + 3, c.w);
    auto r = decodePictureFile(b, "x.jpg");
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().message.find(c.error), std::string::npos) << r.error().message;
  }

  const Bytes png = *encodePng(filled(24, 16, kRed));
  struct {
    std::uint32_t w, h;
    const char* error;
    std::uint32_t idatClaims;  // the data chunk's length field, when not its own
  } pngs[] = {{16000, 16000, "too short", 0},
              {40000, 8, "PNG", 0},
              {20000, 20000, "too large", 0},
              {16000, 16000, "too short", 0x7fffffff}};
  const auto idat =
      static_cast<std::size_t>(std::search(png.begin(), png.end(), "IDAT", "IDAT" + 4) - png.begin());
  for (const auto& c : pngs) {
    Bytes b = png;
    for (int i = 0; i < 4; ++i) {
      b[16 + i] = static_cast<std::uint8_t>(c.w >> (24 - 8 * i));
      b[20 + i] = static_cast<std::uint8_t>(c.h >> (24 - 8 * i));
      if (c.idatClaims) b[idat - 4 + i] = static_cast<std::uint8_t>(c.idatClaims >> (24 - 8 * i));
    }
    const auto crc = static_cast<std::uint32_t>(crc32(0, b.data() + 12, 17));
    for (int i = 0; i < 4; ++i) b[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    auto r = decodePictureFile(b, "x.png");
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().message.find(c.error), std::string::npos) << r.error().message;
  }
}

// A flat gray progressive JPEG refining coefficients bit by bit: a valid file
// whose every scan is a pass over the whole frame however little data it has.
Bytes manyScans(int side, std::size_t scans) {
  std::vector<jpeg_scan_info> script{{1, {0}, 0, 0, 0, 0}};
  for (int k = 1; script.size() < scans; ++k) {
    script.push_back({1, {0}, k, k, 0, 10});
    for (int al = 9; al >= 0 && script.size() < scans; --al) script.push_back({1, {0}, k, k, al + 1, al});
  }
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = info.image_height = static_cast<JDIMENSION>(side);
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  info.scan_info = script.data();
  info.num_scans = static_cast<int>(script.size());
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(side), 128);
  for (JSAMPROW r = row.data(); info.next_scanline < info.image_height;) jpeg_write_scanlines(&info, &r, 1);
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes bytes(out, out + size);
  std::free(out);
  return bytes;
}

TEST(HostileFiles, ProgressiveScansBeyondWhatEncodersWriteAreRefused) {
  struct {
    int side;
    std::size_t scans;
    bool refused;
  } cases[] = {{64, 10, false}, {64, 101, true}, {64, 694, true}};
  for (const auto& c : cases) {
    auto r = decodePictureFile(manyScans(c.side, c.scans), "x.jpg");
    EXPECT_EQ(r.ok(), !c.refused) << c.side << " px, " << c.scans << " scans";
    if (!r.ok()) {
      EXPECT_NE(r.error().message.find("scans"), std::string::npos) << r.error().message;
    }
  }
}

struct JpsCase {
  const char* what;
  std::optional<Bytes> descriptor;  // after "_JPSJPS_"
  const char* name;
  tpixel left, right;  // the views' colours; right black: one picture
  bool overUnder = false;
};

class JpsFiles : public testing::TestWithParam<JpsCase> {};

TEST_P(JpsFiles, FollowTheirDescriptor) {
  const JpsCase& c = GetParam();
  // Red on the left (or top), blue on the right (or bottom).
  tbitmap whole(c.overUnder ? 16 : 32, c.overUnder ? 32 : 16);
  whole.fillRect(0, 0, whole.width, whole.height, kRed);
  if (c.overUnder)
    whole.fillRect(0, 16, 16, 32, kBlue);
  else
    whole.fillRect(16, 0, 32, 16, kBlue);
  std::vector<JpegExtraSegment> extra;
  if (c.descriptor) {
    Bytes d = {'_', 'J', 'P', 'S', 'J', 'P', 'S', '_'};
    d.insert(d.end(), c.descriptor->begin(), c.descriptor->end());
    extra.push_back({0xE3, d});
  }
  auto views = decodePictureFile(jpeg(whole, extra), c.name);
  ASSERT_TRUE(views.ok()) << views.error().message;
  if (c.right == tpixel{}) {
    EXPECT_EQ(views->right, nullptr);
    EXPECT_EQ(views->left->width, whole.width);
    return;
  }
  ASSERT_NE(views->right, nullptr);
  EXPECT_EQ(views->left->width, 16);
  EXPECT_EQ(views->left->height, 16);
  EXPECT_TRUE(near(views->left->pixel(4, 4), c.left));
  EXPECT_TRUE(near(views->right->pixel(4, 4), c.right));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, JpsFiles,
    testing::Values(JpsCase{"no descriptor: right view first", std::nullopt, "x.JPS", kBlue, kRed},
                    JpsCase{"no descriptor, not named .jps: one picture", std::nullopt, "x.jpg", kRed, {}},
                    JpsCase{"side by side", Bytes{0, 4, 0, 0, 2, 1}, "x.jpg", kBlue, kRed},
                    JpsCase{"side by side, left first", Bytes{0, 4, 0, 4, 2, 1}, "x.jpg", kRed, kBlue},
                    JpsCase{"over-under", Bytes{0, 4, 0, 0, 3, 1}, "x.jps", kBlue, kRed, true},
                    JpsCase{"over-under, left first", Bytes{0, 4, 0, 4, 3, 1}, "x.jps", kRed, kBlue, true},
                    JpsCase{"mono", Bytes{0, 4, 0, 0, 0, 0}, "x.jps", kRed, {}}));

TEST(JpsFiles, OtherLayoutsAreRefused) {
  tbitmap whole = filled(32, 16, kRed);
  const Bytes d = {'_', 'J', 'P', 'S', 'J', 'P', 'S', '_', 0, 4, 0, 0, 4, 1};  // anaglyph
  const JpegExtraSegment extra[] = {{0xE3, d}};
  EXPECT_FALSE(decodePictureFile(jpeg(whole, extra), "x.jps").ok());
}

}  // namespace
