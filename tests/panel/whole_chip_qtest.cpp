// The whole chip in the panel, against the emulated programmer: the checksum
// next to the file name, the blank check, the difference list after a verify
// and Save HEX of everything the images hold.

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "images/checksum.h"
#include "images/hex_writer.h"
#include "link/driver_table.h"
#include "panel/difference_window.h"
#include "panel/main_window.h"
#include "programming/device.h"
#include "tests/panel/panel_fakes.h"

using namespace tamro;
using tamro::testing::Control;

namespace {

struct Panel : testing::PanelFakes {
    std::unique_ptr<DriverLibrary> driver;
    std::unique_ptr<TAMRO18_form> form;

    explicit Panel(const char* device = "18F452") {
        qputenv("TAMRO18_EMULATOR_DEVICE", device);
        qputenv("TAMRO18_EMULATOR_STATE", "none");
        driver = MakeDriver("emulator");
        form = std::make_unique<TAMRO18_form>(Platform(*driver));
        store.Write("TAMRO18", "DATA", "DEVICE", QByteArray(device) == "18F4520" ? " 10" : " 9");
    }
    Images& images() { return form->session().images(); }
    QString Notes() const { return Control<QLabel>(*form, "NotesLabel")->text(); }
    QString Checksum() const { return Control<QLabel>(*form, "ChecksumLabel")->text(); }
    void Click(const char* button) { Control<QPushButton>(*form, button)->click(); }
    void Open(const QString& path) {
        dialogs.openAnswer = path.toStdString();
        Click("F_OpenButton");
    }
};

// A program with ID locations, EEPROM data and a configuration of the 18F452
// group's defaults (no protection), written by the panel's own HEX writer.
QString WriteProgramFile(const QTemporaryDir& folder, int programBytes = 64) {
    Images images;
    images.program.fill(0xFF);
    for (int i = 0; i < programBytes; ++i) images.program[i] = static_cast<std::uint8_t>(i * 7);
    const DeviceGroupValues group = GroupForOption(kOption452);
    std::copy(group.defaultConfig.begin(), group.defaultConfig.begin() + kConfigSize,
              images.config.begin());
    for (int i = 0; i < kIdBytes; ++i) {
        images.id[i] = static_cast<std::uint8_t>(0x10 + i);
        images.idPresent[i] = true;
    }
    for (int i = 0; i < 4; ++i) {
        images.eeprom[i] = static_cast<std::uint8_t>(0xA0 + i);
        images.eepromPresent[i] = true;
    }
    const QString path = folder.filePath("program.hex");
    const HexWriteOptions options{HexRegions::WholeChip, kLastProgramWord, group.configMask};
    if (!WriteIntelHexFile(path.toStdString(), images, options, nullptr)) return {};
    return path;
}

}  // namespace

class WholeChipTest : public QObject {
    Q_OBJECT

  private slots:
    // The checksum follows the images: the erased chip's, the file's, a
    // configuration byte typed, and the chip read back from the file.
    void checksumFollowsTheImages() {
        Panel panel;
        QVERIFY(panel.form->Form_Load());
        // The erased chip read back gives the well-known sum of an erased 18F452.
        Control<QLineEdit>(*panel.form, "LastAddrText")->setText("3FFF");
        panel.form->menuAction("READ")->trigger();
        QCOMPARE(panel.Checksum(), QString("Sum 82D8h"));
        QTemporaryDir folder;
        panel.Open(WriteProgramFile(folder));
        const QString fileSum = panel.Checksum();
        QVERIFY(fileSum != "Sum 82D8h");

        // An unimplemented bit does not count, an implemented one does.
        Control<QLineEdit>(*panel.form, "ConfigAddrText_0")->setText("12");
        QCOMPARE(panel.Checksum(), fileSum);
        Control<QLineEdit>(*panel.form, "ConfigAddrText_8")->setText("0E");
        QVERIFY(panel.Checksum() != fileSum);
        Control<QLineEdit>(*panel.form, "ConfigAddrText_8")->setText("0F");
        QCOMPARE(panel.Checksum(), fileSum);

        panel.Click("WriteButton");
        QCOMPARE(panel.Notes(), QString("Write Complete, verified"));
        panel.images().program.fill(0);
        Control<QLineEdit>(*panel.form, "LastAddrText")->setText("3FFF");
        panel.form->menuAction("READ")->trigger();
        QCOMPARE(panel.Notes(), QString("Read Complete"));
        QCOMPARE(panel.Checksum(), fileSum);
    }

    // Blank after ERASE; after WRITE each region's first written address is named.
    void blankCheckNamesEachRegionsFirstNonBlankAddress() {
        Panel panel;
        QVERIFY(panel.form->Form_Load());
        QAction* blankCheck = panel.form->menuAction("BLANK_CHECK");
        QVERIFY(blankCheck && blankCheck->isEnabled());
        QCOMPARE(blankCheck->parent()->objectName(), QString("Function"));

        blankCheck->trigger();
        QCOMPARE(panel.Notes(), QString("Chip is blank"));
        QVERIFY(panel.messages.shown.empty());

        QTemporaryDir folder;
        panel.Open(WriteProgramFile(folder));
        panel.Click("WriteButton");
        QCOMPARE(panel.Notes(), QString("Write Complete, verified"));
        blankCheck->trigger();
        QCOMPARE(panel.Notes(), QString("Not blank: flash 000000h"));
        QCOMPARE(panel.messages.shown.size(), std::size_t{1});
        const QString report = QString::fromStdString(panel.messages.shown[0].text);
        for (const char* line : {"flash not blank from 000000h", "ID locations not blank from",
                                 "EEPROM not blank from F00000h"}) {
            QVERIFY2(report.contains(line), qPrintable(report));
        }

        panel.messages.shown.clear();
        panel.Click("ERASEButton");
        blankCheck->trigger();
        QCOMPARE(panel.Notes(), QString("Chip is blank"));
        QVERIFY(panel.messages.shown.empty());
    }

    // VERIFY with differences opens the list: the count, then the first
    // thousand rows in address order.
    void differenceListShowsCountAndFirstThousandRows_data() {
        QTest::addColumn<int>("changedBytes");
        QTest::addColumn<QString>("countText");
        QTest::addColumn<int>("rows");
        QTest::newRow("one byte") << 1 << "1 difference" << 1;
        QTest::newRow("a thousand") << 1000 << "1000 differences" << 1000;
        QTest::newRow("more than a thousand")
            << 1500 << "1500 differences, the first 1000 listed" << 1000;
    }
    void differenceListShowsCountAndFirstThousandRows() {
        QFETCH(int, changedBytes);
        QFETCH(QString, countText);
        QFETCH(int, rows);
        Panel panel;
        QVERIFY(panel.form->Form_Load());
        QTemporaryDir folder;
        panel.Open(WriteProgramFile(folder, 1600));
        panel.Click("WriteButton");
        QCOMPARE(panel.Notes(), QString("Write Complete, verified"));
        QVERIFY(!panel.form->findChild<DifferenceWindow*>());

        for (int i = 0; i < changedBytes; ++i) panel.images().program[0x10 + i] ^= 0xFF;
        panel.Click("VerifyButton");
        QCOMPARE(panel.Notes(), QString("Verify Error"));
        auto* window = panel.form->findChild<DifferenceWindow*>();
        QVERIFY(window && window->isVisible());
        QCOMPARE(Control<QLabel>(*window, "DifferenceCount")->text(), countText);
        const QAbstractItemModel* model = Control<QTableView>(*window, "DifferenceList")->model();
        QCOMPARE(model->rowCount(), rows);
        QCOMPARE(model->index(0, 0).data().toString(), QString("flash"));
        QCOMPARE(model->index(0, 1).data().toString(), QString("000010h"));
        const std::uint8_t file = panel.images().program[0x10];
        QCOMPARE(model->index(0, 2).data().toString(),
                 QString("%1h").arg(file, 2, 16, QChar('0')).toUpper().replace("H", "h"));
        QCOMPARE(model->index(0, 3).data().toString(),
                 QString("%1h").arg(file ^ 0xFF, 2, 16, QChar('0')).toUpper().replace("H", "h"));
        QCOMPARE(model->index(rows - 1, 1).data().toString(),
                 QString::fromStdString(ChipAddressText(0x10 + rows - 1)));

        // A verify that passes leaves the list as it was and opens nothing.
        window->close();
        for (int i = 0; i < changedBytes; ++i) panel.images().program[0x10 + i] ^= 0xFF;
        panel.Click("VerifyButton");
        QCOMPARE(panel.Notes(), QString("Verify Complete"));
        QVERIFY(!window->isVisible());
    }

    // Save HEX writes the whole chip: a read-back saved and loaded again gives
    // the same images, EEPROM included once READ_EEPROM has read it.
    void saveHexClonesWhatTheImagesHold() {
        Panel panel;
        QVERIFY(panel.form->Form_Load());
        QTemporaryDir folder;
        panel.Open(WriteProgramFile(folder));
        const Images loaded = panel.images();
        panel.Click("WriteButton");
        QCOMPARE(panel.Notes(), QString("Write Complete, verified"));

        Control<QLineEdit>(*panel.form, "LastAddrText")->setText("3FFF");
        panel.form->menuAction("READ")->trigger();
        panel.form->menuAction("READ_EEPROM")->trigger();
        QCOMPARE(panel.Notes(), QString("EE Read Complete"));
        const QString saved = folder.filePath("saved.hex");
        panel.dialogs.saveAnswer = saved.toStdString();
        panel.form->menuAction("SaveHex")->trigger();
        QVERIFY(panel.messages.shown.empty());

        panel.Open(saved);
        const Images& again = panel.images();
        QVERIFY(again.program == loaded.program);
        QVERIFY(again.id == loaded.id);
        QVERIFY(std::equal(again.config.begin(), again.config.begin() + kConfigSize,
                           loaded.config.begin()));
        for (int a : {0, 3}) QCOMPARE(again.eeprom[a], loaded.eeprom[a]);
        // The whole EEPROM read is held: the erased bytes too.
        QCOMPARE(again.eeprom[200], std::uint8_t{0xFF});
        QVERIFY(again.eepromPresent[255]);
    }
};

QTEST_MAIN(WholeChipTest)
#include "whole_chip_qtest.moc"
