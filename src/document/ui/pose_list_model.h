#pragma once

#include <QAbstractTableModel>
#include <cstddef>
#include <string>
#include <vector>

#include "document/pose_row_text.h"

namespace velmora {

class Motion;

// The PoseList's rows as a table model over the Motion. Nothing is stored per row: a row's texts
// are formatted from its Pose when a view asks for them, so a Motion of 100,000 Poses costs no
// more to show than the rows on screen. The row count is the one of the last Reset, so that a
// worker thread adding Poses meanwhile changes nothing the view relies on until the UI thread
// resets the model again.
class PoseListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit PoseListModel(QObject* parent = nullptr);

  // Shows `motion` with as many rows as it has Poses now. `motion` outlives the model's use.
  void Reset(const Motion& motion);
  // The texts of `row` changed.
  void RowChanged(std::size_t row);

  // The motion check's reasons per row (empty: nothing found). A flagged row shows a warning
  // icon in its first column, and its reasons as the tip of the whole row (kIssueRole).
  void SetIssues(std::vector<std::string> reasons);
  static constexpr int kIssueRole = Qt::UserRole + 1;

  // The texts of a row as the list shows them; empty texts for a row the Motion no longer has.
  PoseRowTexts Texts(std::size_t row) const;

  // How many times a row was formatted (tells a test that the model formats on demand only).
  std::size_t FormattedRows() const { return formatted_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const Motion* motion_ = nullptr;
  std::vector<std::string> issues_;
  int rows_ = 0;
  // A view asks for the four columns of a row, and for several roles of each, one after another;
  // the last formatted row is kept for those calls.
  mutable long cachedRow_ = -1;
  mutable PoseRowTexts cachedTexts_;
  mutable std::size_t formatted_ = 0;
};

}  // namespace velmora
