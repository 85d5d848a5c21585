#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "common/twips.h"
#include "convertor/ui/data_conv.h"
#include "panel/clickable_label.h"
#include "panel/main_window.h"
#include "tests/panel/panel_fakes.h"
#include "tests/testing/fakes.h"
#include "tools/ui/editor.h"
#include "tools/ui/help_form.h"
#include "tools/ui/process_runner.h"
#include "views/ui/buffer_viewers.h"

using namespace tamro;
using tamro::testing::Control;
using tamro::testing::NotesColour;
using tamro::testing::PacketTexts;
using tamro::testing::ResetLampColour;

namespace {

// A programmer that answers the device-ID read with a chosen ID and the analog
// read with a chosen count.
struct Bench : testing::PanelFakes {
    testing::RecordingDriver driver;
    std::uint16_t deviceId = 0x0427;
    std::uint16_t analog = 0;
    std::unique_ptr<TAMRO18_form> form;

    Bench() {
        driver.responder = [this](const Packet& packet) {
            Packet reply{};
            if (packet[0] == protocol::Code(protocol::Command::Identify))
                reply = {'E', 'M', 'U', 'L', '1', '8', '3', '0'};
            if (packet[0] == protocol::Code(protocol::Command::TableRead)) {
                reply[0] = deviceId & 0xFF;
                reply[1] = deviceId >> 8;
            }
            if (packet[0] == protocol::Code(protocol::Command::AnalogRead)) {
                reply[0] = analog >> 8;
                reply[1] = analog & 0xFF;
            }
            return reply;
        };
        form = std::make_unique<TAMRO18_form>(Platform(driver));
    }
    std::string Device() { return store.Read("TAMRO18", "DATA", "DEVICE"); }
    void Start() {
        QVERIFY(form->Form_Load());
        driver.packets.clear();
    }
};

const std::vector<std::string> kIdSequence = {
    "32 00 00 00 00 00 00 00", "31 01 00 00 00 00 00 00", "32 02 00 00 00 00 00 00",
    "21 3F FF FE 00 00 00 00", "22 09 02 00 00 00 00 00", "32 01 00 00 00 00 00 00",
    "31 01 00 00 00 00 00 00",
};

int ClientHeightPx(int outerTwips) {
    return Px(ClientForOuter(kWindowWidthTwips, outerTwips).height);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void startUpSendsIdentifyIdReadSupplyAndLed() {
        Bench bench;
        QVERIFY(bench.form->Form_Load());
        // The supply goes on before the ID read: the target must be powered to answer.
        std::vector<std::string> expected = {"3F 00 00 00 00 00 00 00", "3A 01 00 00 00 00 00 00"};
        expected.insert(expected.end(), kIdSequence.begin(), kIdSequence.end());
        expected.push_back("3B 00 00 00 00 00 00 00");
        QCOMPARE(PacketTexts(bench.driver.packets), expected);
        QCOMPARE(bench.form->session().firmwareText(), std::string("EMUL1830"));
        QCOMPARE(Control<QPushButton>(*bench.form, "Command_VCC")->text(), QString("VCC on"));
        QCOMPARE(Control<QPushButton>(*bench.form, "Command_LED")->text(), QString("LED off"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "USBMSG")->text(), QString("Read OK!:"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "Text_Device")->text(), QString("18F452  (427)"));
        QCOMPARE(Control<QLabel>(*bench.form, "NotesLabel")->text(),
                 QString("Device=18F452 (427)"));
        QCOMPARE(NotesColour(*bench.form), kNotesWhite);
        QCOMPARE(Control<QLineEdit>(*bench.form, "StartAddrText")->text(), QString("0"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "LastAddrText")->text(), QString("3FFF"));
        QCOMPARE(bench.form->windowTitle(), QString("PIC18 Tamro Control Panel"));
        QVERIFY(Control<QLabel>(*bench.form, "Label7")->text().startsWith("TopDIR = "));
        QVERIFY(Control<QLabel>(*bench.form, "Label9")->text().startsWith("Current DIR = "));
        QVERIFY(Control<ClickableLabel>(*bench.form, "Label_ZEKname")->text().contains("EMULATED"));
        // First start: option 9 stored, tool defaults stored and used.
        QCOMPARE(bench.Device(), std::string(" 9"));
        QCOMPARE(bench.form->session().selectedOption(), kOption452);
        QVERIFY(Control<QRadioButton>(*bench.form, "PICsel_9")->isChecked());
        QCOMPARE(bench.form->toolSettings(), InstalledToolSettings(QtProcessRunner::FindProgram));
        QCOMPARE(Control<QLineEdit>(*bench.form, "ConfigAddrText_1")->text(), QString("FA"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "Text_Configbit_0")->text(),
                 QString("1111 1010 1111 1111"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "Text_Configbit_1")->text(),
                 QString("1111 1110 1111 0110"));
        QCOMPARE(bench.form->session().images().haveData, std::int16_t{0});
        QCOMPARE(bench.form->session().images().lastAddress, std::int16_t{0x3FFF});
        QVERIFY(bench.messages.shown.empty());
    }

    void storedDeviceSelectsTheGroup_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("rewritten");
        QTest::newRow("10 with blank") << " 10" << 10 << false;
        QTest::newRow("10 without blank") << "10" << 10 << false;
        QTest::newRow("9") << " 9" << 9 << false;
        QTest::newRow("3") << "3" << 9 << true;
        QTest::newRow("no number") << "abc" << 9 << true;
        QTest::newRow("11 names no option") << "11" << 9 << true;
        QTest::newRow("negative") << "-1" << 9 << true;
    }
    void storedDeviceSelectsTheGroup() {
        QFETCH(QString, stored);
        QFETCH(int, option);
        QFETCH(bool, rewritten);
        Bench bench;
        bench.messages.answer = false;  // the 18F452 on the bench does not switch the group
        bench.store.Write("TAMRO18", "DATA", "DEVICE", stored.toStdString());
        bench.store.writes.clear();
        QVERIFY(bench.form->Form_Load());
        QCOMPARE(bench.form->session().selectedOption(), option);
        QCOMPARE(bench.form->session().groupValues().group, GroupOfOption(option));
        QCOMPARE(Control<QLineEdit>(*bench.form, "ConfigAddrText_1")->text(),
                 QString(option == 10 ? "F2" : "FA"));
        const bool deviceWritten = std::count(bench.store.writes.begin(), bench.store.writes.end(),
                                              "DEVICE=" + StoredDeviceText(option)) == 1;
        QCOMPARE(deviceWritten, rewritten);
    }

    void driverThatDoesNotOpenEndsStartUp() {
        Bench bench;
        bench.driver.openResult = -2;
        QVERIFY(!bench.form->Form_Load());
        QCOMPARE(Control<QLineEdit>(*bench.form, "USBMSG")->text(),
                 QString::fromUtf8("Driver Open:NG(ドライバオープンエラー)"));
        QCOMPARE(bench.messages.shown.size(), std::size_t{1});
        QCOMPARE(bench.messages.shown[0].title, std::string("USB ERROR"));
        QCOMPARE(bench.messages.shown[0].text, std::string("Unit not Found"));
        QVERIFY(bench.driver.packets.empty());
        QVERIFY(!bench.form->isVisible());
    }

    void failedIdentifyLeavesFirmwareEmptyAndStartUpGoesOn() {
        Bench bench;
        bench.driver.failReads = {1};
        QVERIFY(bench.form->Form_Load());
        QCOMPARE(bench.form->session().firmwareText(), std::string());
        QCOMPARE(bench.messages.shown.size(), std::size_t{1});
        QCOMPARE(bench.driver.packets.size(), std::size_t{10});
    }

    void deviceIdTexts_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("notes");
        QTest::newRow("452 rev 7") << 0x0427 << "18F452  (427)"
                                   << "Device=18F452 (427)";
        // A device of the other group is a warning.
        QTest::newRow("4520") << 0x1085 << "18F4520  (1085)"
                              << "18F452 selected, the target reports 18F4520 (1085)";
        QTest::newRow("low byte below 10h") << 0x1005 << "18F452  (1005)"
                                            << "Device=18F452 (105)";
        QTest::newRow("bit 15") << 0x9085 << "18F4520  (9085)"
                                << "18F452 selected, the target reports 18F4520 (9085)";
        QTest::newRow("no target, 0000h") << 0 << "no target  (0)"
                                          << "Device=no target";
        QTest::newRow("no target, FFFFh") << 0xFFFF << "no target  (FFFF)"
                                          << "Device=no target";
    }
    void deviceIdTexts() {
        QFETCH(int, id);
        QFETCH(QString, device);
        QFETCH(QString, notes);
        Bench bench;
        bench.Start();
        bench.deviceId = static_cast<std::uint16_t>(id);
        Control<QPushButton>(*bench.form, "Command_ID")->click();
        QCOMPARE(PacketTexts(bench.driver.packets), kIdSequence);
        QCOMPARE(Control<QLineEdit>(*bench.form, "Text_Device")->text(), device);
        QCOMPARE(Control<QLabel>(*bench.form, "NotesLabel")->text(), notes);
    }

    void failedIdReadFormsTheIdFromZeros() {
        Bench bench;
        bench.Start();
        bench.driver.failReads = {bench.driver.reads + 5};
        Control<QPushButton>(*bench.form, "Command_ID")->click();
        QCOMPARE(Control<QLineEdit>(*bench.form, "Text_Device")->text(), QString("no target  (0)"));
        QCOMPARE(bench.messages.shown.size(), std::size_t{1});
        QCOMPARE(bench.driver.packets.size(), kIdSequence.size());
    }

    void selectingTheOtherGroupStoresItAndClearsTheImageFlag() {
        Bench bench;
        bench.Start();
        bench.form->session().images().haveData = 1;
        Control<QLineEdit>(*bench.form, "FilenameTextbox")->setText("x.hex");
        bench.store.writes.clear();
        Control<QRadioButton>(*bench.form, "PICsel_10")->click();
        QCOMPARE(bench.form->session().selectedOption(), 10);
        QCOMPARE(bench.Device(), std::string(" 10"));
        QCOMPARE(bench.form->session().images().haveData, std::int16_t{0});
        QCOMPARE(Control<QLineEdit>(*bench.form, "FilenameTextbox")->text(), QString());
        QCOMPARE(PacketTexts(bench.driver.packets), kIdSequence);
        // The selected option again is no click: nothing sent, nothing stored.
        bench.driver.packets.clear();
        bench.store.writes.clear();
        Control<QRadioButton>(*bench.form, "PICsel_10")->click();
        QVERIFY(bench.driver.packets.empty());
        QVERIFY(bench.store.writes.empty());
    }

    void supplyAndLedToggle() {
        Bench bench;
        bench.Start();
        Control<QPushButton>(*bench.form, "Command_VCC")->click();
        QCOMPARE(Control<QPushButton>(*bench.form, "Command_VCC")->text(), QString("VCC off"));
        Control<QPushButton>(*bench.form, "Command_VCC")->click();
        QCOMPARE(Control<QPushButton>(*bench.form, "Command_VCC")->text(), QString("VCC on"));
        Control<QPushButton>(*bench.form, "Command_LED")->click();
        QCOMPARE(Control<QPushButton>(*bench.form, "Command_LED")->text(), QString("LED on"));
        Control<QPushButton>(*bench.form, "Command_LED")->click();
        QCOMPARE(Control<QPushButton>(*bench.form, "Command_LED")->text(), QString("LED off"));
        QCOMPARE(PacketTexts(bench.driver.packets),
                 (std::vector<std::string>{"3A 00 00 00 00 00 00 00", "3A 01 00 00 00 00 00 00",
                                           "3B 01 00 00 00 00 00 00", "3B 00 00 00 00 00 00 00"}));
        // Any caption other than "VCC off" switches the supply off.
        Control<QPushButton>(*bench.form, "Command_VCC")->setText("something");
        bench.driver.packets.clear();
        Control<QPushButton>(*bench.form, "Command_VCC")->click();
        QCOMPARE(PacketTexts(bench.driver.packets),
                 (std::vector<std::string>{"3A 00 00 00 00 00 00 00"}));
    }

    void failedSupplyExchangeStillChangesTheCaption() {
        Bench bench;
        bench.Start();
        bench.driver.failWrites = {bench.driver.writes + 1};
        Control<QPushButton>(*bench.form, "Command_VCC")->click();
        QCOMPARE(Control<QPushButton>(*bench.form, "Command_VCC")->text(), QString("VCC off"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "USBMSG")->text(), QString("Write NG!:"));
        QCOMPARE(bench.messages.shown.size(), std::size_t{1});
    }

    void usbMessageDuringAProgrammingOperation() {
        Bench bench;
        bench.Start();
        bench.form->session().images().haveData = 1;
        Control<QLineEdit>(*bench.form, "LastAddrText")->setText("1F");
        std::vector<QString> shownAtProgress;
        bench.pump.onPump = [&] {
            shownAtProgress.push_back(Control<QLineEdit>(*bench.form, "USBMSG")->text());
        };
        Control<QLineEdit>(*bench.form, "USBMSG")->clear();
        Control<QPushButton>(*bench.form, "WriteButton")->click();
        QVERIFY(!shownAtProgress.empty());
        for (const QString& text : shownAtProgress) QCOMPARE(text, QString("Read OK!:"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "USBMSG")->text(), QString("Read OK!:"));

        // A failure after many good exchanges is what the box keeps.
        bench.messages.shown.clear();
        Control<QLineEdit>(*bench.form, "USBMSG")->clear();
        bench.driver.failReads = {bench.driver.reads + 30};
        Control<QPushButton>(*bench.form, "WriteButton")->click();
        QCOMPARE(Control<QLineEdit>(*bench.form, "USBMSG")->text(), QString("Read NG!:"));
        QCOMPARE(bench.messages.shown.size(), std::size_t{1});
        QCOMPARE(Control<QLabel>(*bench.form, "NotesLabel")->text(), QString("Write Error"));
    }

    void vppLevelAndAnalogRounding_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("shown");
        QTest::newRow("650") << 650 << "13";
        QTest::newRow("625 half to even") << 625 << "12";
        QTest::newRow("675 half to even") << 675 << "14";
        QTest::newRow("unsigned above 8000h") << 0x8000 << "655";
        QTest::newRow("FFFF") << 0xFFFF << "1311";
    }
    void vppLevelAndAnalogRounding() {
        QFETCH(int, count);
        QFETCH(QString, shown);
        Bench bench;
        bench.Start();
        bench.analog = static_cast<std::uint16_t>(count);
        Control<QPushButton>(*bench.form, "Command_Vset_2")->click();
        QCOMPARE(PacketTexts(bench.driver.packets),
                 (std::vector<std::string>{"32 02 00 00 00 00 00 00", "39 00 00 00 00 00 00 00"}));
        QCOMPARE(Control<QLineEdit>(*bench.form, "Text_AD")->text(), shown);
    }

    void resetPulseAndLampOverFiveTicks() {
        Bench bench;
        bench.Start();
        bench.analog = 250;
        Control<QPushButton>(*bench.form, "Command_RESET")->click();
        QCOMPARE(PacketTexts(bench.driver.packets),
                 (std::vector<std::string>{"32 00 00 00 00 00 00 00", "32 01 00 00 00 00 00 00",
                                           "39 00 00 00 00 00 00 00"}));
        QCOMPARE(Control<QLineEdit>(*bench.form, "Text_AD")->text(), QString("5"));
        QCOMPARE(ResetLampColour(*bench.form), kLampReset);
        for (int tick = 1; tick <= 4; ++tick) {
            bench.form->Timer1_Timer();
            QCOMPARE(ResetLampColour(*bench.form), kLampReset);
        }
        bench.form->Timer1_Timer();
        QCOMPARE(ResetLampColour(*bench.form), kLampIdle);
    }

    void tickCountsDownAndShowsTheCountdown() {
        Bench bench;
        bench.Start();
        bench.form->SetTickCountdown(2);
        bench.form->Timer1_Timer();
        QCOMPARE(Control<QLineEdit>(*bench.form, "Text2")->text(), QString("2"));
        bench.form->Timer1_Timer();
        bench.form->Timer1_Timer();
        QCOMPARE(Control<QLineEdit>(*bench.form, "Text2")->text(), QString("0"));
        QCOMPARE(bench.form->TickCountdown(), std::int16_t{0});
    }

    void kageNeedsTwoClicksAfterStartUp() {
        Bench bench;
        bench.Start();
        bench.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(bench.form.get()));
        const int normal = ClientHeightPx(kNormalHeightTwips);
        const int expanded = ClientHeightPx(kExpandedHeightTwips);
        QCOMPARE(bench.form->height(), normal);
        auto click = [&](const char* name) {
            QTest::mouseClick(Control<ClickableLabel>(*bench.form, name), Qt::LeftButton);
        };
        // The first click after start-up only sets the switch.
        click("kage");
        QCOMPARE(bench.form->height(), normal);
        click("kage");
        QCOMPARE(bench.form->height(), expanded);
        click("kage");
        QCOMPARE(bench.form->height(), normal);
        click("kage");
        QCOMPARE(bench.form->height(), expanded);
        click("Label_ZEKname");
        QCOMPARE(bench.form->height(), normal);
        click("kage");
        QCOMPARE(bench.form->height(), expanded);
        // The test panel lies below what the normal height shows.
        QVERIFY(Control<QPushButton>(*bench.form, "Command_VCC")
                    ->mapTo(bench.form.get(), QPoint(0, 0))
                    .y() > normal);
        QVERIFY(Control<QLabel>(*bench.form, "Label7")->mapTo(bench.form.get(), QPoint(0, 0)).y() +
                    Control<QLabel>(*bench.form, "Label7")->height() <=
                expanded);
    }

    void secondOperationIsRefusedWhileOneLetsEventsRun() {
        Bench bench;
        bench.Start();
        bool clicked = false;
        bench.pump.onPump = [&] {
            if (clicked) return;
            clicked = true;
            // Queued input during the selection.
            Control<QPushButton>(*bench.form, "Command_VCC")->click();
            Control<QPushButton>(*bench.form, "Command_ID")->click();
            bench.form->menuAction("READ")->trigger();
        };
        Control<QRadioButton>(*bench.form, "PICsel_10")->click();
        QCOMPARE(PacketTexts(bench.driver.packets), kIdSequence);
        QCOMPARE(Control<QPushButton>(*bench.form, "Command_VCC")->text(), QString("VCC on"));
        QCOMPARE(bench.messages.beeps, 1);
        QVERIFY(!bench.form->session().Busy());
        QVERIFY(Control<QPushButton>(*bench.form, "Command_VCC")->isEnabled());
        QVERIFY(Control<QRadioButton>(*bench.form, "PICsel_10")->isChecked());
    }

    void configurationBoxesFollowTheImage() {
        Bench bench;
        bench.Start();
        bench.form->session().images().config[2] = 0x1F;
        bench.form->session().images().config[3] = 0x0E;
        bench.form->ShowConfiguration();
        QCOMPARE(Control<QLineEdit>(*bench.form, "ConfigAddrText_3")->text(), QString("E"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "ConfigAddrText_2")->text(), QString("1F"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "Text_Configbit_1")->text(),
                 QString("0000 1110 0001 1111"));
        Control<QLineEdit>(*bench.form, "ConfigAddrText_0")->setText("05");
        QCOMPARE(bench.form->session().images().config[0], std::uint8_t{5});
        QCOMPARE(Control<QLineEdit>(*bench.form, "Text_Configbit_0")->text(),
                 QString("1111 1010 0000 0101"));
        // A box holds two digits at most, so the image keeps byte values.
        Control<QLineEdit>(*bench.form, "ConfigAddrText_12")->setText("1FF");
        QCOMPARE(bench.form->session().images().config[12], std::uint8_t{0x1F});
        Control<QLineEdit>(*bench.form, "ConfigAddrText_13")->setText("zz");
        QCOMPARE(bench.form->session().images().config[13], std::uint8_t{0});
    }

    void lastAddressFieldIsLimitedToTheProgramSize() {
        Bench bench;
        bench.Start();
        Control<QLineEdit>(*bench.form, "LastAddrText")->setText("5000");
        QCOMPARE(Control<QLineEdit>(*bench.form, "LastAddrText")->text(), QString("4000"));
        Control<QLineEdit>(*bench.form, "LastAddrText")->setText("3FFF");
        QCOMPARE(Control<QLineEdit>(*bench.form, "LastAddrText")->text(), QString("3FFF"));
        Control<QLineEdit>(*bench.form, "LastAddrText")->setText("8000");
        QCOMPARE(Control<QLineEdit>(*bench.form, "LastAddrText")->text(), QString("8000"));
    }

    void controlsCarryTheirCaptionsAndTips() {
        Bench bench;
        const auto* write = bench.form->findChild<QPushButton*>("WriteButton");
        QVERIFY(write);
        QCOMPARE(write->text(), QString("WRITE"));
        QCOMPARE(write->toolTip(), QString("Write program to PIC"));
        QCOMPARE(Control<QPushButton>(*bench.form, "F_OpenButton")->toolTip(),
                 QString("Open your ASM,HEX file"));
        QCOMPARE(Control<QPushButton>(*bench.form, "Command_RESET")->toolTip(),
                 QString("Reset PIC"));
        QCOMPARE(Control<QRadioButton>(*bench.form, "PICsel_10")->text(), QString("18F4520"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "LastAddrText")->toolTip(),
                 QString("Program last Address"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "ConfigAddrText_7")->toolTip(),
                 QString("Config data"));
        QCOMPARE(Control<QLabel>(*bench.form, "Label8")->text(), QString("Configration bit"));
        QCOMPARE(Control<QPushButton>(*bench.form, "Command_VCC")->text(), QString("VCC off"));
        QAction* convertor = bench.form->menuAction("Convertor");
        QVERIFY(convertor);
        QCOMPARE(convertor->text(), QString("Convertor"));
        QCOMPARE(convertor->shortcut(), QKeySequence(Qt::Key_F8));
        QCOMPARE(bench.form->menuAction("HELP")->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(bench.form->menuAction("CNT_MENU")->text(), QString("F-Counter"));
    }

    void utilityMenusOpenSingleWindowsAndLaunchers() {
        Bench bench;
        bench.Start();
        bench.form->menuAction("Convertor")->trigger();
        bench.form->menuAction("Convertor")->trigger();
        QCOMPARE(bench.form->findChildren<DataConv*>().size(), 1);
        QVERIFY(bench.form->findChild<DataConv*>()->isVisible());
        bench.form->menuAction("HELP")->trigger();
        bench.form->menuAction("HELP")->trigger();
        QCOMPARE(bench.form->findChildren<HELP_FORM*>().size(), 1);
        // The default folder has no help file: the installed or source copy is shown.
        QVERIFY(bench.messages.shown.empty());
        // The documentation of this tree, unless the settings name another page.
        QVERIFY(Control<ClickableLabel>(*bench.form, "Label12")->text().startsWith("file:///"));
        QVERIFY(Control<ClickableLabel>(*bench.form, "Label12")->text().endsWith("/README.md"));
        bench.store.Write("TAMRO18", "DATA", "HOMEPAGE", "https://example.org/panel");
        bench.form->menuAction("HomePage_OPEN")->trigger();
        Control<ClickableLabel>(*bench.form, "Label12")->clicked();
        QCOMPARE(
            bench.launcher.openedUrls,
            (std::vector<std::string>{"https://example.org/panel", "https://example.org/panel"}));
        bench.launcher.calculatorResult = false;
        bench.form->menuAction("CALC")->trigger();
        QCOMPARE(bench.launcher.calculatorStarts, 1);
        QCOMPARE(bench.messages.shown.size(), std::size_t{1});
        QTimer::singleShot(0, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        });
        bench.form->menuAction("VER")->trigger();
        QVERIFY(bench.driver.packets.empty());
    }

    void fileOpenLoadsAHexFileIntoImagesFieldsAndConfiguration() {
        Bench bench;
        bench.Start();
        QTemporaryDir folder;
        const QString path = folder.filePath("blink.hex");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Words 80h..81h, then the configuration word at 300002h..300003h.
        file.write(
            ":020000040000FA\n"
            ":04010000341200EFC6\n"
            ":020000040030CA\n"
            ":020002001F0ECF\n"
            ":00000001FF\n");
        file.close();
        bench.dialogs.openAnswer = path.toStdString();
        Control<QPushButton>(*bench.form, "F_OpenButton")->click();
        QCOMPARE(Control<QLineEdit>(*bench.form, "FilenameTextbox")->text(), path);
        QCOMPARE(bench.form->session().images().haveData, std::int16_t{1});
        QCOMPARE(bench.form->session().images().program[0x100], std::uint8_t{0x34});
        QCOMPARE(bench.form->session().images().program[0x103], std::uint8_t{0xEF});
        QCOMPARE(bench.form->session().images().program[0x104], std::uint8_t{0xFF});
        QCOMPARE(Control<QLineEdit>(*bench.form, "StartAddrText")->text(),
                 QString("0"));  // the address record comes first
        QCOMPARE(Control<QLineEdit>(*bench.form, "LastAddrText")->text(), QString("82"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "CurrentAddrText")->text(), QString("82"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "ConfigAddrText_3")->text(), QString("E"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "Text_Configbit_1")->text(),
                 QString("0000 1110 0001 1111"));
        QVERIFY(bench.messages.shown.empty());
        QVERIFY(bench.driver.packets.empty());

        // A file that does not load reports the file error and keeps the fields.
        bench.dialogs.openAnswer = folder.filePath("missing.hex").toStdString();
        Control<QPushButton>(*bench.form, "F_OpenButton")->click();
        QCOMPARE(bench.messages.shown.size(), std::size_t{1});
        QCOMPARE(bench.messages.shown[0].text,
                 std::string("Can't Open or Read the FILE\nmissing.hex: cannot open the file"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "LastAddrText")->text(), QString("82"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "FilenameTextbox")->text(), path);
    }

    void failedLoadKeepsThePreviousFileLoaded_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QByteArray random(2000, 0);
        for (int i = 0; i < random.size(); ++i) random[i] = static_cast<char>(i * 151 + 7);
        QTest::newRow("random bytes") << random << "line 1";
        QTest::newRow("empty file") << QByteArray() << "end-of-file";
        QTest::newRow("text file") << QByteArray("A note,\nnot a program.\n") << "line 1";
        QTest::newRow("bad checksum")
            << QByteArray(":0400000012EF00F0FF\n:00000001FF\n") << "line 1: checksum";
        QTest::newRow("no end record") << QByteArray(":0400000012EF00F00B\n") << "end-of-file";
    }
    void failedLoadKeepsThePreviousFileLoaded() {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        Bench bench;
        bench.Start();
        QTemporaryDir folder;
        auto write = [&](const char* name, const QByteArray& bytes) {
            QFile file(folder.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            return folder.filePath(name);
        };
        const QString good = write("good.hex",
                                   ":0400000012EF00F00B\n:020000040030CA\n"
                                   ":020008000FC027\n:00000001FF\n");
        bench.dialogs.openAnswer = good.toStdString();
        Control<QPushButton>(*bench.form, "F_OpenButton")->click();
        QVERIFY(bench.messages.shown.empty());
        QCOMPARE(Control<QLineEdit>(*bench.form, "ConfigAddrText_8")->text(), QString("F"));
        const Images loaded = bench.form->session().images();

        bench.dialogs.openAnswer = write("input.hex", content).toStdString();
        Control<QPushButton>(*bench.form, "F_OpenButton")->click();
        QCOMPARE(bench.messages.shown.size(), std::size_t{1});
        const QString text = QString::fromStdString(bench.messages.shown[0].text);
        QVERIFY2(text.contains("input.hex: ") && text.contains(reason), qPrintable(text));
        QVERIFY(bench.form->session().images() == loaded);
        QCOMPARE(Control<QLineEdit>(*bench.form, "FilenameTextbox")->text(), good);
        QCOMPARE(bench.form->toolFiles().HexFileName, good.toStdString());
        QCOMPARE(Control<QLineEdit>(*bench.form, "ConfigAddrText_8")->text(), QString("F"));

        // A file without configuration records: the group's defaults, not the last file's.
        bench.dialogs.openAnswer =
            write("plain.hex", ":0400000012EF00F00B\n:00000001FF\n").toStdString();
        Control<QPushButton>(*bench.form, "F_OpenButton")->click();
        QCOMPARE(bench.messages.shown.size(), std::size_t{1});
        QCOMPARE(Control<QLineEdit>(*bench.form, "ConfigAddrText_8")->text(), QString("FF"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "ConfigAddrText_1")->text(), QString("FA"));
    }

    void configurationBoxesTakeHexDigitsAndBadOnesBlockWrite() {
        Bench bench;
        bench.Start();
        bench.form->session().images().haveData = 1;
        QLineEdit* box = Control<QLineEdit>(*bench.form, "ConfigAddrText_3");
        box->clear();
        QTest::keyClicks(box, "g5x");
        QCOMPARE(box->text(), QString("5"));
        for (const QString& bad : {QString(), QString("G1")}) {
            box->setText(bad);
            bench.messages.shown.clear();
            Control<QPushButton>(*bench.form, "WriteButton")->click();
            QVERIFY(bench.driver.packets.empty());
            QCOMPARE(bench.messages.shown.size(), std::size_t{1});
            QCOMPARE(bench.messages.shown[0].title, std::string("WRITE ERROR"));
            QVERIFY(bench.messages.shown[0].text.find("300003h") != std::string::npos);
        }
    }

    void protectionIsWrittenOnlyAfterTheUserAgrees() {
        Bench bench;
        bench.Start();
        bench.form->session().images().haveData = 1;
        Control<QLineEdit>(*bench.form, "LastAddrText")->setText("3");
        Control<QLineEdit>(*bench.form, "ConfigAddrText_8")->setText("FE");  // CP0
        bench.messages.answer = false;
        Control<QPushButton>(*bench.form, "WriteButton")->click();
        QCOMPARE(bench.messages.asked.size(), std::size_t{1});
        QCOMPARE(bench.messages.asked[0].title, std::string("CODE PROTECTION"));
        QVERIFY(bench.messages.asked[0].text.find("CP0") != std::string::npos);
        QVERIFY(bench.driver.packets.empty());
        bench.messages.answer = true;
        Control<QPushButton>(*bench.form, "WriteButton")->click();
        QCOMPARE(bench.messages.asked.size(), std::size_t{2});
        QVERIFY(!bench.driver.packets.empty());
    }

    void writeRefusesWithoutDataOrWhileTheCountdownRuns() {
        Bench bench;
        bench.Start();
        bench.form->SetTickCountdown(5);
        bench.form->session().images().haveData = 1;
        Control<QPushButton>(*bench.form, "WriteButton")->click();
        QVERIFY(bench.driver.packets.empty());
        QVERIFY(bench.messages.shown.empty());
        bench.form->SetTickCountdown(0);
        bench.form->session().images().haveData = 0;
        Control<QPushButton>(*bench.form, "WriteButton")->click();
        QVERIFY(bench.driver.packets.empty());
        QCOMPARE(bench.messages.shown.size(), std::size_t{1});
        QCOMPARE(bench.messages.shown[0].text, std::string("I have no data"));
        QCOMPARE(bench.messages.shown[0].title, std::string("WRITE ERROR"));
    }

    void eraseButtonSendsItsGroupSequence() {
        Bench bench;
        bench.Start();
        // The device check's ID read comes first.
        Control<QPushButton>(*bench.form, "ERASEButton")->click();
        QCOMPARE(bench.driver.packets.size(), kIdSequence.size() + 12);
        QCOMPARE(Control<QLabel>(*bench.form, "NotesLabel")->text(),
                 QString("Chip Erase Complete"));
        QCOMPARE(Control<QPushButton>(*bench.form, "Command_VCC")->text(), QString("VCC off"));
        bench.deviceId = 0x1087;
        Control<QRadioButton>(*bench.form, "PICsel_10")->click();
        bench.driver.packets.clear();
        // The supply is off now: the ID read is powered (two packets more).
        Control<QPushButton>(*bench.form, "ERASEButton")->click();
        QCOMPARE(bench.driver.packets.size(), 2 + kIdSequence.size() + 14);
    }

    void bufferButtonShowsTheProgramBuffer() {
        Bench bench;
        bench.Start();
        bench.form->SetTickCountdown(7);
        Control<QPushButton>(*bench.form, "BUFVIEWButton")->click();
        QVERIFY(bench.form->findChild<DATAVIEW*>()->isVisible());
        QCOMPARE(bench.form->TickCountdown(), std::int16_t{0});
        QCOMPARE(Control<QLabel>(*bench.form, "NotesLabel")->text(), QString("Show Read BUFFER"));
        QCOMPARE(NotesColour(*bench.form), kNotesViolet);
    }

    void readReplacesTheImageAndOpensTheViewer() {
        Bench bench;
        bench.Start();
        bench.form->session().images().haveData = 1;
        Control<QLineEdit>(*bench.form, "LastAddrText")->setText("7");
        bench.form->menuAction("READ")->trigger();
        QCOMPARE(Control<QLabel>(*bench.form, "NotesLabel")->text(), QString("Read Complete"));
        QCOMPARE(bench.form->session().images().haveData, std::int16_t{0});
        QVERIFY(bench.form->findChild<DATAVIEW*>()->isVisible());
        QCOMPARE(Control<QLineEdit>(*bench.form, "StartAddrText")->text(), QString("0"));
        QCOMPARE(Control<QLineEdit>(*bench.form, "CurrentAddrText")->text(), QString("7"));
        QVERIFY(!Control<QProgressBar>(*bench.form, "ProgressBar")->isVisible());
    }

    void saveHexWritesTheProgramBufferForTheLoader() {
        Bench bench;
        bench.Start();
        QTemporaryDir folder;
        for (int i = 0; i < 64; ++i)
            bench.form->session().images().program[i] = static_cast<std::uint8_t>(i);
        const std::string path = folder.filePath("saved.hex").toStdString();
        bench.dialogs.saveAnswer = path;
        bench.form->menuAction("SaveHex")->trigger();
        QVERIFY(bench.messages.shown.empty());
        const auto saved = bench.form->session().images().program;
        bench.form->session().images().program.fill(0);
        bench.form->toolFiles().HexFileName = path;
        bench.form->HexLoad();
        QVERIFY(std::equal(saved.begin(), saved.begin() + kProgramBytes,
                           bench.form->session().images().program.begin()));
        // A folder that cannot be written reports the error.
        bench.dialogs.saveAnswer = path + "/inside-a-file.hex";
        bench.form->menuAction("SaveHex")->trigger();
        QCOMPARE(bench.messages.shown.size(), std::size_t{1});
        QCOMPARE(bench.messages.shown[0].title, std::string("FILE ERROR"));
    }

    void metersRefuseWhileATargetOperationRuns() {
        Bench bench;
        bench.Start();
        bench.pump.onPump = [&] { bench.form->menuAction("VM_MANU")->trigger(); };
        Control<QRadioButton>(*bench.form, "PICsel_10")->click();
        bench.pump.onPump = nullptr;
        const int refusals = bench.messages.beeps;
        QVERIFY(refusals >= 1);
        QCOMPARE(PacketTexts(bench.driver.packets), kIdSequence);
        QTimer::singleShot(0, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        });
        bench.form->menuAction("VM_MANU")->trigger();
        QCOMPARE(bench.messages.beeps, refusals);
    }

    void shutdownClosesTheDriverAndSendsNothing() {
        Bench bench;
        bench.Start();
        bench.form->close();
        QCOMPARE(bench.driver.closes, 1);
        QVERIFY(bench.driver.packets.empty());
        bench.form.reset();
        QCOMPARE(bench.driver.closes, 1);
    }

    void exitAsksBeforeUnsavedEditorTextGoes() {
        Bench bench;
        bench.Start();
        Control<QPushButton>(*bench.form, "New_EditorButton")->click();
        auto* editor = bench.form->findChild<EditorWindow*>();
        QVERIFY(editor != nullptr && editor->isVisible());
        QTest::keyClicks(editor->EditorText(), QStringLiteral("\torg 0"));

        bench.messages.saveAnswer = SaveChoice::Cancel;
        Control<QPushButton>(*bench.form, "EXTButton")->click();
        QCOMPARE(bench.messages.saveQuestions.size(), std::size_t{1});
        QCOMPARE(bench.driver.closes, 0);  // the panel goes on
        QVERIFY(editor->isVisible());

        bench.messages.saveAnswer = SaveChoice::Discard;
        QVERIFY(bench.form->close());
        QCOMPARE(bench.messages.saveQuestions.size(), std::size_t{2});
        QCOMPARE(bench.driver.closes, 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_qtest.moc"
