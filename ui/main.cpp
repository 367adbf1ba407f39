// The program entry: the real window on the wx back end. Files named as
// arguments open as files dropped on the window do.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/files.h"

#include "platform/wx/wxbackend.h"
#include "ui/tmyapp.h"

int main(int argc, char** argv) {
  std::unique_ptr<Backend> wx = createWxBackend();
  if (!wx) {
    std::fputs("binoxa: cannot open the display\n", stderr);
    return 1;
  }
  tmyapp app(*wx);
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) files.push_back(absolutePath(argv[i]));
  app.setStartFiles(std::move(files));
  return app.run();
}
