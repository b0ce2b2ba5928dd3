#include "shell/ui/motion_check_window.h"

#include <QListWidget>
#include <QVBoxLayout>
#include <utility>

#include "base/string_table.h"
#include "shell/ui/widget_control_view.h"

namespace velmora {

namespace {

constexpr int kMotionCheckTitle = 41205;

}  // namespace

MotionCheckWindow::MotionCheckWindow(const QFont& font, std::function<void(std::size_t)> goToPose,
                                     QWidget* parent)
    : QDialog(parent, Qt::Tool) {
  setObjectName(QStringLiteral("motionCheck"));
  setWindowTitle(ToQString(LoadText(kMotionCheckTitle)));
  setModal(false);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("motionCheckList"));
  list_->setFont(font);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(list_);
  resize(420, 220);
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this, goTo = std::move(goToPose)](QListWidgetItem* item) {
            const int row = list_->row(item);
            if (row < 0 || static_cast<std::size_t>(row) >= lines_.size()) return;
            if (lines_[static_cast<std::size_t>(row)].pose && goTo) {
              goTo(*lines_[static_cast<std::size_t>(row)].pose);
            }
          });
}

void MotionCheckWindow::SetLines(const std::vector<CheckLine>& lines) {
  const int keep = list_->currentRow();
  lines_ = lines;
  list_->clear();
  for (const CheckLine& line : lines_) list_->addItem(ToQString(line.text));
  if (keep >= 0 && keep < list_->count()) list_->setCurrentRow(keep);
}

}  // namespace velmora
