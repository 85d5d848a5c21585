#include "panel/difference_window.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "common/number_text.h"

namespace tamro {
namespace {

enum Column { kRegion, kAddress, kFileValue, kChipValue, kColumns };

QString ByteText(std::uint8_t value) {
    return QString::fromStdString(HexByte2(value)) + "h";
}

}  // namespace

void DifferenceModel::SetDifferences(std::vector<Difference> differences) {
    beginResetModel();
    differences_ = std::move(differences);
    endResetModel();
}

int DifferenceModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return std::min(TotalCount(), kMaxRows);
}

int DifferenceModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant DifferenceModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    const Difference& difference = differences_[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
        case kRegion:
            return QString(RegionName(difference.region));
        case kAddress:
            return QString::fromStdString(ChipAddressText(difference.address));
        case kFileValue:
            return ByteText(difference.fileValue);
        case kChipValue:
            return ByteText(difference.chipValue);
        default:
            return {};
    }
}

QVariant DifferenceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    static const char* const kTitles[kColumns] = {"Region", "Address", "File", "Chip"};
    return section >= 0 && section < kColumns ? QVariant(kTitles[section]) : QVariant();
}

DifferenceWindow::DifferenceWindow(QWidget* parent)
    : QDialog(parent), model_(new DifferenceModel(this)) {
    setObjectName("DifferenceWindow");
    setWindowTitle("Differences");
    count_ = new QLabel(this);
    count_->setObjectName("DifferenceCount");
    table_ = new QTableView(this);
    table_->setObjectName("DifferenceList");
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(count_);
    layout->addWidget(table_);
    resize(420, 360);
}

void DifferenceWindow::ShowDifferences(const std::vector<Difference>& differences) {
    model_->SetDifferences(differences);
    const int total = model_->TotalCount();
    QString text = total == 1 ? QString("1 difference") : QString("%1 differences").arg(total);
    if (total > DifferenceModel::kMaxRows) {
        text += QString(", the first %1 listed").arg(DifferenceModel::kMaxRows);
    }
    count_->setText(text);
    show();
    raise();
    activateWindow();
}

}  // namespace tamro
