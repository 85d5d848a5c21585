#include "views/ui/buffer_grid_model.h"

namespace tamro {

BufferGridModel::BufferGridModel(Kind kind, int dataRows, QObject* parent)
    : QAbstractTableModel(parent), kind_(kind), dataRows_(dataRows < 0 ? 0 : dataRows) {}

int BufferGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : dataRows_;
}

int BufferGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kGridColumns;
}

std::string BufferGridModel::CellText(int row, int column) const {
    if (!filled_ || row < 0 || row >= dataRows_) return {};
    return kind_ == Kind::Program ? ProgramCellText(bytes_, row, column)
                                  : EepromCellText(bytes_, row, column);
}

QVariant BufferGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    if (!filled_) return {};
    return QString::fromStdString(CellText(index.row(), index.column()));
}

QVariant BufferGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return QString::fromStdString(GridHeaderText(section));
    const int labelWidth =
        kind_ == Kind::Program ? kProgramGridShape.labelWidth : kEepromGridShape.labelWidth;
    return QString::fromStdString(GridRowLabel(section, labelWidth));
}

void BufferGridModel::Fill(std::span<const std::uint8_t> bytes) {
    bytes_.assign(bytes.begin(), bytes.end());
    filled_ = true;
    if (dataRows_ > 0) emit dataChanged(index(0, 0), index(dataRows_ - 1, kGridColumns - 1));
}

void BufferGridModel::Clear() {
    if (!filled_) return;
    filled_ = false;
    bytes_.clear();
    if (dataRows_ > 0) emit dataChanged(index(0, 0), index(dataRows_ - 1, kGridColumns - 1));
}

}  // namespace tamro
