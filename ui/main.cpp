// The program entry: the real window on the wx back end. No arguments used.
#include <cstdio>

#include "platform/wx/wxbackend.h"
#include "ui/tmyapp.h"

int main() {
  std::unique_ptr<Backend> wx = createWxBackend();
  if (!wx) {
    std::fputs("binoxa: cannot open the display\n", stderr);
    return 1;
  }
  setBackend(wx.get());
  int result = 0;
  {
    tmyapp app;
    result = app.run();
  }
  setBackend(nullptr);
  return result;
}
