#pragma once
// Answers to the dialogs a program shows on the headless back end, queued per
// dialog template, and the checks made on their controls meanwhile: how the
// scenario runner and the window tests drive dialogs. Each check and each
// dialog left unanswered is an outcome of the back end's record, in order.
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/headless/headless.h"

class DialogScript {
 public:
  struct Action {
    enum Kind { Set, Check, ExpectText, ExpectCheck, Ok, Cancel } kind;
    int control = 0;
    std::string text;      // Set, ExpectText
    bool checked = false;  // Check, ExpectCheck
    std::string where;     // file:line of the step, for failure reports
  };

  explicit DialogScript(HeadlessBackend& backend) : outcomes_(backend.outcomes) {
    backend.answerDialogs([this](TDialog& dialog, HeadlessDialog& peer) { return run(dialog, peer); });
  }
  void queue(int templateId, Action action) { actions_[templateId].push_back(std::move(action)); }

 private:
  static std::string quoted(const std::string& s) { return "\"" + s + "\""; }
  int run(TDialog& dialog, HeadlessDialog& peer) {
    const int id = dialog.dialogTemplate().id;
    const std::string name = "dialog " + std::to_string(id);
    std::deque<Action>& pending = actions_[id];
    if (pending.empty()) {
      outcomes_.push_back({false, "", name + " shown with no queued answer"});
      return IDCANCEL;
    }
    int result = 0;
    std::string lastWhere;
    while (result == 0 && !pending.empty()) {
      const Action a = std::move(pending.front());
      pending.pop_front();
      lastWhere = a.where;
      const std::string control = name + " control " + std::to_string(a.control);
      const bool needsControl = a.kind != Action::Ok && a.kind != Action::Cancel;
      if (needsControl && !peer.has(a.control)) {
        outcomes_.push_back({false, a.where, name + " has no control " + std::to_string(a.control)});
        continue;
      }
      switch (a.kind) {
        case Action::Set:
          peer.type(a.control, a.text);
          break;
        case Action::Check:
          peer.setCheck(a.control, a.checked);
          break;
        case Action::ExpectText: {
          const std::string seen = peer.getText(a.control);
          outcomes_.push_back(
              {seen == a.text, a.where, control + ": expected " + quoted(a.text) + ", saw " + quoted(seen)});
          break;
        }
        case Action::ExpectCheck: {
          const bool seen = peer.getCheck(a.control);
          outcomes_.push_back(
              {seen == a.checked, a.where,
               control + ": expected check " + std::to_string(a.checked) + ", saw " + std::to_string(seen)});
          break;
        }
        case Action::Ok:
          if (dialog.canClose()) result = IDOK;
          break;
        case Action::Cancel:
          result = IDCANCEL;
          break;
      }
    }
    if (result == 0) {
      outcomes_.push_back({false, lastWhere, name + " still open after its queued actions"});
      result = IDCANCEL;
    }
    return result;
  }

  std::vector<HeadlessBackend::Outcome>& outcomes_;
  std::map<int, std::deque<Action>> actions_;
};
