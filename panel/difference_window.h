#pragma once
// The list of differences a verify found (VERIFY or the verify inside WRITE):
// region, address, file value and chip value, the first thousand rows, with
// the whole count above them.

#include <QAbstractTableModel>
#include <QDialog>
#include <vector>

#include "programming/chip_regions.h"

class QLabel;
class QTableView;

namespace tamro {

class DifferenceModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // Rows beyond this many are counted but not listed.
    static constexpr int kMaxRows = 1000;

    explicit DifferenceModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    void SetDifferences(std::vector<Difference> differences);
    int TotalCount() const { return static_cast<int>(differences_.size()); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    std::vector<Difference> differences_;
};

class DifferenceWindow : public QDialog {
    Q_OBJECT

  public:
    explicit DifferenceWindow(QWidget* parent = nullptr);
    // Fills the list anew and shows the window in front.
    void ShowDifferences(const std::vector<Difference>& differences);
    const DifferenceModel& model() const { return *model_; }

  private:
    DifferenceModel* model_;
    QLabel* count_;
    QTableView* table_;
};

}  // namespace tamro
