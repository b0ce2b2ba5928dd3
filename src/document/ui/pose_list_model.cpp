#include "document/ui/pose_list_model.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <algorithm>
#include <climits>
#include <optional>

#include "document/motion.h"
#include "shell/ui/widget_control_view.h"

namespace velmora {

namespace {

// A small warning triangle, drawn rather than taken from the style so that it looks the same
// everywhere and fits the narrow number column.
const QIcon& IssueIcon() {
  static const QIcon icon = [] {
    QPixmap pixmap(10, 10);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QColor(0x80, 0x30, 0x00));
    p.setBrush(QColor(0xFF, 0xB0, 0x00));
    p.drawPolygon(QPolygonF({QPointF(5, 0.5), QPointF(9.5, 9.5), QPointF(0.5, 9.5)}));
    p.setPen(QPen(Qt::black, 1.4));
    p.drawLine(QPointF(5, 3.5), QPointF(5, 6.5));
    p.drawPoint(QPointF(5, 8.2));
    p.end();
    return QIcon(pixmap);
  }();
  return icon;
}

}  // namespace

PoseListModel::PoseListModel(QObject* parent) : QAbstractTableModel(parent) {}

void PoseListModel::SetIssues(std::vector<std::string> reasons) {
  if (reasons == issues_) return;
  issues_ = std::move(reasons);
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
}

void PoseListModel::Reset(const Motion& motion) {
  beginResetModel();
  motion_ = &motion;
  rows_ = static_cast<int>(std::min<std::size_t>(motion.Size(), INT_MAX));
  cachedRow_ = -1;
  endResetModel();
}

void PoseListModel::RowChanged(std::size_t row) {
  if (row >= static_cast<std::size_t>(rows_)) return;
  if (cachedRow_ == static_cast<long>(row)) cachedRow_ = -1;
  const int r = static_cast<int>(row);
  emit dataChanged(index(r, 0), index(r, columnCount() - 1));
}

PoseRowTexts PoseListModel::Texts(std::size_t row) const {
  if (cachedRow_ >= 0 && static_cast<std::size_t>(cachedRow_) == row) return cachedTexts_;
  if (motion_ == nullptr || row >= static_cast<std::size_t>(rows_)) return {};
  const std::optional<Pose> pose = motion_->PoseAt(row);
  if (!pose) return {};
  ++formatted_;
  cachedRow_ = static_cast<long>(row);
  cachedTexts_ = RowTexts(*pose, row + 1);
  return cachedTexts_;
}

int PoseListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int PoseListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kPoseListColumns.size());
}

QVariant PoseListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_ || index.column() >= columnCount()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return ToQString(Texts(static_cast<std::size_t>(index.row()))[index.column()]);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::DecorationRole:
    case kIssueRole: {
      const auto row = static_cast<std::size_t>(index.row());
      if (row >= issues_.size() || issues_[row].empty()) return {};
      if (role == kIssueRole) return ToQString(issues_[row]);
      return index.column() == 0 ? QVariant(IssueIcon()) : QVariant();
    }
    default:
      return {};
  }
}

QVariant PoseListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) {
    return QString::fromUtf8(kPoseListColumns[static_cast<std::size_t>(section)].title);
  }
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
  }
  return {};
}

Qt::ItemFlags PoseListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace velmora
