#pragma once
// binoxa-cli's commands and options: one table, one parser, the help texts.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "cli/align.h"
#include "image/colour.h"
#include "stereo/anaglyphmethod.h"
#include "stereo/export.h"

// What binoxa-cli with no command, or with --help, prints.
extern const std::string kOverview;

struct Invocation;

// What binoxa-cli does for a command.
enum class Work { Sample, Convert, Export, Align, Stereo, Layout, Wiggle, Web, Depth, Batch };
// What -o names.
enum class Output { None, File, Folder };

// A command and its rules: what it takes and what it refuses.
struct Command {
  std::string name;
  Work work;
  int inputs;      // positional arguments before -o
  bool oneStereo;  // one MPO or JPS may stand for the last two
  // The usage error's text when the count does not fit, after the name.
  std::string inputsRule;
  Output output;
  unsigned options;
  std::optional<ExportKind> kind;
  std::string summary;
  // What the command refuses beyond the above, the usage error's text: of
  // its inputs before they are counted, of its output once it is known.
  std::optional<std::string> (*refuseInputs)(const Invocation&) = nullptr;
  std::optional<std::string> (*refuseOutput)(const Invocation&) = nullptr;
  std::int32_t leastWidth = 1;  // of --width: a page's 0 is its full size
};

struct Invocation {
  const Command* command = nullptr;
  std::vector<std::string> inputs;
  std::string output;
  PositionOptions position;
  std::optional<ColourWeights> leftColour, rightColour;
  std::optional<std::uint32_t> viewSize;
  std::optional<std::int32_t> spacing;
  std::optional<int> quality;
  std::optional<AnaglyphMethod> method;
  std::optional<std::int32_t> width;
  std::optional<int> delay;
  bool console = false;  // --device 3ds
  bool details = false;
  bool help = false;
  std::optional<std::vector<SavedExport>> exports;  // batch --only, in Save all's order
  std::optional<unsigned> jobs;                     // batch -j
};

struct UsageError {
  std::string message;
  std::string helpCommand;  // where --help explains the usage
};

// argv[1] is the command. The invocation, or the usage error's text.
std::variant<Invocation, UsageError> parse(int argc, char** argv);
void printHelp(const Command& c);

// The workspace's settings: the profile's, with the invocation's options in their place.
tworkspacesettings settingsOf(const Invocation& inv);
