// The instrument windows: controls at their places, sizes and size changes,
// lamps, timers, and the logic analyzer's rendered trace.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "instruments/ui/event_counter.h"
#include "instruments/ui/frequency_counter.h"
#include "instruments/ui/instrument_widgets.h"
#include "instruments/ui/logic_analyzer.h"
#include "instruments/ui/logic_picture.h"
#include "instruments/ui/volt_meter.h"
#include "tests/testing/fakes.h"

using namespace tamro;
using tamro::testing::CountingEventPump;
using tamro::testing::MemorySettingsStore;
using tamro::testing::PacketTexts;
using tamro::testing::RecordingDriver;
using tamro::testing::RecordingMessageBoxes;

namespace {

QRect TwipRect(int left, int top, int width, int height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

template <typename W>
W* Child(QWidget& window, const char* name) {
    W* child = window.findChild<W*>(name);
    if (!child) qFatal("no control %s", name);
    return child;
}

Rgb LampOf(QWidget& window, const char* name) {
    return Child<LampShape>(window, name)->Fill();
}

QString TagOf(QWidget& window, const char* name) {
    return Child<QPushButton>(window, name)->property("tag").toString();
}

struct Bench {
    Bench() {
        driver.responder = [this](const Packet& packet) {
            if (packet[0] == protocol::Code(protocol::Command::CaptureRead)) {
                Packet reply{};
                for (int k = 0; k < 8; ++k) reply[k] = captured[8 * packet[1] + k];
                return reply;
            }
            return reply;
        };
    }
    Packet reply{};
    std::array<std::uint8_t, 64> captured{};
    RecordingDriver driver;
    RecordingMessageBoxes messages;
    testing::MemorySettingsStore sessionSettings;
    ProgrammerSession session{driver, messages, sessionSettings};
    MemorySettingsStore settings;
    CountingEventPump pump;
};

// The client size in pixels of a window whose outer size is given in twips.
QSize ClientPixels(TwipSize outer) {
    const TwipSize client = ClientForOuter(outer.width, outer.height);
    return QSize(Px(client.width), Px(client.height));
}

const QColor kNavy(0, 0, 128);

}  // namespace

class InstrumentWindowsTest : public QObject {
    Q_OBJECT
  private slots:
    void voltMeterLayout();
    void voltMeterSizes();
    void voltMeterReadingAndFactorBox();
    void voltMeterAutoStopsAfterOneFailedExchange();
    void frequencyCounterLayoutAndGates();
    void eventCounterLoadAndButtons();
    void logicViewLayout();
    void logicViewRendersTheTrace();
    void logicViewMaintenanceControls();
};

void InstrumentWindowsTest::voltMeterLayout() {
    Bench bench;
    VM vm(bench.session, bench.settings);
    QCOMPARE(vm.windowTitle(), QString("Volt Meter"));
    auto* readout = Child<QLineEdit>(vm, "VMtext");
    QCOMPARE(readout->geometry(), TwipRect(225, 300, 1935, 720));
    QCOMPARE(readout->text(), QString("0"));
    QCOMPARE(readout->palette().color(QPalette::Base), QColor(64, 64, 64));
    QCOMPARE(readout->palette().color(QPalette::Text), QColor(0, 255, 255));
    QVERIFY(readout->font().bold());
    QCOMPARE(readout->font().pointSizeF(), 27.75);
    QVERIFY(readout->alignment() & Qt::AlignRight);
    QCOMPARE(Child<QLabel>(vm, "Label1")->font().pointSizeF(), 14.25);
    QVERIFY(Child<QRadioButton>(vm, "Option_CH2")->isChecked());
    QCOMPARE(Child<QRadioButton>(vm, "Option_CH2")->geometry(), TwipRect(2700, 240, 795, 255));
    QCOMPARE(Child<QRadioButton>(vm, "Option_CH1")->text(), QString("Sab"));
    QCOMPARE(Child<QLabel>(vm, "Label4")->text(), QString("Input  Vin"));
    QCOMPARE(Child<QLabel>(vm, "Label3")->palette().color(QPalette::WindowText),
             QColor(128, 128, 128));
    QCOMPARE(Child<QProgressBar>(vm, "Volt_Bar")->maximum(), 255);
    QCOMPARE(Child<QProgressBar>(vm, "Volt_Bar")->geometry(), TwipRect(240, 1140, 1935, 255));
    QCOMPARE(Child<LampShape>(vm, "Shape_AUTO")->geometry(), TwipRect(255, 1620, 135, 375));
    QCOMPARE(Child<QPushButton>(vm, "Command_EXIT")->geometry(), TwipRect(2925, 1620, 600, 375));
    QCOMPARE(Child<QLineEdit>(vm, "Text_COMP")->geometry(), TwipRect(3870, 900, 885, 330));
    QCOMPARE(Child<QLineEdit>(vm, "Text3")->geometry(), TwipRect(240, 2640, 855, 315));
    QCOMPARE(Child<QLineEdit>(vm, "Text1")->text(), QString("Text1"));
    QVERIFY(LampOf(vm, "Shape_AUTO") == kLampGrey);
    QCOMPARE(vm.AutoTimer().interval(), 500);
    QVERIFY(!vm.AutoTimer().isActive());
    QVERIFY(bench.driver.packets.empty());
}

void InstrumentWindowsTest::voltMeterSizes() {
    Bench bench;
    VM vm(bench.session, bench.settings);
    QCOMPARE(vm.size(), ClientPixels({3825, 2655}));
    auto* comp = Child<QPushButton>(vm, "Command_COMP");
    comp->click();
    QCOMPARE(vm.size(), ClientPixels({5100, 2655}));
    QCOMPARE(TagOf(vm, "Command_COMP"), QString("1"));
    comp->click();
    QCOMPARE(vm.size(), ClientPixels({3825, 2655}));
    QTest::mousePress(Child<QProgressBar>(vm, "Volt_Bar"), Qt::LeftButton);
    QCOMPARE(vm.size(), ClientPixels({3900, 3500}));
    QCOMPARE(TagOf(vm, "Command_COMP"), QString("0"));
}

void InstrumentWindowsTest::voltMeterReadingAndFactorBox() {
    Bench bench;
    bench.reply = Packet{0x31, 0xCE};
    bench.settings.Write("TAMRO", "DATA", "VOLTATT", "4.4");
    VM vm(bench.session, bench.settings);
    Child<QPushButton>(vm, "Command_READ")->click();
    // The converter's last step: the input may be anywhere above it.
    QCOMPARE(Child<QLineEdit>(vm, "VMtext")->text(), QString("OL"));
    QCOMPARE(Child<QProgressBar>(vm, "Volt_Bar")->value(), 255);
    QCOMPARE(Child<QLineEdit>(vm, "Text1")->text(), QString("4.998"));
    QCOMPARE(Child<QLineEdit>(vm, "Text3")->text(), QString("12750"));

    auto* factor = Child<QLineEdit>(vm, "Text_COMP");
    factor->selectAll();
    QTest::keyClick(factor, Qt::Key_Delete);
    QCOMPARE(bench.settings.Read("TAMRO", "DATA", "VOLTATT"), std::string());
    QTest::keyClicks(factor, "5");
    QCOMPARE(bench.settings.Read("TAMRO", "DATA", "VOLTATT"), std::string("5"));
    Child<QRadioButton>(vm, "Option_CH0")->click();
    bench.reply = Packet{0x13, 0x88};  // 5000
    Child<QPushButton>(vm, "Command_READ")->click();
    QCOMPARE(Child<QLineEdit>(vm, "VMtext")->text(), QString("9.8"));
    QCOMPARE(PacketTexts(bench.driver.packets).back(), std::string("39 00 00 00 00 00 00 00"));
}

void InstrumentWindowsTest::voltMeterAutoStopsAfterOneFailedExchange() {
    Bench bench;
    bench.reply = Packet{0x31, 0xCE};
    VM vm(bench.session, bench.settings);
    auto* autoButton = Child<QPushButton>(vm, "Command_AUTO");
    bench.driver.failReads = {3};
    autoButton->click();
    QVERIFY(LampOf(vm, "Shape_AUTO") == kLampOrange);
    QCOMPARE(TagOf(vm, "Command_AUTO"), QString("1"));
    QVERIFY(vm.AutoTimer().isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!vm.AutoTimer().isActive(), 5000);
    QTest::qWait(150);
    QCOMPARE(bench.driver.writes, 3);
    QCOMPARE(bench.messages.shown.size(), std::size_t(1));
    QVERIFY(LampOf(vm, "Shape_AUTO") == kLampOrange);

    autoButton->click();  // off: the timer ticks but sends nothing
    QVERIFY(LampOf(vm, "Shape_AUTO") == kLampGrey);
    QVERIFY(vm.AutoTimer().isActive());
    QTest::qWait(100);
    QCOMPARE(bench.driver.writes, 3);
    autoButton->click();
    QTRY_VERIFY(bench.driver.writes > 3);

    Child<QPushButton>(vm, "Command_EXIT")->click();
    QVERIFY(!vm.AutoTimer().isActive());
    QVERIFY(LampOf(vm, "Shape_AUTO") == kLampGrey);
    QCOMPARE(TagOf(vm, "Command_AUTO"), QString("0"));
}

void InstrumentWindowsTest::frequencyCounterLayoutAndGates() {
    Bench bench;
    bench.reply = Packet{0x30, 0x39, 0x00};
    Form_FCNT counter(bench.session);
    QCOMPARE(counter.windowTitle(), QString("Frequency Counter"));
    QCOMPARE(counter.size(), ClientPixels({4200, 2900}));
    QCOMPARE(Child<QLineEdit>(counter, "VMtext")->geometry(), TwipRect(180, 225, 3120, 720));
    QCOMPARE(Child<LampShape>(counter, "Shape_over")->geometry(), TwipRect(240, 1080, 195, 195));
    QCOMPARE(Child<QLabel>(counter, "Label4")->text(), QString("Input  LA-TP"));
    QVERIFY(Child<QRadioButton>(counter, "Option_GATEH")->isChecked());
    QVERIFY(bench.driver.packets.empty());

    Child<QPushButton>(counter, "Command_READ")->click();
    QCOMPARE(Child<QLineEdit>(counter, "VMtext")->text(), QString("123.450"));
    QCOMPARE(Child<QLabel>(counter, "Label_unit")->text(), QString("KHz"));

    Child<QPushButton>(counter, "Command_AUTO")->click();
    QCOMPARE(counter.AutoTimer().interval(), 500);
    Child<QRadioButton>(counter, "Option_GATEL")->click();
    QCOMPARE(counter.AutoTimer().interval(), 500);  // changes with the next measurement
    counter.Timer_AUTO_Timer();
    QCOMPARE(counter.AutoTimer().interval(), 1500);
    QCOMPARE(Child<QLineEdit>(counter, "VMtext")->text(), QString("12345"));
    QCOMPARE(Child<QLabel>(counter, "Label_unit")->text(), QString("Hz"));

    bench.reply = Packet{0x00, 0x00, 0x01};
    Child<QRadioButton>(counter, "Option_GATEH")->click();
    Child<QPushButton>(counter, "Command_READ")->click();
    QCOMPARE(Child<QLineEdit>(counter, "VMtext")->text(), QString("655.360"));
    QVERIFY(LampOf(counter, "Shape_over") == kLampLightRed);
}

void InstrumentWindowsTest::eventCounterLoadAndButtons() {
    Bench bench;
    bench.reply = Packet{0x00, 0x05, 0x01};
    Form_CNT counter(bench.session);
    QCOMPARE(counter.windowTitle(), QString("Counter"));
    QCOMPARE(counter.size(), ClientPixels({3600, 2970}));
    QCOMPARE(Child<QPushButton>(counter, "Command_RESET")->geometry(),
             TwipRect(2460, 1560, 915, 375));
    QCOMPARE(Child<QLabel>(counter, "Label1")->text(), QString("Cnt"));
    QCOMPARE(PacketTexts(bench.driver.packets),
             std::vector<std::string>{"3D 00 00 00 00 00 00 00"});
    Child<QPushButton>(counter, "Command_START")->click();
    Child<QPushButton>(counter, "Command_STOP")->click();
    Child<QPushButton>(counter, "Command_RESET")->click();
    Child<QPushButton>(counter, "Command_READ")->click();
    QCOMPARE(PacketTexts(bench.driver.packets),
             (std::vector<std::string>{"3D 00 00 00 00 00 00 00", "3D 02 00 00 00 00 00 00",
                                       "3D 03 00 00 00 00 00 00", "3D 00 00 00 00 00 00 00",
                                       "3D 01 00 00 00 00 00 00"}));
    QCOMPARE(Child<QLineEdit>(counter, "VMtext")->text(), QString("65541"));
    QVERIFY(LampOf(counter, "Shape_over") == kLampLightRed);
    Child<QPushButton>(counter, "Command_AUTO")->click();
    QVERIFY(LampOf(counter, "Shape_AUTO") == kLampOrange);
    QCOMPARE(counter.AutoTimer().interval(), 500);
}

void InstrumentWindowsTest::logicViewLayout() {
    Bench bench;
    LA view(bench.session, bench.messages, bench.pump);
    QCOMPARE(view.windowTitle(), QString("LOGIC VIEW"));
    QCOMPARE(view.size(), ClientPixels({6800, 3100}));
    QCOMPARE(view.palette().color(QPalette::Window), QColor(192, 192, 192));
    QCOMPARE(Child<LogicPicture>(view, "Picture1")->geometry(), TwipRect(165, 75, 5265, 2000));
    QCOMPARE(Child<QPushButton>(view, "Command7")->toolTip(), QString("TRIG Go!"));
    QCOMPARE(Child<QLineEdit>(view, "STIME")->toolTip(), QString("Sample Time"));
    QCOMPARE(Child<QLineEdit>(view, "STIME")->text(), QString("1"));
    QCOMPARE(Child<QLineEdit>(view, "STIME")->geometry(), TwipRect(6075, 1890, 450, 270));
    QCOMPARE(Child<QLabel>(view, "Label4")->text(), QString("100 Sample /div"));
    QCOMPARE(Child<QPushButton>(view, "Command10")->geometry(), TwipRect(7020, 5130, 1920, 375));
    QVERIFY(Child<QRadioButton>(view, "Option1")->isChecked());
    QVERIFY(LampOf(view, "Shape2") == kBusyIdle);
    QVERIFY(bench.driver.packets.empty());
}

void InstrumentWindowsTest::logicViewRendersTheTrace() {
    Bench bench;
    LA view(bench.session, bench.messages, bench.pump);
    const QImage& empty = view.Picture().Image();
    QCOMPARE(empty.size(), QSize(Px(5265), Px(2000)));
    // The empty trace along y = 1200 from x = 100 to 4900, drawn over the grid.
    QCOMPARE(empty.pixelColor(Px(100), Px(1200)), kNavy);
    QCOMPARE(empty.pixelColor(Px(2050), Px(1200)), kNavy);
    QCOMPARE(empty.pixelColor(Px(4900), Px(1200)), kNavy);
    QCOMPARE(empty.pixelColor(Px(5000), Px(1200)), QColor(224, 224, 224));
    QCOMPARE(empty.pixelColor(Px(2050), Px(700)), QColor(Qt::white));
    QCOMPARE(empty.pixelColor(Px(2100), Px(1000)), QColor(0, 255, 0));
    QCOMPARE(empty.pixelColor(Px(2000), Px(1000)), QColor(224, 224, 224));
    QCOMPARE(empty.pixelColor(Px(2000), Px(30)), QColor(Qt::white));

    bench.captured[59] = 0x01;
    Child<QLineEdit>(view, "STIME")->setText("150");
    Child<QRadioButton>(view, "Option2")->click();
    Child<QPushButton>(view, "Command7")->click();
    QCOMPARE(PacketTexts(bench.driver.packets).front(), std::string("36 64 00 00 00 00 00 00"));
    QCOMPARE(Child<QLineEdit>(view, "STIME")->text(), QString("100"));
    QVERIFY(LampOf(view, "Shape2") == kBusyDone);
    const QImage& trace = view.Picture().Image();
    QCOMPARE(trace.pixelColor(Px(100), Px(700)), kNavy);
    QCOMPARE(trace.pixelColor(Px(110), Px(1000)), kNavy);  // the edge down
    QCOMPARE(trace.pixelColor(Px(2050), Px(700)), QColor(Qt::white));
    QCOMPARE(trace.pixelColor(Px(2050), Px(1200)), kNavy);

    // The drawing survives being covered: the window paints from the retained image.
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.hide();
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage shown = Child<LogicPicture>(view, "Picture1")->grab().toImage();
    QCOMPARE(shown.pixelColor(Px(100), Px(700)), kNavy);
    QCOMPARE(shown.pixelColor(Px(2050), Px(1200)), kNavy);

    Child<QPushButton>(view, "Command9")->click();  // CLEAR
    QCOMPARE(view.Picture().Image().pixelColor(Px(100), Px(700)), QColor(0, 255, 0));
    QCOMPARE(view.Picture().Image().pixelColor(Px(2050), Px(1200)), kNavy);
}

void InstrumentWindowsTest::logicViewMaintenanceControls() {
    Bench bench;
    LA view(bench.session, bench.messages, bench.pump);
    auto* pattern = Child<QPlainTextEdit>(view, "Text1");
    QCOMPARE(pattern->toPlainText(), QString(kDemoPattern));
    Child<QPushButton>(view, "Command10")->click();
    QCOMPARE(Child<QPlainTextEdit>(view, "Text3")->toPlainText(), QString(401, '0'));

    pattern->setPlainText("0" + QString(300, '1'));
    Child<QPushButton>(view, "Command25")->click();
    QCOMPARE(view.Logic().Samples()[520], std::string("1"));
    QCOMPARE(view.Picture().Image().pixelColor(Px(2050), Px(700)), kNavy);
    Child<QPushButton>(view, "Command10")->click();
    QCOMPARE(Child<QPlainTextEdit>(view, "Text3")->toPlainText(), "0" + QString(400, '1'));
}

QTEST_MAIN(InstrumentWindowsTest)
#include "instrument_windows_qtest.moc"
