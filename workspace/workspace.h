#pragma once
// The workspace: the pair worked on (its pictures, the files they came from,
// the right picture's position and correction), the settings its pictures
// are composed with, and the commands that change it or write from it. The
// window and binoxa-cli both work through these commands; the window's views
// only read the workspace.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "align/align.h"
#include "depth/depth.h"
#include "image/correction.h"
#include "image/picture.h"
#include "image/tbitmap.h"
#include "platform/result.h"
#include "stereo/export.h"
#include "stereo/layout.h"
#include "store/library.h"

class tworkspace {
 public:
  tworkspace(const ExportSettings& s, int q) : settings(s), quality(q) {}

  // --- the state, by the names scenario files read ---
  std::unique_ptr<tbitmap> leftImage;
  std::string leftFileName;
  // The right picture as the correction and the colour matching make it.
  std::unique_ptr<tbitmap> rightImage;
  std::string rightFileName;
  std::int32_t rightOffsetX = 0;
  std::int32_t rightOffsetY = 0;
  Correction correction;
  // Set while the pair's position belongs to pictures other than its files
  // (a cut of one picture, an aligned picture written): no position file then.
  bool suppressPosWrite = false;
  ExportSettings settings;
  int quality;                // of written JPEG pictures
  bool usePosFiles = true;    // a pair opens at its position file's position
  bool matchColours = false;  // the right picture's colours mapped onto the left's

  // The pictures as read, whatever the corrections made of them.
  const tbitmap* leftSource() const { return leftSource_ ? leftSource_.get() : leftImage.get(); }
  const tbitmap* rightSource() const { return rightSource_ ? rightSource_.get() : rightImage.get(); }

  // --- opening; a refusal changes nothing ---
  // One picture of a file (view 1: the right view of a stereo file) on one side.
  Status openLeft(const std::string& path, int view = 0);
  // The new right picture opens at its position file's position.
  Status openRight(const std::string& path, int view = 1);
  // Both views of a stereo file (MPO or JPS) decoded elsewhere: refused when
  // it holds one picture.
  Status openStereo(const std::string& path, Result<StereoViews> views);
  // A pair of the library: two pictures, or both views of one stereo file
  // when the names are the same; both read before anything changes.
  Status openPair(const std::string& left, const std::string& right, bool together = true);
  // Two picture files (a stereo file among them gives its left view), or one
  // stereo file for both. Two files are decoded when a command needs their
  // pictures, so an export can stream them instead (nothing else is known of
  // them until then); together: both at once, on two cores.
  Status openFiles(const std::string& left, const std::optional<std::string>& right, bool together = true);
  // Two pictures made elsewhere (a cut of one picture), at 0 0 with no files.
  void adoptCut(std::unique_ptr<tbitmap> left, std::unique_ptr<tbitmap> right);
  // The pictures of files opened by openFiles, decoded now.
  Status decode();
  // The position file of the pair, when it has one to keep. A position file
  // holds a correction of its right picture only, and a stereo file's opens
  // with the views in their order: a pair the file beside its right picture
  // cannot hold (a corrected picture on the left, a stereo file's views
  // swapped) is kept as its files open, beside the left picture, when the
  // right one has no correction of its own.
  void storePosition() const;

  // --- position and correction ---
  void setPosition(std::int32_t x, std::int32_t y);
  // The position moved by (byX, byY), held at the ends of its range.
  void nudge(std::int32_t byX, std::int32_t byY);
  // The aligned position and, with correct, the correction (align/align.h),
  // found and left for the caller.
  Result<Alignment> findAlignment(bool correct = true);
  // Found and made the pair's.
  Result<Alignment> align(bool correct = true);
  // The right picture resampled once per change.
  void setCorrection(const Correction& c);
  void setMatchColours(bool on);
  // The pictures as shown exchanged, each with its file, its correction and
  // what it was made from, and the position negated: a corrected right
  // picture keeps its correction on the left, the new right keeps its own,
  // and a second swap gives back exactly the pair of before.
  Status swap();

  // --- exports: the name's extension decides the format, the workspace
  // whether the rows stream from the files or the pictures are composed ---
  Status exportTo(ExportKind kind, const std::string& name);
  // Both aligned pictures as one MPO or JPS; console: a handheld console's views.
  Status exportStereo(const std::string& name, bool console = false);
  // Several exports, each to the name at the same index: every picture is
  // built before the first file is written; writing stops at the first file
  // that cannot be written.
  Status exportEach(std::span<const SavedExport> exports, std::span<const std::string> names);
  // Rgbd: the aligned left view beside its depth picture.
  Status exportLayout(LayoutKind kind, const std::string& name, std::int32_t width);
  // The disparity map of the pair at its position (depth/depth.h).
  Result<DisparityMap> depthMap();
  // Written as OUT.png or OUT.pfm (depth/depth.h's saveDisparityMap).
  Status exportDepth(const std::string& name);
  Status exportWiggle(const std::string& name, const WiggleSettings& wiggle);
  // The pair's web page (stereo/web.h), each view at most width pixels wide
  // (0: full size), captioned with the left file's date and camera.
  Status exportWeb(const std::string& name, std::int32_t width);

  // --- the library: the pairs of a folder as the library view lists them ---
  std::int32_t libraryCount = 0;
  std::unique_ptr<tlibraryentry> libraryEntries;
  // The pairs of dir listed anew; false when it has none.
  bool scanLibrary(const std::string& dir);
  void releaseLibrary() { libraryEntries.reset(); }
  // The pair step places from the open one in the folder of its left file,
  // in the library's order, named by path; none past either end or when no
  // pair is open.
  std::optional<tlibrarypair> neighbourPair(int step) const;

 private:
  std::unique_ptr<tbitmap> rightSource_;  // while rightImage is changed from it
  // The left picture as read, while a swap has brought its corrected or
  // matched copy to the left, and the correction that copy carries.
  std::unique_ptr<tbitmap> leftSource_;
  Correction leftCorrection_;
  // The pictures shown the other way round from how their files opened.
  bool swapped_ = false;
  // The file opened on the left, whose camera data every written picture
  // carries, whatever swaps and writes renamed since.
  std::string cameraFile_;
  bool undecoded_ = false;  // openFiles' files not read yet
  bool together_ = true;
  void refreshRight();
  // A new left picture: as read, the pair as its files open.
  void newLeft();
  void readPosition();
  void adoptWritten(ExportKind kind, const std::string& name);
  // The export of kind streamed from the undecoded files: nullopt where it cannot be.
  std::optional<Status> streamExport(ExportKind kind, const std::string& name);
};
