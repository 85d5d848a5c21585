// The panel against the emulated programmer: a program assembled by gpasm is
// opened, written, verified, read back and saved, as a user would do it.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

#include "link/driver_table.h"
#include "panel/config_names_window.h"
#include "panel/main_window.h"
#include "tests/panel/panel_fakes.h"
#include "tests/testing/fakes.h"
#include "views/ui/buffer_viewers.h"

using namespace tamro;
using tamro::testing::Control;
using tamro::testing::NotesColour;

namespace {

const char* kSource = R"(
    LIST P=18F452
    ORG 0
    goto start
    ORG 0x100
start:
    movlw 0x55
    movwf 0x20
    incf 0x20, F
    bra start
    ORG 0x2000
    DW 0x1234, 0xABCD, 0x0F0F
    ORG 0x7FF8
    DW 0x1111, 0x2222, 0x3333, 0x4444
    END
)";

struct Panel : testing::PanelFakes {
    std::unique_ptr<DriverLibrary> driver;
    std::unique_ptr<TAMRO18_form> form;

    explicit Panel(const char* device) {
        DriverOptions options;
        options.emulator.device = emu::Device{device};
        driver = MakeDriver("emulator", options);
        form = std::make_unique<TAMRO18_form>(Platform(*driver));
        store.Write("TAMRO18", "DATA", "DEVICE", QByteArray(device) == "18F452" ? " 9" : " 10");
    }
    QString Notes() const { return Control<QLabel>(*form, "NotesLabel")->text(); }
};

}  // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable("gpasm").isEmpty()) QSKIP("gpasm is not installed");
        QVERIFY(folder_.isValid());
        const QString source = folder_.filePath("blink.asm");
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kSource);
        file.close();
        QProcess gpasm;
        gpasm.setWorkingDirectory(folder_.path());
        gpasm.start("gpasm", {"-w", "2", "-a", "inhx32", "blink.asm"});
        QVERIFY(gpasm.waitForFinished(30000));
        QCOMPARE(gpasm.exitCode(), 0);
        hexFile_ = folder_.filePath("blink.hex");
        QVERIFY(QFile::exists(hexFile_));
    }

    // The viewers' rows follow the device found: 16 words or 16 bytes a row.
    void writeVerifyReadAndSave_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("programRows");
        QTest::addColumn<int>("eepromRows");
        QTest::newRow("18F452") << "18F452" << 1024 << 16;
        QTest::newRow("18F4520") << "18F4520" << 1024 << 16;
        QTest::newRow("18F4620") << "18F4620" << 2048 << 64;
    }
    void writeVerifyReadAndSave() {
        QFETCH(QString, device);
        QFETCH(int, programRows);
        QFETCH(int, eepromRows);
        Panel panel(qPrintable(device));
        QVERIFY(panel.form->Form_Load());
        QCOMPARE(Control<QLineEdit>(*panel.form, "Text_Device")->text().section(' ', 0, 0), device);

        panel.dialogs.openAnswer = hexFile_.toStdString();
        Control<QPushButton>(*panel.form, "F_OpenButton")->click();
        QCOMPARE(panel.form->session().images().haveData, std::int16_t{1});
        QCOMPARE(Control<QLineEdit>(*panel.form, "LastAddrText")->text(), QString("4000"));
        const auto loaded = panel.form->session().images().program;

        Control<QPushButton>(*panel.form, "WriteButton")->click();
        QVERIFY(panel.messages.shown.empty());
        QCOMPARE(panel.Notes(), QString("Write Complete, verified"));
        QCOMPARE(NotesColour(*panel.form), kNotesViolet);
        QCOMPARE(Control<QPushButton>(*panel.form, "Command_VCC")->text(), QString("VCC off"));
        QCOMPARE(Control<QPushButton>(*panel.form, "Command_LED")->text(), QString("LED off"));

        Control<QPushButton>(*panel.form, "VerifyButton")->click();
        QCOMPARE(panel.Notes(), QString("Verify Complete"));

        // Read back into a cleared buffer: the target holds the program.
        panel.form->session().images().program.fill(0);
        Control<QLineEdit>(*panel.form, "LastAddrText")->setText("3FFF");
        panel.form->menuAction("READ")->trigger();
        QCOMPARE(panel.Notes(), QString("Read Complete"));
        QVERIFY(std::equal(loaded.begin(), loaded.begin() + kProgramBytes,
                           panel.form->session().images().program.begin()));
        QCOMPARE(panel.form->session().images().haveData, std::int16_t{0});
        QCOMPARE(panel.form->findChild<DATAVIEW*>()->Model().rowCount(), programRows);

        // Saved and loaded again, the image is byte-identical.
        const std::string saved = folder_.filePath(device + "-saved.hex").toStdString();
        panel.dialogs.saveAnswer = saved;
        panel.form->menuAction("SaveHex")->trigger();
        panel.form->session().images().program.fill(0);
        panel.form->toolFiles().HexFileName = saved;
        panel.form->HexLoad();
        QVERIFY(std::equal(loaded.begin(), loaded.begin() + kProgramBytes,
                           panel.form->session().images().program.begin()));

        // A changed word in the buffer is found where it lies.
        panel.form->session().images().program[2 * 0x85 + 1] ^= 0x01;
        Control<QPushButton>(*panel.form, "VerifyButton")->click();
        QCOMPARE(panel.Notes(), QString("Verify Error"));
        QCOMPARE(Control<QLineEdit>(*panel.form, "CurrentAddrText")->text(), QString("84"));
        QCOMPARE(panel.messages.shown.size(), std::size_t{1});
        QCOMPARE(panel.messages.shown[0].text, std::string("Verify Data ERROR at flash 00010Bh"));

        // The data EEPROM of the erased chip reads blank.
        panel.form->menuAction("READ_EEPROM")->trigger();
        QCOMPARE(panel.Notes(), QString("EE Read Complete"));
        QCOMPARE(panel.form->session().images().eepromRead[0], std::uint8_t{0xFF});
        QCOMPARE(panel.form->session().images().eepromRead[255], std::uint8_t{0xFF});
        QCOMPARE(panel.form->findChild<EEVIEW*>()->Model().rowCount(), eepromRows);
    }

    // The other group's chip on the programmer: the panel asks at start-up, or
    // before WRITE once the other group has been chosen. Switched, it writes and
    // keeps the loaded file; refused, nothing is sent and the chip keeps what it holds.
    void theChipsGroupIsAskedForBeforeAWrite_data() {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<bool>("atStartUp");
        QTest::addColumn<bool>("typeConfiguration");
        QTest::addColumn<bool>("switchGroup");
        QTest::newRow("18F4520 chip, at start-up") << "18F4520" << true << false << true;
        QTest::newRow("18F4520 chip, at WRITE") << "18F4520" << false << false << true;
        QTest::newRow("18F452 chip, at WRITE, a box typed in") << "18F452" << false << true << true;
        QTest::newRow("18F4520 chip, at WRITE, refused") << "18F4520" << false << false << false;
    }
    void theChipsGroupIsAskedForBeforeAWrite() {
        QFETCH(QString, chip);
        QFETCH(bool, atStartUp);
        QFETCH(bool, typeConfiguration);
        QFETCH(bool, switchGroup);
        Panel panel(qPrintable(chip));
        const bool is4520 = chip == "18F4520";
        const int chipOption = is4520 ? kOption4520 : kOption452;
        const int otherOption = is4520 ? kOption452 : kOption4520;
        if (atStartUp) panel.store.Write("TAMRO18", "DATA", "DEVICE", is4520 ? " 9" : " 10");
        QVERIFY(panel.form->Form_Load());
        QCOMPARE(panel.messages.asked.size(), std::size_t{atStartUp ? 1u : 0u});
        QCOMPARE(panel.form->session().selectedOption(), chipOption);
        QCOMPARE(Control<QLabel>(*panel.form, "TargetDeviceLabel")->text(), chip);

        panel.dialogs.openAnswer = hexFile_.toStdString();
        Control<QPushButton>(*panel.form, "F_OpenButton")->click();
        if (!switchGroup) {  // the chip holds the program first
            Control<QPushButton>(*panel.form, "WriteButton")->click();
            QCOMPARE(panel.Notes(), QString("Write Complete, verified"));
        }
        const QString fileBox = Control<QLineEdit>(*panel.form, "FilenameTextbox")->text();
        auto* box = Control<QLineEdit>(*panel.form, "ConfigAddrText_1");
        const QString fileValue = box->text();
        if (!atStartUp) {
            Control<QRadioButton>(*panel.form, QString("PICsel_%1").arg(otherOption))->click();
            QCOMPARE(panel.form->session().selectedOption(), otherOption);
        }
        if (typeConfiguration) box->setText("F1");
        if (!switchGroup) {
            Control<QPushButton>(*panel.form, "F_OpenButton")->click();
            panel.form->session().images().program[0x100] = 0xFF;  // was 55h (movlw 55h)
            panel.messages.answer = false;
            Control<QPushButton>(*panel.form, "WriteButton")->click();
            QCOMPARE(panel.messages.shown.size(), std::size_t{1});
            const std::string refusal = "18F452 selected, the target reports 18F4520 (1087)";
            QCOMPARE(panel.messages.shown[0].text, refusal);
            QCOMPARE(panel.Notes(), QString::fromStdString(refusal));
            // The chip still holds the first program.
            Control<QRadioButton>(*panel.form, QString("PICsel_%1").arg(chipOption))->click();
            Control<QPushButton>(*panel.form, "F_OpenButton")->click();
            Control<QPushButton>(*panel.form, "VerifyButton")->click();
            QCOMPARE(panel.Notes(), QString("Verify Complete"));
            return;
        }
        Control<QPushButton>(*panel.form, "WriteButton")->click();
        QCOMPARE(panel.Notes(), QString("Write Complete, verified"));
        QCOMPARE(panel.messages.asked.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(panel.messages.asked.back().text)
                     .contains("the configuration typed in is lost"),
                 typeConfiguration);
        QCOMPARE(panel.form->session().selectedOption(), chipOption);
        QVERIFY(
            Control<QRadioButton>(*panel.form, QString("PICsel_%1").arg(chipOption))->isChecked());
        // The file stays loaded: its name, its configuration, and the chip holds it.
        QCOMPARE(Control<QLineEdit>(*panel.form, "FilenameTextbox")->text(), fileBox);
        QCOMPARE(box->text(), fileValue);
        QCOMPARE(panel.form->session().images().haveData, std::int16_t{1});
        Control<QPushButton>(*panel.form, "VerifyButton")->click();
        QCOMPARE(panel.Notes(), QString("Verify Complete"));
        QVERIFY(panel.messages.shown.empty());
    }

    // The configuration by name follows the boxes as they are typed in and
    // shows the chip's at the last READ; protection that is on is named.
    void configurationByNameFollowsTheBoxesAndTheChip_data() {
        QTest::addColumn<QString>("chip");
        for (const char* chip : {"18F452", "18F4520"}) QTest::newRow(chip) << chip;
    }
    void configurationByNameFollowsTheBoxesAndTheChip() {
        QFETCH(QString, chip);
        Panel panel(qPrintable(chip));
        QVERIFY(panel.form->Form_Load());
        panel.form->menuAction("CONFIG_NAMES")->trigger();
        auto* window = panel.form->findChild<ConfigNamesWindow*>("ConfigNamesWindow");
        QVERIFY(window && window->isVisible());
        QCOMPARE(Control<QLabel>(*window, "ConfigNamesDevice")->text(), chip + " configuration");
        const ConfigNamesModel& model = window->model();
        auto cell = [&model](const QString& field, int column) {
            const auto found =
                model.match(model.index(0, 1), Qt::DisplayRole, field, 1, Qt::MatchExactly);
            return found.value(0).siblingAtColumn(column).data().toString();
        };
        Control<QLineEdit>(*panel.form, "ConfigAddrText_1")->setText("F2");
        Control<QLineEdit>(*panel.form, "ConfigAddrText_8")->setText("FE");
        QCOMPARE(cell("OSC", 2), QString("HS"));
        QCOMPARE(cell("CP0", 2), QString("ON (protection on)"));
        QCOMPARE(cell("CP1", 2), QString("OFF"));
        QCOMPARE(cell("CP0", 3), QString("not read"));
        // The erased chip: nothing protected, in the boxes too once READ took them.
        panel.form->menuAction("READ")->trigger();
        QCOMPARE(cell("CP0", 3), QString("OFF"));
        QCOMPARE(cell("CP0", 2), QString("OFF"));
    }

  private:
    QTemporaryDir folder_;
    QString hexFile_;
};

QTEST_MAIN(EndToEndTest)
#include "end_to_end_qtest.moc"
