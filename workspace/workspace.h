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
#include "platform/profile.h"
#include "store/library.h"
#include "store/posfile.h"
#include "store/settings.h"

// What the profile holds for the workspace, read in one place for the
// window, binoxa-cli and batch.
struct tworkspacesettings {
  ExportSettings exports;
  int quality = kDefaultQuality;  // of written JPEG pictures
  bool usePosFiles = true;        // a pair opens at its position file's position
  bool matchColours = false;      // the right picture's colours mapped onto the left's
};
tworkspacesettings readWorkspaceSettings(const Profile& profile);

// Two files of a pair decoded at once on two cores, or one after the other
// where the cores are taken by other pairs.
enum class Decoding { Together, InTurn };
// An alignment's correction of the right picture, or its whole-pixel position alone.
enum class Correcting { Corrected, PositionOnly };
// The views of an MPO as a camera writes them, or scaled for a handheld console.
enum class StereoTarget { Camera, Console };

// Two areas of one picture cut out as a pair, in its pixels: the left area's
// corners (x1, y1), (x2, y2) in any order, the right area's top-left corner;
// the right area is as large as the left.
struct tarea {
  std::int32_t x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};
struct tareaorigin {
  std::int32_t x = 0, y = 0;
};
void putInOrder(tarea& a);  // x1 <= x2, y1 <= y2
struct tcut {
  tarea left;
  tareaorigin right;
};
// The areas a picture of width x height opens with: its left and right
// halves, less a margin.
tcut firstCut(std::int32_t width, std::int32_t height);

class tworkspace {
 public:
  explicit tworkspace(const tworkspacesettings& s = {}) : settings_(s) {}

  // --- the state, by the names scenario files read ---
  const tbitmap* leftImage() const { return leftImage_.get(); }
  const std::string& leftFileName() const { return leftFileName_; }
  // The right picture as the correction and the colour matching make it.
  const tbitmap* rightImage() const { return rightImage_.get(); }
  const std::string& rightFileName() const { return rightFileName_; }
  std::int32_t rightOffsetX() const { return rightOffsetX_; }
  std::int32_t rightOffsetY() const { return rightOffsetY_; }
  const Correction& correction() const { return correction_; }
  // Set while the pair's position belongs to pictures other than its files
  // (a cut of one picture, an aligned picture written): no position file then.
  bool suppressPosWrite() const { return suppressPosWrite_; }
  const ExportSettings& settings() const { return settings_.exports; }
  int quality() const { return settings_.quality; }
  bool usePosFiles() const { return settings_.usePosFiles; }
  bool coloursMatched() const { return settings_.matchColours; }
  const tworkspacesettings& allSettings() const { return settings_; }

  // The pictures as read, whatever the corrections made of them.
  const tbitmap* leftSource() const { return leftSource_ ? leftSource_.get() : leftImage_.get(); }
  const tbitmap* rightSource() const { return rightSource_ ? rightSource_.get() : rightImage_.get(); }

  // The settings the pictures are composed, written and opened with; a
  // change of the colour matching resamples the right picture.
  void applySettings(const tworkspacesettings& s);

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
  Status openPair(const std::string& left, const std::string& right, Decoding decoding = Decoding::Together);
  // Two picture files (a stereo file among them gives its left view), or one
  // stereo file for both. Two files are decoded when a command needs their
  // pictures, so an export can stream them instead (nothing else is known of
  // them until then).
  Status openFiles(const std::string& left, const std::optional<std::string>& right,
                   Decoding decoding = Decoding::Together);
  // Two pictures made elsewhere, either of them possibly missing, at 0 0 with no files.
  void openPictures(std::unique_ptr<tbitmap> left, std::unique_ptr<tbitmap> right);
  // The two areas of one picture as the pair, at 0 0 with no files and no
  // position file to keep; the left area, its corners in order.
  tarea openCut(const tbitmap& source, tcut cut);
  // Where a stereo file's views open before they are read: its position
  // file's position when the pair keeps one, else 0 0.
  tposition openingPositionOf(const std::string& path, std::int32_t width) const;
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
  // The aligned position and the correction when asked for (align/align.h),
  // found and left for the caller.
  Result<Alignment> findAlignment(Correcting correcting = Correcting::Corrected);
  // Found and made the pair's.
  Result<Alignment> align(Correcting correcting = Correcting::Corrected);
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
  // Both aligned pictures as one MPO or JPS.
  Status exportStereo(const std::string& name, StereoTarget target = StereoTarget::Camera);
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
  std::int32_t libraryCount() const { return libraryCount_; }
  const tlibraryentry* libraryEntries() const { return libraryEntries_.get(); }
  // The pairs of dir listed anew; false when it has none.
  bool scanLibrary(const std::string& dir);
  void releaseLibrary() { libraryEntries_.reset(); }
  // One of the library's entries with its thumbnail, read from path the
  // first time it is asked for.
  const tlibraryentry& thumbnailed(const tlibraryentry& entry, const std::string& path);
  // The pair step places from the open one in the folder of its left file,
  // in the library's order, named by path; none past either end or when no
  // pair is open.
  std::optional<tlibrarypair> neighbourPair(int step) const;

 private:
  std::unique_ptr<tbitmap> leftImage_;
  std::string leftFileName_;
  std::unique_ptr<tbitmap> rightImage_;
  std::string rightFileName_;
  std::int32_t rightOffsetX_ = 0;
  std::int32_t rightOffsetY_ = 0;
  Correction correction_;
  bool suppressPosWrite_ = false;
  tworkspacesettings settings_;
  std::int32_t libraryCount_ = 0;
  std::unique_ptr<tlibraryentry> libraryEntries_;
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
  Decoding decoding_ = Decoding::Together;
  void refreshRight();
  // A new left picture: as read, the pair as its files open.
  void newLeft();
  void readPosition();
  void adoptWritten(ExportKind kind, const std::string& name);
  // The export of kind streamed from the undecoded files: nullopt where it cannot be.
  std::optional<Status> streamExport(ExportKind kind, const std::string& name);
};
