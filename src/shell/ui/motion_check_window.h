#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "link/motion_check.h"

class QListWidget;

namespace velmora {

// The small window of the motion check (モーションの検査): one line per flagged Pose with its
// reasons. It stays open beside the main window and follows every edit; a double-click on a line
// selects that Pose.
class MotionCheckWindow : public QDialog {
  Q_OBJECT

 public:
  MotionCheckWindow(const QFont& font, std::function<void(std::size_t pose)> goToPose,
                    QWidget* parent = nullptr);

  void SetLines(const std::vector<CheckLine>& lines);
  QListWidget* List() const { return list_; }

 private:
  QListWidget* list_ = nullptr;
  std::vector<CheckLine> lines_;
};

}  // namespace velmora
