#pragma once
// The buffer viewer windows DATAVIEW ("Data buffer", ProgramImage as words) and
// EEVIEW ("EEPROM Data buffer", EepromImage as bytes), and BufferViewers, which
// keeps each of them single.
//
// Closing a viewer (EXITButton, Esc or the close box) hides it and empties its
// table, so the next opening shows data only after a fill. Each grid has an
// ASCII column after its 16 data columns, and copies the cells selected in it
// as text (Ctrl+C, or Copy in its menu).

#include <QPointer>
#include <QWidget>

#include "images/images.h"
#include "views/ui/buffer_grid_model.h"

class QPushButton;
class QTableView;

namespace tamro {

inline const QString kDataviewCaption = QStringLiteral("Data buffer");
inline const QString kEeviewCaption = QStringLiteral("EEPROM Data buffer");

class DATAVIEW final : public QWidget {
    Q_OBJECT
  public:
    explicit DATAVIEW(int programSizeWords = kProgramWords, QWidget* parent = nullptr);

    BufferGridModel& Model() { return *model_; }
    QTableView* DataGrid1 = nullptr;
    QPushButton* EXITButton = nullptr;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void EXITButton_Click();
    BufferGridModel* model_;
};

class EEVIEW final : public QWidget {
    Q_OBJECT
  public:
    explicit EEVIEW(QWidget* parent = nullptr);

    BufferGridModel& Model() { return *model_; }
    QTableView* DataGrid1 = nullptr;
    QPushButton* EXITButton = nullptr;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    BufferGridModel* model_;
};

// Owns the two viewers as modeless windows over `mainWindow` (which may be
// null), creating each once.
class BufferViewers {
  public:
    explicit BufferViewers(QWidget* mainWindow = nullptr, int programSizeWords = kProgramWords);
    ~BufferViewers();
    BufferViewers(const BufferViewers&) = delete;
    BufferViewers& operator=(const BufferViewers&) = delete;

    // The program viewer, created hidden when it does not exist yet.
    DATAVIEW& ProgramView();
    bool ProgramViewVisible() const;
    // Shows DATAVIEW modeless and brings it to the front.
    void ShowProgramView();
    // Program grid fill: every data cell from ProgramImage.
    void FillProgramGrid(const Images& images);

    EEVIEW& EepromView();
    void ShowEepromView();
    // EEPROM grid fill: the 256 data cells as READ_EEPROM last read them.
    void FillEepromGrid(const Images& images);

  private:
    QWidget* mainWindow_;
    int programSizeWords_;
    QPointer<DATAVIEW> dataview_;
    QPointer<EEVIEW> eeview_;
};

}  // namespace tamro
