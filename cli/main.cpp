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
#include "platform/files.h"
#include "samples/sample.h"
#include "stereo/export.h"
#include "stereo/layout.h"
#include "stereo/web.h"

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

int convert(const Invocation& inv, int quality) {
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

int run(const Invocation& inv) {
  const Command& c = *inv.command;
  if (c.work == Work::Sample) {
    if (Status s = writeSampleLibrary(inv.inputs[0]); !s) return refuse(s.error().message);
    return kOk;
  }
  tworkspace ws(settingsOf(inv));
  if (c.work == Work::Convert) return convert(inv, ws.quality());
  // A layout's first input is its KIND.
  const bool layout = c.work == Work::Layout;
  const std::vector<std::string> files(inv.inputs.begin() + (layout ? 1 : 0), inv.inputs.end());
  Status opened = ws.openFiles(files[0], files.size() == 2 ? std::optional(files[1]) : std::nullopt);
  if (!opened && opened.error().kind == ErrorKind::Usage)
    return usageError(
        {c.name + " takes LEFT RIGHT or one stereo file (MPO or JPS), and " + files[0] + " holds one picture",
         c.name + " "});
  if (!opened) return refuse(opened.error().message);
  if (c.work == Work::Align)
    return runAlign(ws, inv.position.noCorrect ? Correcting::PositionOnly : Correcting::Corrected, inv.details,
                    inv.position.maxDeviation);
  if (Status s = applyPosition(ws, inv.position); !s) return refuse(s.error().message);

  Status written = success();
  switch (c.work) {
    case Work::Wiggle: {
      WiggleSettings wiggle;
      wiggle.width = inv.width.value_or(wiggle.width);
      wiggle.delayMs = inv.delay.value_or(wiggle.delayMs);
      wiggle.quality = inv.quality;
      written = ws.exportWiggle(inv.output, wiggle);
      break;
    }
    case Work::Web:
      written = ws.exportWeb(inv.output, inv.width.value_or(kWebWidth));
      break;
    case Work::Layout:
      written = ws.exportLayout(*layoutByName(inv.inputs[0]), inv.output, inv.width.value_or(0));
      break;
    case Work::Depth:
      written = ws.exportDepth(inv.output);
      break;
    case Work::Stereo:
      written = ws.exportStereo(inv.output, inv.console ? StereoTarget::Console : StereoTarget::Camera);
      break;
    default:
      written = ws.exportTo(*c.kind, inv.output);
      break;
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
  if (inv.command->work == Work::Batch) return runBatch(inv);
  try {
    return run(inv);
  } catch (const std::bad_alloc&) {
    // A picture the header proves but the memory cannot hold: refused, nothing written.
    return refuse("Not enough memory");
  }
}
