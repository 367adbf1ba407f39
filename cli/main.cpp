// binoxa-cli: the compositions and exports of the window, from a shell.
// Exit status 0 on success, 1 when an input is refused or an output cannot be
// written, 2 on a usage error.
#include <csignal>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cli/align.h"
#include "cli/batch.h"
#include "cli/options.h"
#include "image/picture.h"
#include "image/save.h"
#include "image/tbitmap.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "stereo/compose.h"
#include "stereo/export.h"
#include "stereo/layout.h"
#include "stereo/web.h"
#include "store/posfile.h"
#include "store/settings.h"
#include "tools/sample.h"

namespace {

constexpr int kOk = 0, kRefused = 1, kUsage = 2;

int usageError(const UsageError& error) {
  std::cerr << "binoxa-cli: " << error.message << "\n"
            << "Try 'binoxa-cli " << error.helpCommand << "--help'.\n";
  return kUsage;
}

int refuse(const std::string& message) {
  std::cerr << message << "\n";
  return kRefused;
}

int run(const Invocation& inv) {
  const Command& c = *inv.command;
  if (c.name == "sample") {
    if (Status s = writeSampleLibrary(inv.inputs[0]); !s) return refuse(s.error().message);
    return kOk;
  }
  const Profile profileFile(Profile::defaultPath());
  const int quality = inv.quality.value_or(readQuality(profileFile));
  if (c.name == "convert") {
    const SourceFacts facts = readSourceFacts(inv.inputs[0]);
    auto in = loadPictureViews(inv.inputs[0]);
    if (!in) return refuse(in.error().message);
    if (isStereoName(inv.output)) {
      if (!in->right) return refuse(inv.inputs[0] + " holds one picture, not the pair an MPO or JPS needs");
      if (Status s = saveStereoPicture(*in->left, *in->right, inv.output, quality, facts); !s)
        return refuse(s.error().message);
      return kOk;
    }
    if (Status s = savePicture(*in->left, completeExportName(inv.output), quality, facts.exif); !s)
      return refuse(s.error().message);
    return kOk;
  }
  const tsettings profile = readSettings(profileFile);
  const ExportSettings settings{
      inv.leftColour.value_or(profile.leftColour), inv.rightColour.value_or(profile.rightColour),
      inv.viewSize.value_or(profile.viewSize), inv.spacing.value_or(profile.imageSpacing),
      inv.method.value_or(profile.method)};
  tworkspace ws(settings, quality);
  const bool layout = c.name == "layout";
  const std::vector<std::string> files(inv.inputs.begin() + (layout ? 1 : 0), inv.inputs.end());
  Status opened = ws.openFiles(files[0], files.size() == 2 ? std::optional(files[1]) : std::nullopt);
  if (!opened && opened.error().kind == ErrorKind::Usage)
    return usageError(
        {c.name + " takes LEFT RIGHT or one stereo file (MPO or JPS), and " + files[0] + " holds one picture",
         c.name + " "});
  if (!opened) return refuse(opened.error().message);
  if (c.name == "align") return runAlign(ws, !inv.position.noCorrect, inv.details, inv.position.maxDeviation);
  if (Status s = applyPosition(ws, inv.position); !s) return refuse(s.error().message);

  Status written = success();
  if (c.name == "wiggle") {
    WiggleSettings wiggle;
    wiggle.width = inv.width.value_or(wiggle.width);
    wiggle.delayMs = inv.delay.value_or(wiggle.delayMs);
    wiggle.quality = inv.quality;
    written = ws.exportWiggle(inv.output, wiggle);
  } else if (c.name == "web") {
    written = ws.exportWeb(inv.output, inv.width.value_or(kWebWidth));
  } else if (layout) {
    written = ws.exportLayout(*layoutByName(inv.inputs[0]), inv.output, inv.width.value_or(0));
  } else if (c.name == "depth") {
    written = ws.exportDepth(inv.output);
  } else if (c.name == "pair") {
    written = ws.exportStereo(inv.output, inv.console);
  } else {
    written = ws.exportTo(*c.kind, inv.output);
  }
  return written ? kOk : refuse(written.error().message);
}

}  // namespace

// An interrupted write leaves no temporary file; the signal still ends the program.
extern "C" void removeUnfinishedAndStop(int sig) {
  removeUnfinishedWrite();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

int main(int argc, char** argv) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, removeUnfinishedAndStop);
  keepOwnWrites();
  if (argc < 2) {
    std::cerr << kOverview;
    return kUsage;
  }
  const std::string first = argv[1];
  if (first == "--help" || first == "-h" || first == "help") {
    std::cout << kOverview;
    return kOk;
  }
  if (first == "--version") {
    std::cout << "binoxa-cli " BINOXA_VERSION "\n";
    return kOk;
  }
  auto parsed = parse(argc, argv);
  if (auto* error = std::get_if<UsageError>(&parsed)) return usageError(*error);
  const Invocation& inv = std::get<Invocation>(parsed);
  if (inv.help) {
    printHelp(*inv.command);
    return kOk;
  }
  if (inv.command->name == "batch") return runBatch(inv);
  try {
    return run(inv);
  } catch (const std::bad_alloc&) {
    // A picture the header proves but the memory cannot hold: refused, nothing written.
    return refuse("Not enough memory");
  }
}
