#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "base/control_view.h"

namespace velmora::testing {

// A ControlView over plain maps, for driving panes and dialogs without a window. Questions are
// answered from a script; every question asked is kept for the test to check.
class MapView : public ControlView {
 public:
  struct Control {
    std::string text;
    CheckState check = CheckState::kUnchecked;
    std::vector<std::string> items;
    int selection = -1;
    int low = 0, high = 0, position = 0;
    bool enabled = true;
  };
  struct Question {
    std::string text;
    MessageButtons buttons;
    MessageIcon icon;
  };

  void SetText(int id, const std::string& text) override { controls[id].text = text; }
  std::string Text(int id) const override { return Find(id).text; }
  void SetCheck(int id, CheckState state) override { controls[id].check = state; }
  CheckState Check(int id) const override { return Find(id).check; }
  void SetItems(int id, const std::vector<std::string>& items) override {
    controls[id].items = items;
    controls[id].selection = -1;
  }
  void SetSelection(int id, int index) override { controls[id].selection = index; }
  int Selection(int id) const override { return Find(id).selection; }
  void SetRange(int id, int low, int high) override {
    controls[id].low = low;
    controls[id].high = high;
  }
  void SetPosition(int id, int position) override { controls[id].position = position; }
  int Position(int id) const override { return Find(id).position; }
  void Enable(int id, bool enabled) override { controls[id].enabled = enabled; }
  bool IsEnabled(int id) const override { return Find(id).enabled; }

  MessageAnswer Ask(const std::string& text, MessageButtons buttons, MessageIcon icon) override {
    questions.push_back({text, buttons, icon});
    if (answers.empty()) return buttons == MessageButtons::kOk ? MessageAnswer::kOk : MessageAnswer::kCancel;
    const MessageAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  void Beep() override { ++beeps; }

  std::map<int, Control> controls;
  std::deque<MessageAnswer> answers;  // scripted answers, in order
  std::vector<Question> questions;
  int beeps = 0;

 private:
  const Control& Find(int id) const {
    static const Control kMissing;
    auto it = controls.find(id);
    return it == controls.end() ? kMissing : it->second;
  }
};

}  // namespace velmora::testing
