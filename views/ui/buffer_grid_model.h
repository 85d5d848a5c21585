#pragma once
// The table behind a buffer viewer's grid. A fill takes a copy of the image
// (the grid shows the image as it was at the fill, until the next fill); cell
// texts are formatted only when the view asks for them. Until the first fill
// the data cells are empty.

#include <QAbstractTableModel>
#include <cstdint>
#include <span>
#include <vector>

#include "views/grid_texts.h"

namespace tamro {

class BufferGridModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum class Kind { Program, Eeprom };

    BufferGridModel(Kind kind, int dataRows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Writes every data cell from `bytes` (ProgramImage or EepromImage), with
    // as many rows as they fill.
    void Fill(std::span<const std::uint8_t> bytes);
    // Back to the empty table of a newly opened window.
    void Clear();
    bool Filled() const { return filled_; }

    // The text of data cell (row, column), empty before a fill; column
    // kAsciiColumn is the row as ASCII text.
    std::string CellText(int row, int column) const;
    // The cells as text, a line per row: the row label, ":", and the cells'
    // texts in column order ("   10  00020: 1234 5678").
    QString SelectionText(const QModelIndexList& cells) const;

  private:
    Kind kind_;
    int dataRows_;
    bool filled_ = false;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace tamro
