#include "ui/tmyapp.h"

#include <memory>
#include <utility>

#include "ui/resources.h"

tmyapp::tmyapp(Backend& backend) : TApplication("", binoxaResources(), backend) {}

void tmyapp::createMainWindow() {
  auto client = std::make_unique<tmywindow>();
  const bool fit = client->fitToWindow, match = client->workspace().coloursMatched();
  auto place = client->savedPlacement();
  setMainWindow(std::make_unique<TFrameWindow>(nullptr, "Binoxa", std::move(client)));
  TFrameWindow* frame = mainWindow();
  frame->assignMenu(1);
  frame->getMenu().checkMenuItem(CM_FITWINDOW, fit);
  frame->getMenu().checkMenuItem(CM_MATCHCOLOURS, match);
  frame->setAcceleratorTable(1);
  frame->setIcon(1);
  frame->setSavedPlacement(std::move(place));
}

tmywindow* tmyapp::window() const {
  TFrameWindow* frame = mainWindow();
  return frame ? static_cast<tmywindow*>(frame->client()) : nullptr;
}
