#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "shell/ui/layout_dialog.h"

namespace velmora::testing {

// Answers a dialog's questions from a script and keeps what was asked, so that no real message
// box ever opens in a test. Unscripted questions are answered No (or Cancel).
class ScriptedQuestions {
 public:
  struct Question {
    std::string text;
    MessageButtons buttons;
    MessageIcon icon;
  };

  DialogHooks Hooks() {
    return {[this](const std::string& text, MessageButtons buttons, MessageIcon icon) {
              asked.push_back({text, buttons, icon});
              if (answers.empty()) {
                return buttons == MessageButtons::kOk ? MessageAnswer::kOk : MessageAnswer::kNo;
              }
              const MessageAnswer a = answers.front();
              answers.pop_front();
              return a;
            },
            [this] { ++beeps; }};
  }

  std::deque<MessageAnswer> answers;
  std::vector<Question> asked;
  int beeps = 0;
};

inline QLineEdit* EditOf(const LayoutDialog& d, int id) {
  return qobject_cast<QLineEdit*>(d.Control(id));
}
inline QComboBox* ComboOf(const LayoutDialog& d, int id) {
  return qobject_cast<QComboBox*>(d.Control(id));
}
inline QAbstractButton* ButtonOf(const LayoutDialog& d, int id) {
  return qobject_cast<QAbstractButton*>(d.Control(id));
}
inline QCheckBox* CheckOf(const LayoutDialog& d, int id) {
  return qobject_cast<QCheckBox*>(d.Control(id));
}
inline QSlider* SliderOf(const LayoutDialog& d, int id) {
  return qobject_cast<QSlider*>(d.Control(id));
}

// Replaces a field's text by typing, as a user does.
inline void Type(QLineEdit* edit, const QString& text) {
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

// Clicks a button with the mouse: push buttons in their middle, check boxes and radio buttons on
// their indicator (a wide one's middle may lie beyond its text, where a click does nothing).
inline void Click(QAbstractButton* button) {
  ASSERT_NE(button, nullptr);
  if (qobject_cast<QPushButton*>(button) != nullptr) {
    QTest::mouseClick(button, Qt::LeftButton);
  } else {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  }
}

// Picks an entry of a drop-down list with the keyboard, which reports it as the user's choice.
inline void Choose(QComboBox* combo, int index) {
  ASSERT_NE(combo, nullptr);
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Home);
  for (int i = 0; i < index; ++i) QTest::keyClick(combo, Qt::Key_Down);
  ASSERT_EQ(combo->currentIndex(), index);
}

// Clicks a button from the event loop, after the caller has returned: a click that opens another
// modal window must not run inside a ModalScript step.
inline void PostClick(QAbstractButton* button) {
  ASSERT_NE(button, nullptr);
  QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
}

// Drives the modal windows a Run function opens, one step at a time: each step gets the active
// modal widget and returns true once it has done its part (false: not there yet, try again). Runs
// from the event loop that the modal windows' exec() spins; steps post their clicks (PostClick).
class ModalScript {
 public:
  using Step = std::function<bool(QWidget* modal)>;

  explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    timer_.start(10);
  }

  bool Finished() const { return next_ == steps_.size(); }

 private:
  void Tick() {
    if (running_) return;
    if (Finished() || ++ticks_ > 1000) {
      // Done, or stuck: never leave a modal window waiting for a hand that will not come.
      if (!Finished()) {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->done(0);
      }
      return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    running_ = true;
    const bool done = steps_[next_](modal);
    running_ = false;
    if (done) ++next_;
  }

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  int ticks_ = 0;
  bool running_ = false;
  QTimer timer_;
};

}  // namespace velmora::testing
