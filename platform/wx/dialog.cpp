// Modal dialogs built from the templates, with a peer over their wx controls.
#include <algorithm>
#include <map>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "platform/dialog.h"
#include "platform/wx/wxhost.h"

namespace {

class WxPeer : public DialogPeer {
 public:
  void add(int id, wxWindow* w) { controls_[id] = w; }

  std::string getText(int id) override {
    if (auto* edit = as<wxTextCtrl>(id)) return fromWx(edit->GetValue());
    if (auto* choice = as<wxChoice>(id)) return fromWx(choice->GetStringSelection());
    // Labels keep their '&', as a static's window text does.
    if (wxWindow* w = find(id)) return fromWx(w->GetLabel());
    return {};
  }
  void setText(int id, const std::string& text) override {
    if (auto* edit = as<wxTextCtrl>(id))
      edit->ChangeValue(toWx(text));
    else if (auto* choice = as<wxChoice>(id))
      choice->SetStringSelection(toWx(text));
    else if (wxWindow* w = find(id))
      w->SetLabel(toWx(text));
  }
  bool getCheck(int id) override {
    auto* box = as<wxCheckBox>(id);
    return box && box->GetValue();
  }
  void setCheck(int id, bool checked) override {
    if (auto* box = as<wxCheckBox>(id)) box->SetValue(checked);
  }
  void setTextLimit(int id, std::size_t maxChars) override {
    if (auto* edit = as<wxTextCtrl>(id)) edit->SetMaxLength(static_cast<unsigned long>(maxChars));
  }

 private:
  wxWindow* find(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
  }
  template <class T>
  T* as(int id) const {
    return dynamic_cast<T*>(find(id));
  }
  std::map<int, wxWindow*> controls_;
};

// Template ids are small numbers, so they serve as wx ids, except -1 (no id).
wxWindowID wxIdOf(int id) { return id == -1 ? wxID_ANY : id; }

}  // namespace

int runWxDialog(TDialog& dialog, wxWindow* parent) {
  const DialogTemplate& t = dialog.dialogTemplate();
  wxDialog dlg(parent, wxID_ANY, toWx(t.caption));
  WxPeer peer;
  const wxSize margin = dlg.ConvertDialogToPixels(wxSize(4, 4));
  wxSize extent = dlg.ConvertDialogToPixels(wxSize(t.cx, t.cy));
  // Creation order is the tab order, as the template's order is on Windows.
  for (const ControlTemplate& c : t.controls) {
    const wxPoint pos = dlg.ConvertDialogToPixels(wxPoint(c.x, c.y));
    // A drop-down list's template height is that of its opened list, as on
    // Windows; closed, it takes the toolkit's height (below).
    const bool list = c.kind == ControlKind::DropDownList;
    const wxSize size = dlg.ConvertDialogToPixels(wxSize(c.cx, list ? 0 : c.cy));
    const wxWindowID id = wxIdOf(c.id);
    const wxString text = toWx(c.text);
    wxWindow* w = nullptr;
    switch (c.kind) {
      case ControlKind::Static:
        w = new wxStaticText(&dlg, id, text, pos, size);
        break;
      case ControlKind::GroupBox:
        w = new wxStaticBox(&dlg, id, text, pos, size);
        break;
      case ControlKind::Edit:
        w = new wxTextCtrl(&dlg, id, text, pos, size);
        break;
      case ControlKind::AutoCheckBox:
        w = new wxCheckBox(&dlg, id, text, pos, size);
        break;
      case ControlKind::DropDownList: {
        auto* choice = new wxChoice(&dlg, id, pos, size, wxSplit(text, '\n', '\0'));
        choice->SetSelection(0);
        w = choice;
        break;
      }
      case ControlKind::PushButton:
      case ControlKind::DefPushButton: {
        auto* button = new wxButton(&dlg, id, text, pos, size);
        if (c.kind == ControlKind::DefPushButton) button->SetDefault();
        const int command = c.id;
        button->Bind(wxEVT_BUTTON, [&dlg, &dialog, command](wxCommandEvent&) {
          // A refused OK keeps the dialog open with the fields as they are.
          if (command == IDOK && !dialog.canClose()) return;
          dlg.EndModal(command == IDOK ? IDOK : IDCANCEL);
        });
        w = button;
        break;
      }
    }
    // The platform's font is wider than the one the template was laid out
    // for: labels get at least their natural size instead of being cut.
    if (c.kind != ControlKind::Edit && c.kind != ControlKind::GroupBox) {
      const wxSize best = w->GetBestSize();
      w->SetSize(std::max(size.x, best.x), std::max(size.y, best.y));
    }
    const wxRect r = w->GetRect();
    extent.x = std::max(extent.x, r.GetRight() + margin.x);
    extent.y = std::max(extent.y, r.GetBottom() + margin.y);
    if (c.id != -1) peer.add(c.id, w);
  }
  // Escape and the window manager's close cancel, with or without a Cancel
  // button, as in a Windows dialog.
  dlg.Bind(wxEVT_CHAR_HOOK, [&dlg](wxKeyEvent& e) {
    if (e.GetKeyCode() == WXK_ESCAPE)
      dlg.EndModal(IDCANCEL);
    else
      e.Skip();
  });
  dlg.Bind(wxEVT_CLOSE_WINDOW, [&dlg](wxCloseEvent&) { dlg.EndModal(IDCANCEL); });
  dlg.SetClientSize(extent);
  dlg.CentreOnScreen();

  dialog.attach(&peer);
  const int result = dlg.ShowModal();
  dialog.detach();
  return result == IDOK ? IDOK : IDCANCEL;
}
