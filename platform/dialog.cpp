#include "platform/dialog.h"

#include <cassert>

#include "platform/backend.h"
#include "platform/files.h"

TControl::TControl(TDialog* parent, int id) : dialog_(parent), id_(id) {}

DialogPeer& TControl::peer() const {
  assert(dialog_ && dialog_->peer_ && "controls are used while their dialog runs");
  return *dialog_->peer_;
}

TEdit::TEdit(TDialog* parent, int id, std::size_t textLen) : TControl(parent, id), textLen_(textLen) {
  if (parent) parent->edits_.push_back(this);
}

std::string TEdit::getText(std::size_t bufferSize) const {
  if (bufferSize == 0) return {};
  std::string text = peer().getText(id_);
  if (text.size() > bufferSize - 1) text.resize(bufferSize - 1);
  return text;
}

void TEdit::setText(const std::string& text) { peer().setText(id_, text); }

TCheckBox::TCheckBox(TDialog* parent, int id) : TControl(parent, id) {}

bool TCheckBox::getCheck() const { return peer().getCheck(id_); }

void TCheckBox::setCheck(bool checked) { peer().setCheck(id_, checked); }

TComboBox::TComboBox(TDialog* parent, int id) : TControl(parent, id) {}

std::string TComboBox::getSelection() const { return peer().getText(id_); }

void TComboBox::setSelection(const std::string& item) { peer().setText(id_, item); }

TDialog::TDialog(TWindow* parent, int resId) : TWindow(parent) {
  TApplication* app = currentApplication();
  assert(app && "dialogs are built during a run");
  template_ = app->module().dialog(resId);
  assert(template_ && "dialog template exists");
}

void TDialog::setupWindow() {}

int TDialog::execute() { return backend().runModal(*this); }

void TDialog::attach(DialogPeer* peer) {
  peer_ = peer;
  for (const TEdit* e : edits_)
    if (e->textLen() > 0) peer_->setTextLimit(e->id(), e->textLen() - 1);
  setupWindow();
}

int TFileDialog::run(bool save) {
  const auto path =
      backend().chooseFile(save ? FileDialogKind::Save : FileDialogKind::Open, filter_, parent_);
  if (!path) return IDCANCEL;
  fileName_ = *path;
  setCurrentDirectory(directoryOf(*path));
  return IDOK;
}
