#pragma once
// Modal dialogs built from templates, and their edit, check-box and
// drop-down list controls.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/resources.h"
#include "platform/window.h"

// The live controls of a dialog while it runs, provided by the back end.
class DialogPeer {
 public:
  virtual ~DialogPeer() = default;
  // A drop-down list's text is its chosen item; setting a text that is none
  // of its items changes nothing.
  virtual std::string getText(int id) = 0;
  virtual void setText(int id, const std::string& text) = 0;
  virtual bool getCheck(int id) = 0;
  virtual void setCheck(int id, bool checked) = 0;
  // at most maxChars characters can be typed; 0: no limit
  virtual void setTextLimit(int id, std::size_t maxChars) = 0;
};

class TDialog;

class TControl {
 public:
  TControl(TDialog* parent, int id);
  int id() const { return id_; }

 protected:
  DialogPeer& peer() const;
  TDialog* dialog_;
  int id_;
};

class TEdit : public TControl {
 public:
  // textLen counts the terminator, as the framework's does: textLen 10 lets
  // 9 characters be typed. 0: no limit.
  TEdit(TDialog* parent, int id, std::size_t textLen = 0);
  // At most bufferSize - 1 characters of the text, as GetWindowTextA gives.
  std::string getText(std::size_t bufferSize) const;
  void setText(const std::string& text);
  std::size_t textLen() const { return textLen_; }

 private:
  std::size_t textLen_;
};

class TCheckBox : public TControl {
 public:
  TCheckBox(TDialog* parent, int id);
  bool getCheck() const;
  void setCheck(bool checked);
};

// A drop-down list of the template's items.
class TComboBox : public TControl {
 public:
  TComboBox(TDialog* parent, int id);
  std::string getSelection() const;
  void setSelection(const std::string& item);
};

class TDialog : public TWindow {
 public:
  TDialog(TWindow* parent, int resId);

  // Runs once the controls exist, before the dialog is shown.
  virtual void setupWindow();

  // Modal run: OK asks canClose, and false keeps the dialog open. IDOK when
  // closed with OK, IDCANCEL when cancelled (Cancel button or Escape).
  int execute();
  const DialogTemplate& dialogTemplate() const { return *template_; }

  // --- for back ends ---
  // The controls exist: applies the controls' text limits, then setupWindow.
  void attach(DialogPeer* peer);
  void detach() { peer_ = nullptr; }
  DialogPeer* peer() const { return peer_; }

 private:
  friend class TControl;
  friend class TEdit;  // registers itself for the text limits
  const DialogTemplate* template_;
  DialogPeer* peer_ = nullptr;
  std::vector<TEdit*> edits_;
};

// Common file dialogs. Confirming a file makes its folder the process's
// current directory.
class TFileDialog {
 public:
  // filter: "Description|pattern", e.g. "Bitmap Files|*.BMP"
  TFileDialog(TWindow* parent, std::string filter) : parent_(parent), filter_(std::move(filter)) {}
  const std::string& fileName() const { return fileName_; }  // absolute path

 protected:
  int run(bool save);

 private:
  TWindow* parent_;
  std::string filter_;
  std::string fileName_;
};

class TFileOpenDialog : public TFileDialog {
 public:
  using TFileDialog::TFileDialog;
  int execute() { return run(false); }
};

class TFileSaveDialog : public TFileDialog {
 public:
  using TFileDialog::TFileDialog;
  int execute() { return run(true); }
};
