// Files dropped on the window, or named on the command line.
#include <algorithm>

#include "image/picture.h"
#include "platform/casefold.h"
#include "platform/files.h"
#include "ui/tmywindow.h"

namespace {

bool holdsBothViews(const std::string& path) {
  auto file = PictureFile::open(path);
  return file && file->header().views > 1;
}

}  // namespace

void tmywindow::evDropFiles(const std::vector<std::string>& paths) {
  if (paths.size() == 1 && isDirectory(paths[0])) {
    if (!setCurrentDirectory(paths[0])) {
      messageBox("Cannot open the folder " + paths[0], "Error");
      return;
    }
    cmSelectLibrary();
    return;
  }
  const bool allFiles = std::none_of(paths.begin(), paths.end(), isDirectory);
  if (!allFiles || paths.empty() || paths.size() > 2) {
    messageBeep(0);
    return;
  }
  if (paths.size() == 1) {
    if (holdsBothViews(paths[0])) {
      storePosition();
      openStereo(paths[0]);
    } else if (ws_.leftImage())
      openRight(paths[0]);
    else
      openLeft(paths[0]);
    return;
  }
  std::vector<std::string> pair = paths;
  std::sort(pair.begin(), pair.end(), [](const std::string& a, const std::string& b) {
    return lowerAscii(fileNameOf(a)) < lowerAscii(fileNameOf(b));
  });
  if (openLeft(pair[0])) openRight(pair[1]);
}
