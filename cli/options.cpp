#include "cli/options.h"

#include <charconv>
#include <iostream>
#include <map>

#include "depth/depth.h"
#include "image/save.h"
#include "platform/profile.h"
#include "stereo/layout.h"

namespace {

// The output formats that have that writer, each named by what joins the
// run of rows of one label (extensions, or a label and its extensions),
// joined as a list: "OUT.mpo, OUT.jps or OUT.heic".
template <class Writer>
std::string listFormats(Writer OutputFormat::*writer, bool labelled, const std::string& prefix = "",
                        const char* between = ", ", const char* last = " or ", std::size_t skip = 0) {
  std::vector<std::string> items;
  const char* label = nullptr;
  for (const OutputFormat& f : outputFormats().subspan(skip)) {
    if (!(f.*writer)) continue;
    if (labelled && label && std::string(label) == f.label) {
      items.back().insert(items.back().size() - 1, ", " + std::string(f.extension));
    } else {
      items.push_back(labelled ? std::string(f.label) + " (" + f.extension + ")" : prefix + f.extension);
    }
    label = f.label;
  }
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i)
    text += (i == 0 ? "" : i + 1 == items.size() ? last : between) + items[i];
  return text;
}
const auto kPair = &OutputFormat::savePair;

}  // namespace

const std::string kOverview = std::string() +
    "Usage: binoxa-cli COMMAND ARGS... [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  convert IN -o OUT                   any picture to the format of OUT's extension\n"
    "  anaglyph LEFT RIGHT -o OUT          the anaglyph of a pair\n"
    "  parallel LEFT RIGHT -o OUT          the parallel-view picture\n"
    "  crossed LEFT RIGHT -o OUT           the crossed-view picture\n"
    "  left LEFT RIGHT -o OUT              the left picture cut to the common region\n"
    "  right LEFT RIGHT -o OUT             the right picture cut to the common region\n"
    "  all LEFT RIGHT -o BASE              all five, as BASE_A.BMP _P _C _L _R\n"
    "  batch DIR -o OUTDIR                 all five of every pair of a library folder\n"
    "  align LEFT RIGHT                    print the aligned position: dx dy\n"
    "  pair LEFT RIGHT -o OUT              both aligned pictures as one stereo file\n"
    "  depth LEFT RIGHT -o OUT.png|OUT.pfm the disparity map of the aligned pair\n"
    "  layout KIND LEFT RIGHT -o OUT       the pair laid out for a display\n"
    "  wiggle LEFT RIGHT -o OUT.gif|.webp  both views in turn, an animation\n"
    "  web LEFT RIGHT -o OUT.html          one page with every view, VR included\n"
    "  sample DIR                          write the sample library into DIR\n"
    "\n"
    "Pictures are BMP, JPEG, PNG, MPO, JPS or HEIC; one MPO, JPS or HEIC with a\n"
    "stereo group may stand for LEFT RIGHT.\n"
    "OUT is written as " + listFormats(&OutputFormat::save, true, "", ", ", ", ", 1) + " or else as BMP;\n"
    "a pair as " + listFormats(kPair, true) + ".\n"
    "Made from a JPEG or HEIC, OUT keeps the first file's EXIF (all but BMP).\n"
    "\n"
    "'binoxa-cli COMMAND --help' describes a command and its options.\n";

namespace {

constexpr const char* kBatchHelp =
    "binoxa-cli batch DIR -o OUTDIR [--only a,p,c,l,r] [-j N] [--auto]\n"
    "  Exports every pair of the library folder DIR (NAMEL.BMP with NAMER.BMP) as\n"
    "  Save all does, to OUTDIR/NAME_A.BMP, _P, _C, _L and _R, at the position of\n"
    "  the pair's position file and with the profile's settings.\n"
    "\n"
    "Options:\n"
    "  -o OUTDIR       folder of the pictures, made when needed\n"
    "  --only LETTERS  only these pictures: a (anaglyph), p (parallel), c (crossed),\n"
    "                  l and r (aligned pictures), separated by commas\n"
    "  -j N            pairs exported at the same time; default: one per core\n"
    "  --auto          every pair aligned (position and correction of the right\n"
    "                  picture) instead of its position file's position\n"
    "  --no-correct    the whole-pixel position alone, no correction\n"
    "  --match-colours the right pictures' colours mapped onto the left's\n"
    "  --swap          every pair's pictures exchanged once its position is known\n"
    "\n"
    "A pair that cannot be read or exported gets one line on standard error and\n"
    "the others go on; the exit status is then 1. A progress bar is shown when\n"
    "standard error is a terminal.\n";

constexpr const char* kPositionHelp =
    "  --dx N, --dy N          position of the right picture: left pixel (x, y)\n"
    "                          pairs with right pixel (x + dx, y + dy); default:\n"
    "                          the right picture's position file, else the\n"
    "                          parallax a Fujifilm twin-lens camera recorded in\n"
    "                          its MPO, else 0 0\n"
    "  --auto                  the aligned position and correction of the right\n"
    "                          picture (as binoxa-cli align) instead\n"
    "  --no-correct            the whole-pixel position alone: no correction of\n"
    "                          the right picture (found or stored)\n"
    "  --match-colours         the right picture's colours mapped onto the left's\n"
    "  --swap                  exchange the pictures after the position is known,\n"
    "                          negating it: --swap --dx 5 gives the pair at -5\n"
    "  --max-deviation PCT     with --auto, warn when the deviation (the spread of\n"
    "                          the parallax as a share of the width) exceeds PCT\n"
    "                          percent (default 3.3)\n";
constexpr const char* kAlignHelp =
    "  --no-correct            the whole-pixel position alone\n"
    "  --details               then one key=value line per correction term: roll\n"
    "                          (degrees), zoom, shift (pixels), keystone-vertical,\n"
    "                          keystone-horizontal, inliers (points matched), and\n"
    "                          the parallax budget: parallax-near, parallax-far\n"
    "                          (2nd and 98th percentiles of the on-screen parallax,\n"
    "                          pixels, negative in front of the screen) and\n"
    "                          deviation (their spread, percent of the width)\n"
    "  --max-deviation PCT     warn when the deviation exceeds PCT percent\n"
    "                          (default 3.3)\n";
constexpr const char* kMethodHelp =
    "  --method NAME           anaglyph method: custom (the weights below), true,\n"
    "                          gray, colour, half-colour, dubois-red-cyan,\n"
    "                          dubois-green-magenta, dubois-amber-blue\n";
constexpr const char* kColourHelp =
    "  --left-colour R,G,B     anaglyph weights of the left picture, 0..255 each\n"
    "  --right-colour R,G,B    anaglyph weights of the right picture, 0..255 each\n";
constexpr const char* kViewHelp =
    "  --view-size N           width of each side-by-side half, 1 or more\n"
    "  --spacing N             white margin and gap, 0 or more\n";
constexpr const char* kWidthHelp =
    "  --width N               the whole reduced to N pixels wide, the aspect kept\n"
    "                          (never enlarged)\n";
constexpr const char* kWiggleWidthHelp =
    "  --width N               each view reduced to N pixels wide, the aspect kept\n"
    "                          (never enlarged; default 1200)\n";
constexpr const char* kWebWidthHelp =
    "  --width N               each view reduced to N pixels wide, the aspect kept\n"
    "                          (never enlarged; default 2048, 0: full size)\n";
constexpr const char* kDelayHelp =
    "  --delay MS              each view's time on screen in milliseconds,\n"
    "                          1..655350 (default 150; a GIF rounds it to\n"
    "                          hundredths of a second)\n";
constexpr const char* kDeviceHelp =
    "  --device 3ds            views for a handheld console: the common region's\n"
    "                          centred 4:3 part scaled to 640 x 480 (OUT.mpo)\n";
constexpr const char* kQualityHelp =
    "  --quality N             JPEG and HEIC quality, 1..100 (profile QUALITY,\n"
    "                          else 92)\n";
constexpr const char* kWebpQualityHelp =
    "  --quality N             a lossy WebP of that quality, 1..100 (lossless\n"
    "                          without it; not for a GIF)\n";
constexpr const char* kDefaultsHelp =
    "Settings not given come from the profile ($BINOXA_PROFILE, else\n"
    "$XDG_CONFIG_HOME/binoxa/binoxa.ini), else the built-in defaults.\n"
    "An OUT without an extension gets \".BMP\".\n";

enum Option : unsigned {
  Dx = 1,
  Dy = 2,
  LeftColour = 4,
  RightColour = 8,
  ViewSize = 16,
  Spacing = 32,
  Quality = 64,
  Method = 128,
  Auto = 256,  // flags: no value
  Swap = 512,
  Width = 1024,
  Device = 2048,
  NoCorrect = 4096,
  MatchColours = 8192,
  Details = 16384,
  Delay = 32768,
  Only = 65536,
  Jobs = 131072,
  MaxDeviation = 262144,
};
constexpr unsigned kPosition = Dx | Dy | Auto | Swap | NoCorrect | MatchColours | MaxDeviation;
constexpr unsigned kFlags = Auto | Swap | NoCorrect | MatchColours | Details;

constexpr const char* kLayoutKinds = "sbs, sbs-half, over-under, over-under-half, rows or rgbd";

std::optional<std::string> refuseLayout(const Invocation& inv) {
  if (inv.inputs.empty()) return std::string("layout needs a KIND: ") + kLayoutKinds;
  if (!layoutByName(inv.inputs[0])) return "unknown layout '" + inv.inputs[0] + "': " + kLayoutKinds;
  return std::nullopt;
}

std::optional<std::string> refusePair(const Invocation& inv) {
  if (!isStereoName(inv.output)) return "pair writes " + listFormats(kPair, false, "OUT");
  return std::nullopt;
}

std::optional<std::string> refuseWiggle(const Invocation& inv) {
  if (!isAnimationName(inv.output)) return "wiggle writes " + listFormats(&OutputFormat::saveFrames, false, "OUT");
  if (inv.quality && lowerExtension(inv.output) == ".gif") return "--quality makes a lossy WebP; a GIF takes none";
  return std::nullopt;
}

std::optional<std::string> refuseWeb(const Invocation& inv) {
  const std::string extension = lowerExtension(inv.output);
  if (extension != ".html" && extension != ".htm") return "web writes OUT.html";
  return std::nullopt;
}

std::optional<std::string> refuseDepth(const Invocation& inv) {
  if (!isDepthName(inv.output)) return "depth writes OUT.png or OUT.pfm";
  return std::nullopt;
}

constexpr const char* kPairInputs = "takes 2 file arguments or one stereo file (MPO or JPS)";

const std::vector<Command>& commands() {
  static const std::vector<Command> list = {
      {"convert", Work::Convert, 1, false, "takes 1 file argument", Output::File, Quality, std::nullopt,
       "binoxa-cli convert IN -o OUT [OPTIONS]\n"
       "  Reads a picture and writes it in the format of OUT's extension; a stereo\n"
       "  file gives its left view, unless OUT is one too (" + listFormats(kPair, false, "", ", ", ", ") +
           ").\n"},
      {"anaglyph", Work::Export, 2, true, kPairInputs, Output::File,
       kPosition | Method | LeftColour | RightColour | Quality, ExportKind::Anaglyph,
       "binoxa-cli anaglyph LEFT RIGHT -o OUT [OPTIONS]\n  Writes the anaglyph of the common region.\n"},
      {"parallel", Work::Export, 2, true, kPairInputs, Output::File, kPosition | ViewSize | Spacing | Quality,
       ExportKind::Parallel,
       "binoxa-cli parallel LEFT RIGHT -o OUT [OPTIONS]\n"
       "  Writes the parallel-view picture: left part on the left.\n"},
      {"crossed", Work::Export, 2, true, kPairInputs, Output::File, kPosition | ViewSize | Spacing | Quality,
       ExportKind::Crossed,
       "binoxa-cli crossed LEFT RIGHT -o OUT [OPTIONS]\n"
       "  Writes the crossed-view picture: right part on the left.\n"},
      {"left", Work::Export, 2, true, kPairInputs, Output::File, kPosition | Quality, ExportKind::Left,
       "binoxa-cli left LEFT RIGHT -o OUT [OPTIONS]\n"
       "  Writes the left picture cut to the region common to both; a stereo OUT\n"
       "  (" + listFormats(kPair, false, "", ", ", ", ") + ") writes both aligned pictures, as pair does.\n"},
      {"right", Work::Export, 2, true, kPairInputs, Output::File, kPosition | Quality, ExportKind::Right,
       "binoxa-cli right LEFT RIGHT -o OUT [OPTIONS]\n"
       "  Writes the right picture cut to the region common to both; a stereo OUT\n"
       "  (" + listFormats(kPair, false, "", ", ", ", ") + ") writes both aligned pictures, as pair does.\n"},
      {"pair", Work::Stereo, 2, true, kPairInputs, Output::File, kPosition | Quality | Device, ExportKind::Left,
       "binoxa-cli pair LEFT RIGHT -o " + listFormats(kPair, false, "OUT", "|", "|") + " [OPTIONS]\n"
       "  Writes both pictures cut to the region common to both as one stereo file:\n"
       "  an MPO as twin-lens cameras write it, a JPS, or a HEIC spatial photo as\n"
       "  phones and headsets take them (HEVC, the left view primary).\n",
       nullptr, refusePair},
      {"all", Work::Export, 2, true, kPairInputs, Output::File,
       kPosition | Method | LeftColour | RightColour | ViewSize | Spacing | Quality, ExportKind::All,
       "binoxa-cli all LEFT RIGHT -o BASE [OPTIONS]\n"
       "  Writes BASE_A.BMP (anaglyph), BASE_P.BMP (parallel), BASE_C.BMP (crossed),\n"
       "  BASE_L.BMP and BASE_R.BMP (aligned pictures); a final \".BMP\" of BASE is dropped.\n"
       "  Nothing is written when a picture cannot be built; writing stops at the\n"
       "  first file that cannot be written.\n"},
      {"depth", Work::Depth, 2, true, kPairInputs, Output::File, kPosition, std::nullopt,
       "binoxa-cli depth LEFT RIGHT -o OUT.png|OUT.pfm [OPTIONS]\n"
       "  Writes the disparity d = x_left - x_right (pixels of the files, against the\n"
       "  corrected right picture) of every pixel of the left picture's common\n"
       "  region: OUT.png as 16-bit grey of round(256 d), 0 where d is unknown or\n"
       "  not above 0; OUT.pfm as 32-bit floats, inf where unknown.\n",
       nullptr, refuseDepth},
      {"layout", Work::Layout, 3, true, "takes KIND LEFT RIGHT or KIND and one stereo file (MPO or JPS)",
       Output::File, kPosition | Quality | Width, std::nullopt,
       "binoxa-cli layout KIND LEFT RIGHT -o OUT [OPTIONS]\n"
       "  Writes the common region laid out for a display. KIND: sbs (side by\n"
       "  side, left view on the left: VR headsets, tablets), sbs-half (each view\n"
       "  squeezed to half its width: 3D TVs), over-under, over-under-half (left\n"
       "  view on top), rows (left view on the even rows: passive monitors), rgbd\n"
       "  (the left view beside its depth map, white nearest: glasses-free\n"
       "  displays, 3D photo sites).\n",
       refuseLayout},
      {"wiggle", Work::Wiggle, 2, true, kPairInputs, Output::File, kPosition | Width | Delay | Quality,
       std::nullopt,
       "binoxa-cli wiggle LEFT RIGHT -o OUT.webp|OUT.gif [OPTIONS]\n"
       "  Writes the two views of the common region shown in turn forever, a\n"
       "  \"wiggle\" animation that needs no glasses: an animated WebP or a GIF\n"
       "  (256 colours shared by both views).\n",
       nullptr, refuseWiggle},
      {"web", Work::Web, 2, true, kPairInputs, Output::File, kPosition | Width | Quality, std::nullopt,
       "binoxa-cli web LEFT RIGHT -o OUT.html [OPTIONS]\n"
       "  Writes one HTML file that shows the common region in any browser, offline:\n"
       "  the anaglyph (Dubois red-cyan), parallel, crossed and wiggle views, and in\n"
       "  a VR headset each eye its own view. The left photo's EXIF date and camera\n"
       "  are its caption.\n",
       nullptr, refuseWeb, 0},
      {"align", Work::Align, 2, true, "takes 2 file arguments", Output::None, NoCorrect | Details | MaxDeviation,
       std::nullopt,
       "binoxa-cli align LEFT RIGHT [OPTIONS]\n"
       "  Prints the right picture's aligned position as \"dx dy\": no vertical\n"
       "  disparity once the right picture is corrected (roll, zoom, keystone and a\n"
       "  subpixel shift), the nearest objects at the window. Exit status 1, with\n"
       "  the reason, when the points that match do not prove one answer.\n"},
      {"batch", Work::Batch, 1, false, "takes 1 folder argument", Output::Folder,
       Auto | NoCorrect | MatchColours | Swap | Only | Jobs, std::nullopt, kBatchHelp},
      {"sample", Work::Sample, 1, false, "takes 1 file argument", Output::None, 0, std::nullopt,
       "binoxa-cli sample DIR\n  Writes the sample library (pairs and one single-file picture) into DIR.\n"},
  };
  return list;
}

const std::map<std::string, Option>& optionNames() {
  static const std::map<std::string, Option> names = {
      {"--dx", Dx},
      {"--dy", Dy},
      {"--left-colour", LeftColour},
      {"--right-colour", RightColour},
      {"--view-size", ViewSize},
      {"--spacing", Spacing},
      {"--quality", Quality},
      {"--method", Method},
      {"--auto", Auto},
      {"--swap", Swap},
      {"--width", Width},
      {"--device", Device},
      {"--no-correct", NoCorrect},
      {"--match-colours", MatchColours},
      {"--details", Details},
      {"--delay", Delay},
      {"--only", Only},
      {"--max-deviation", MaxDeviation},
      {"-j", Jobs},
      {"--jobs", Jobs},
  };
  return names;
}

std::optional<std::int64_t> parseInt(const std::string& text) {
  std::int64_t v = 0;
  const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(begin, end, v);
  if (ec != std::errc() || p != end || begin == end) return std::nullopt;
  return v;
}

std::optional<ColourWeights> parseColour(const std::string& text) {
  std::int64_t v[3];
  std::size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const std::size_t comma = i < 2 ? text.find(',', start) : text.size();
    if (comma == std::string::npos) return std::nullopt;
    auto n = parseInt(text.substr(start, comma - start));
    if (!n || *n < 0 || *n > 255) return std::nullopt;
    v[i] = *n;
    start = comma + 1;
  }
  return ColourWeights{static_cast<std::uint32_t>(v[0]), static_cast<std::uint32_t>(v[1]),
                       static_cast<std::uint32_t>(v[2])};
}

std::optional<std::vector<std::size_t>> parseOnly(const std::string& text) {
  constexpr std::string_view kLetters = "apclr";  // in Save all's order
  std::vector<bool> chosen(kLetters.size(), false);
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string item = text.substr(start, comma - start);
    const std::size_t at = item.size() == 1 ? kLetters.find(item[0]) : std::string_view::npos;
    if (at == std::string_view::npos) return std::nullopt;
    chosen[at] = true;
    start = comma + 1;
  }
  std::vector<std::size_t> indices;
  for (std::size_t i = 0; i < chosen.size(); ++i)
    if (chosen[i]) indices.push_back(i);
  return indices;
}

// An integer option's value within its range.
struct IntRange {
  std::int64_t min, max;
  const char* needs;  // what the usage error says the option needs
};

std::optional<std::int64_t> readInt(const std::string& value, IntRange range) {
  auto n = parseInt(value);
  if (!n || *n < range.min || *n > range.max) return std::nullopt;
  return n;
}

// The value of one option into the invocation; the usage error's text when it is refused.
std::optional<std::string> takeValue(Invocation& inv, Option which, const std::string& option,
                                     const std::string& value) {
  auto needs = [&](const std::string& name, const std::string& what) {
    return name + " needs " + what + ", not '" + value + "'";
  };
  auto bad = [&](const std::string& what) { return needs(option, what); };
  auto integer = [&]<typename T>(std::optional<T>& into, IntRange range,
                                 const std::string& name) -> std::optional<std::string> {
    auto n = readInt(value, range);
    if (!n) return needs(name, range.needs);
    into = static_cast<T>(*n);
    return std::nullopt;
  };
  switch (which) {
    case Dx:
    case Dy:
      return integer(which == Dx ? inv.position.dx : inv.position.dy, {INT32_MIN, INT32_MAX, "a 32-bit integer"}, option);
    case LeftColour:
    case RightColour: {
      auto w = parseColour(value);
      if (!w) return bad("R,G,B with each value 0..255");
      (which == LeftColour ? inv.leftColour : inv.rightColour) = *w;
      break;
    }
    case ViewSize:
      return integer(inv.viewSize, {1, INT32_MAX, "a number of 1 or more"}, option);
    case Spacing:
      return integer(inv.spacing, {0, INT32_MAX, "a number of 0 or more"}, option);
    case Method:
      inv.method = methodByName(value);
      if (!inv.method) return bad("an anaglyph method");
      break;
    default:  // the flags, taken above
      break;
    case Width:
      return integer(inv.width, {inv.command->leastWidth, INT32_MAX, inv.command->leastWidth ? "a number of 1 or more" : "a number of 0 or more"}, option);
    case Delay:
      return integer(inv.delay, {1, 655350, "milliseconds from 1 to 655350"}, option);
    case Device:
      if (value != "3ds") return bad("a device: 3ds");
      inv.console = true;
      break;
    case Quality:
      return integer(inv.quality, {1, 100, "a number from 1 to 100"}, option);
    case Only: {
      if (inv.exports) return option + " given twice";
      auto letters = parseOnly(value);
      if (!letters) return bad("letters of a,p,c,l,r separated by commas");
      inv.exports.emplace();
      for (std::size_t k : *letters) inv.exports->push_back(kSaveAll[k]);
      break;
    }
    case MaxDeviation: {
      double pct = 0;
      const auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), pct);
      if (ec != std::errc() || p != value.data() + value.size() || !(pct >= 0) || pct > 100)
        return bad("a percentage from 0 to 100");
      inv.position.maxDeviation = pct;
      break;
    }
    case Jobs:
      if (inv.jobs) return option + " given twice";
      // Named -j whichever way it was written.
      return integer(inv.jobs, {1, INT32_MAX, "a number of 1 or more"}, "-j");
  }
  return std::nullopt;
}

void takeFlag(Invocation& inv, Option which) {
  switch (which) {
    case Auto:
      inv.position.autoAlign = true;
      break;
    case Swap:
      inv.position.swap = true;
      break;
    case NoCorrect:
      inv.position.noCorrect = true;
      break;
    case MatchColours:
      inv.position.matchColours = true;
      break;
    default:
      inv.details = true;
      break;
  }
}

// What the command's rules refuse of the whole invocation, once its arguments are taken.
std::optional<std::string> refusal(const Invocation& inv, bool hasOutput) {
  const Command& c = *inv.command;
  if (c.refuseInputs)
    if (auto refused = c.refuseInputs(inv)) return refused;
  // A command that takes a pair also takes one stereo file; whether it is one shows when it is read.
  const int given = static_cast<int>(inv.inputs.size());
  if (given != c.inputs && !(c.oneStereo && given == c.inputs - 1)) return c.name + " " + c.inputsRule;
  if (c.output != Output::None && !hasOutput) return c.name + " needs -o";
  if (inv.position.autoAlign && (inv.position.dx || inv.position.dy))
    return "--auto takes the place of --dx and --dy";
  if (c.refuseOutput)
    if (auto refused = c.refuseOutput(inv)) return refused;
  if (inv.console && lowerExtension(inv.output) != ".mpo") return "--device 3ds writes OUT.mpo";
  return std::nullopt;
}

}  // namespace

std::variant<Invocation, UsageError> parse(int argc, char** argv) {
  Invocation inv;
  const std::string name = argv[1];
  for (const Command& c : commands())
    if (c.name == name) inv.command = &c;
  if (!inv.command) return UsageError{"unknown command '" + name + "'", ""};
  const Command& c = *inv.command;
  auto usage = [&](const std::string& message) { return UsageError{message, c.name + " "}; };

  bool optionsEnded = false;
  std::optional<std::string> output;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      inv.inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      inv.help = true;
      return inv;
    }
    // -j4, as make takes it.
    const bool glued = (c.options & Jobs) && arg.starts_with("-j") && arg.size() > 2;
    const auto known = optionNames().find(glued ? "-j" : arg);
    const bool isOutput = arg == "-o" || arg == "--output";
    if (!isOutput && (known == optionNames().end() || !(c.options & known->second)))
      return usage("option " + arg + " does not apply to " + c.name);
    if (isOutput && c.output == Output::None) return usage(c.name + " takes no -o");
    if (!isOutput && (known->second & kFlags)) {
      takeFlag(inv, known->second);
      continue;
    }
    if (!glued && i + 1 >= argc) return usage("option " + arg + " needs a value");
    const std::string value = glued ? arg.substr(2) : argv[++i];
    const std::string option = glued ? "-j" : arg;
    if (isOutput) {
      if (output) return usage("-o given twice");
      if (c.output == Output::File && (value.empty() || value.back() == '/'))
        return usage("-o needs a file name, not '" + value + "'");
      output = value;
      continue;
    }
    if (auto refused = takeValue(inv, known->second, option, value)) return usage(*refused);
  }
  if (output) inv.output = *output;
  if (auto refused = refusal(inv, output.has_value())) return usage(*refused);
  return inv;
}

void printHelp(const Command& c) {
  std::cout << "Usage: " << c.summary;
  if (c.work == Work::Batch) return;  // its summary tells its options
  if (c.options) std::cout << "\nOptions:\n";
  if (c.options & Dx) std::cout << kPositionHelp;
  if (c.options & Details) std::cout << kAlignHelp;
  if (c.options & Method) std::cout << kMethodHelp;
  if (c.options & LeftColour) std::cout << kColourHelp;
  if (c.options & ViewSize) std::cout << kViewHelp;
  const bool wiggle = c.work == Work::Wiggle;
  if (c.options & Width)
    std::cout << (wiggle ? kWiggleWidthHelp : c.work == Work::Web ? kWebWidthHelp : kWidthHelp);
  if (c.options & Delay) std::cout << kDelayHelp;
  if (c.options & Device) std::cout << kDeviceHelp;
  if (c.options & Quality) std::cout << (wiggle ? kWebpQualityHelp : kQualityHelp);
  if (c.kind || c.work == Work::Layout) std::cout << "\n" << kDefaultsHelp;
}

tworkspacesettings settingsOf(const Invocation& inv) {
  tworkspacesettings s = readWorkspaceSettings(Profile(Profile::defaultPath()));
  ExportSettings& e = s.exports;
  e.leftColour = inv.leftColour.value_or(e.leftColour);
  e.rightColour = inv.rightColour.value_or(e.rightColour);
  e.viewSize = inv.viewSize.value_or(e.viewSize);
  e.imageSpacing = inv.spacing.value_or(e.imageSpacing);
  e.method = inv.method.value_or(e.method);
  s.quality = inv.quality.value_or(s.quality);
  // The window's choices, not a script's: a command reads position files,
  // and matches colours as --match-colours says once the position is known.
  s.usePosFiles = true;
  s.matchColours = false;
  return s;
}
