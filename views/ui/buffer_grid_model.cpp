#include "views/ui/buffer_grid_model.h"

#include <map>

namespace tamro {

BufferGridModel::BufferGridModel(Kind kind, int dataRows, QObject* parent)
    : QAbstractTableModel(parent), kind_(kind), dataRows_(dataRows < 0 ? 0 : dataRows) {}

int BufferGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : dataRows_;
}

int BufferGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kGridColumns + 1;
}

std::string BufferGridModel::CellText(int row, int column) const {
    if (!filled_ || row < 0 || row >= dataRows_) return {};
    if (column == kAsciiColumn) {
        return AsciiText(bytes_, row, kind_ == Kind::Program ? 2 * kGridColumns : kGridColumns);
    }
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
    if (orientation == Qt::Horizontal) {
        return section == kAsciiColumn ? QStringLiteral("ASCII")
                                       : QString::fromStdString(GridHeaderText(section));
    }
    return QString::fromStdString(kind_ == Kind::Program
                                      ? ProgramRowLabel(section)
                                      : GridRowLabel(section, kEepromGridShape.labelWidth));
}

void BufferGridModel::Fill(std::span<const std::uint8_t> bytes) {
    // The rows follow the memory filled in: a device's whole flash or EEPROM.
    const int bytesPerRow = kind_ == Kind::Program ? 2 * kGridColumns : kGridColumns;
    const int rows = static_cast<int>(bytes.size()) / bytesPerRow;
    if (rows != dataRows_) {
        beginResetModel();
        dataRows_ = rows;
        bytes_.assign(bytes.begin(), bytes.end());
        filled_ = true;
        endResetModel();
        return;
    }
    bytes_.assign(bytes.begin(), bytes.end());
    filled_ = true;
    if (dataRows_ > 0) emit dataChanged(index(0, 0), index(dataRows_ - 1, kAsciiColumn));
}

QString BufferGridModel::SelectionText(const QModelIndexList& cells) const {
    std::map<int, std::map<int, std::string>> rows;
    for (const QModelIndex& cell : cells) {
        std::string text = CellText(cell.row(), cell.column());
        while (!text.empty() && text.back() == ' ') text.pop_back();
        rows[cell.row()][cell.column()] = text;
    }
    QString out;
    for (const auto& [row, columns] : rows) {
        out += headerData(row, Qt::Vertical).toString().trimmed() + ":";
        for (const auto& [column, text] : columns) out += " " + QString::fromStdString(text);
        out += "\n";
    }
    return out;
}

void BufferGridModel::Clear() {
    if (!filled_) return;
    filled_ = false;
    bytes_.clear();
    if (dataRows_ > 0) emit dataChanged(index(0, 0), index(dataRows_ - 1, kAsciiColumn));
}

}  // namespace tamro
