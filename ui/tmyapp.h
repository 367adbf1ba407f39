#pragma once
#include "platform/window.h"
#include "ui/tmywindow.h"

class tmyapp : public TApplication {
 public:
  explicit tmyapp(Backend& backend);
  // tmywindow (reads the settings), then the frame "Binoxa" with menu 1,
  // accelerator table 1 and icon 1.
  void createMainWindow() override;
  // The client window while the main window lives, else nullptr.
  tmywindow* window() const;
};
