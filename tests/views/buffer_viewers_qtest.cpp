#include <QAction>
#include <QClipboard>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "views/ui/buffer_viewers.h"

using namespace tamro;

class BufferViewersTest : public QObject {
    Q_OBJECT
  private slots:
    void ProgramViewerOpensEmptyAndFillsFromTheImage() {
        Images images;
        images.program.fill(0xFF);
        BufferViewers viewers;
        DATAVIEW& view = viewers.ProgramView();
        QCOMPARE(view.windowTitle(), QStringLiteral("Data buffer"));
        QCOMPARE(view.EXITButton->text(), QStringLiteral("EXIT"));
        QCOMPARE(view.EXITButton->toolTip(), QStringLiteral("Exit Program"));
        QVERIFY(!viewers.ProgramViewVisible());
        QCOMPARE(view.Model().CellText(0, 0), std::string());

        // A fill on a hidden viewer fills without showing it.
        viewers.FillProgramGrid(images);
        QVERIFY(!viewers.ProgramViewVisible());
        QCOMPARE(view.Model().CellText(1023, 15), std::string("FFFF "));

        QCOMPARE(view.DataGrid1->horizontalHeader()->sectionSize(0), Px(550));
        QCOMPARE(view.DataGrid1->verticalHeader()->sectionSize(0), Px(200));
        QCOMPARE(view.DataGrid1->verticalHeader()->width(), Px(1200));
        QCOMPARE(&viewers.ProgramView(), &view);  // single window
    }

    void ClosingEmptiesTheTableAndBufferViewRefills() {
        Images images;
        images.program.fill(0x12);
        BufferViewers viewers;
        viewers.ShowProgramView();
        viewers.FillProgramGrid(images);
        QVERIFY(viewers.ProgramViewVisible());
        QTest::mouseClick(viewers.ProgramView().EXITButton, Qt::LeftButton);
        QVERIFY(!viewers.ProgramViewVisible());
        QCOMPARE(viewers.ProgramView().Model().CellText(0, 0), std::string());

        viewers.ShowProgramView();
        viewers.FillProgramGrid(images);
        QCOMPARE(viewers.ProgramView().Model().CellText(0, 0), std::string("1212 "));
        viewers.ProgramView().close();
        QVERIFY(!viewers.ProgramView().Model().Filled());
    }

    void TinyAndLargeWindowsLayOutWithoutFailing() {
        BufferViewers viewers;
        DATAVIEW& view = viewers.ProgramView();
        view.show();
        view.resize(1, 1);
        view.resize(0, 0);
        view.resize(2000, 1500);
        QCOMPARE(view.DataGrid1->height(), Px(Twips(view.height()) + 405 - 500));
        QCOMPARE(view.EXITButton->x(), Px(Twips(view.width()) + 120 - 1500));
        view.showMinimized();
        view.showNormal();

        EEVIEW& eeview = viewers.EepromView();
        eeview.show();
        eeview.resize(eeview.width(), 0);
        eeview.resize(eeview.width(), 500);
        QCOMPARE(eeview.DataGrid1->height(), Px(Twips(500) + 405 - 400));
    }

    // Both viewers: a selection copies as text, what is not printable as a dot,
    // and EXIT or Esc closes the viewer.
    void bothViewersCopyASelectionAndCloseOnExitOrEsc() {
        Images images;
        const std::string text = "Hello, PIC18!\x01\x7F\x80";
        std::copy(text.begin(), text.end(), images.program.begin() + 32);
        std::copy(text.begin(), text.end(), images.eepromRead.begin() + 16);
        for (const bool program : {true, false}) {
            for (const bool escape : {false, true}) {
                BufferViewers viewers;
                program ? viewers.ShowProgramView() : viewers.ShowEepromView();
                program ? viewers.FillProgramGrid(images) : viewers.FillEepromGrid(images);
                QWidget* window = program ? static_cast<QWidget*>(&viewers.ProgramView())
                                          : static_cast<QWidget*>(&viewers.EepromView());
                auto* grid = window->findChild<QTableView*>("DataGrid1");
                grid->setCurrentIndex(grid->model()->index(1, 0));
                QTest::keyClick(grid, Qt::Key_Right, Qt::ShiftModifier);
                grid->selectionModel()->select(grid->model()->index(1, kAsciiColumn),
                                               QItemSelectionModel::Select);
                grid->findChild<QAction*>("CopyAction")->trigger();
                QCOMPARE(QGuiApplication::clipboard()->text(),
                         QString(program ? "10  00020: 6548 6C6C Hello, PIC18!...................\n"
                                         : "10: 48 65 Hello, PIC18!...\n"));
                escape ? QTest::keyClick(grid, Qt::Key_Escape)
                       : window->findChild<QPushButton*>("EXITButton")->click();
                QVERIFY(!window->isVisible());
            }
        }
    }

    void EepromViewerShowsBytes() {
        Images images;
        images.eepromRead.fill(0);
        images.eepromRead[255] = 0xA5;
        BufferViewers viewers;
        viewers.ShowEepromView();
        viewers.FillEepromGrid(images);
        EEVIEW& view = viewers.EepromView();
        QCOMPARE(view.windowTitle(), QStringLiteral("EEPROM Data buffer"));
        QCOMPARE(view.Model().CellText(15, 15), std::string("A5 "));
        QCOMPARE(view.Model().CellText(0, 0), std::string("00 "));
        QCOMPARE(view.DataGrid1->model()->headerData(1, Qt::Vertical).toString(),
                 QStringLiteral(" 10"));
        view.close();
        QCOMPARE(view.Model().CellText(15, 15), std::string());
    }
};

QTEST_MAIN(BufferViewersTest)
#include "buffer_viewers_qtest.moc"
