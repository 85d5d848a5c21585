// The instrument windows beyond their original controls: the logic view's Tab
// order, capture view and export; the volt meter's OL, hold, extremes and log;
// the frequency counter's automatic gate.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "instruments/ui/frequency_counter.h"
#include "instruments/ui/logic_analyzer.h"
#include "instruments/ui/logic_capture_view.h"
#include "instruments/ui/volt_meter.h"
#include "instruments/ui/volt_meter_extras_panel.h"
#include "tests/testing/fakes.h"

using namespace tamro;
using tamro::testing::CountingEventPump;
using tamro::testing::MemorySettingsStore;
using tamro::testing::PacketTexts;
using tamro::testing::RecordingDriver;
using tamro::testing::RecordingMessageBoxes;

namespace {

class FixedFileDialogs final : public FileDialogs {
  public:
    std::string OpenFileName(const std::string&) override { return {}; }
    std::string SaveFileName(const std::string& filter) override {
        filters.push_back(filter);
        return path;
    }
    std::string path;
    std::vector<std::string> filters;
};

// A capture whose first sample is high and all others low.
struct Bench {
    Bench() {
        driver.responder = [](const Packet& packet) {
            Packet reply{};
            if (packet[0] == protocol::Code(protocol::Command::CaptureRead) && packet[1] == 7) {
                reply[3] = 0x01;
            }
            return reply;
        };
        view.SetFileDialogs(&dialogs);
    }
    RecordingDriver driver;
    RecordingMessageBoxes messages;
    MemorySettingsStore settings;
    ProgrammerSession session{driver, messages, settings};
    CountingEventPump pump;
    FixedFileDialogs dialogs;
    LA view{session, messages, pump};
};

std::string FileText(const std::filesystem::path& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace

class InstrumentExtrasTest : public QObject {
    Q_OBJECT
  private slots:
    void tabLeavesTheMaintenanceBoxes();
    void captureViewFollowsEachTrigger();
    void exportWritesTheLastCaptureWithItsTimeBase();
    void voltMeterOverloadHoldExtremesAndLog();
    void frequencyCounterAutomaticGate();
};

void InstrumentExtrasTest::tabLeavesTheMaintenanceBoxes() {
    Bench bench;
    bench.view.show();
    auto* pattern = bench.view.findChild<QPlainTextEdit*>("Text1");
    const QString before = pattern->toPlainText();
    pattern->setFocus();
    QTest::keyClick(pattern, Qt::Key_Tab);
    QCOMPARE(pattern->toPlainText(), before);
    QVERIFY(!pattern->hasFocus());
}

void InstrumentExtrasTest::captureViewFollowsEachTrigger() {
    Bench bench;
    bench.view.findChild<QPushButton*>("ViewButton")->click();
    LogicCaptureView* captureView = bench.view.CaptureView();
    QVERIFY(captureView && captureView->isVisible());
    QVERIFY(!captureView->Trace().Capture().levels[0]);
    bench.view.findChild<QLineEdit*>("STIME")->setText("20");
    bench.view.findChild<QPushButton*>("Command7")->click();
    const LogicCapture& shown = captureView->Trace().Capture();
    QVERIFY(shown.levels[0]);
    QCOMPARE(int(shown.sampleTime), 20);
    QCOMPARE(captureView->findChild<QLabel*>("TimeBaseLabel")->text(),
             QString("Sample time 2 ms, trigger on rising edge, 480 samples"));
}

void InstrumentExtrasTest::exportWritesTheLastCaptureWithItsTimeBase() {
    Bench bench;
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tamro-la-export-" + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::create_directories(folder);
    bench.view.findChild<QLineEdit*>("STIME")->setText("5");
    bench.view.findChild<QRadioButton*>("Option2")->click();
    bench.view.findChild<QPushButton*>("Command7")->click();
    // Boxes changed after the TRIG do not change what the capture was.
    bench.view.findChild<QLineEdit*>("STIME")->setText("50");

    bench.dialogs.path = (folder / "capture").string();  // the extension is added
    bench.view.findChild<QPushButton*>("ExportVcdButton")->click();
    const std::string vcd = FileText(folder / "capture.vcd");
    QVERIFY(vcd.find("sample time 0.5 ms, trigger on falling edge") != std::string::npos);
    QVERIFY(vcd.find("#0\n1!\n#5\n0!\n#2400\n") != std::string::npos);

    bench.dialogs.path = (folder / "capture.csv").string();
    bench.view.findChild<QPushButton*>("ExportCsvButton")->click();
    const std::string csv = FileText(folder / "capture.csv");
    QVERIFY(csv.find("time_s,level\n0.0000,1\n0.0005,0\n") != std::string::npos);

    bench.dialogs.path = "/nonexistent-folder/capture.csv";
    bench.view.findChild<QPushButton*>("ExportCsvButton")->click();
    QCOMPARE(bench.messages.shown.size(), std::size_t(1));
    bench.dialogs.path.clear();  // cancelled: nothing written, nothing said
    bench.view.findChild<QPushButton*>("ExportCsvButton")->click();
    QCOMPARE(bench.messages.shown.size(), std::size_t(1));
    std::filesystem::remove_all(folder);
}

void InstrumentExtrasTest::voltMeterOverloadHoldExtremesAndLog() {
    RecordingDriver driver;
    RecordingMessageBoxes messages;
    MemorySettingsStore settings;
    ProgrammerSession session{driver, messages, settings};
    Packet reply{0x13, 0x88};  // 5000: 8.6 V with the factor 4.4
    driver.responder = [&](const Packet&) { return reply; };
    VM vm(session, settings);
    FixedFileDialogs dialogs;
    vm.Extras().SetFileDialogs(&dialogs);
    auto* readout = vm.findChild<QLineEdit*>("VMtext");
    auto* read = vm.findChild<QPushButton*>("Command_READ");
    const auto log = std::filesystem::temp_directory_path() /
                     ("tamro-volt-log-" + std::to_string(QCoreApplication::applicationPid()));
    dialogs.path = log.string();
    QVERIFY(vm.Extras().StartLog());

    read->click();
    QCOMPARE(readout->text(), QString("8.6"));
    vm.Extras().SetHold(true);
    reply = Packet{0x31, 0xCE};  // the converter's top
    read->click();
    QCOMPARE(readout->text(), QString("8.6"));
    QCOMPARE(vm.Extras().Marks()->text(), QString("HOLD\nmax OL\nmin 8.6\nLOG"));
    vm.Extras().SetHold(false);
    read->click();
    QCOMPARE(readout->text(), QString("OL"));
    vm.Extras().StopLog();

    std::istringstream lines(FileText(log.string() + ".csv"));
    std::string line;
    std::vector<std::string> rows;
    while (std::getline(lines, line)) rows.push_back(line);
    QCOMPARE(rows.size(), std::size_t(4));
    QCOMPARE(rows[0], std::string("time,channel,volts,count"));
    QVERIFY(rows[1].ends_with(",Vin,8.624,5000"));
    QVERIFY(rows[3].ends_with(",Vin,OL,12750"));
    std::filesystem::remove(log.string() + ".csv");
}

void InstrumentExtrasTest::frequencyCounterAutomaticGate() {
    RecordingDriver driver;
    RecordingMessageBoxes messages;
    MemorySettingsStore settings;
    ProgrammerSession session{driver, messages, settings};
    // 1 kHz, then 200 kHz: the 1 s count wraps three times.
    double hertz = 1000;
    driver.responder = [&](const Packet& packet) {
        const auto count = static_cast<unsigned>(hertz * (packet[1] == 1 ? 1.0 : 0.1));
        return Packet{std::uint8_t(count >> 8), std::uint8_t(count), std::uint8_t(count >> 16)};
    };
    Form_FCNT counter(session);
    auto* automatic = counter.findChild<QRadioButton*>("Option_GATEA");
    auto* readout = counter.findChild<QLineEdit*>("VMtext");
    auto* read = counter.findChild<QPushButton*>("Command_READ");
    automatic->click();
    read->click();
    QCOMPARE(readout->text(), QString("1.000"));
    QCOMPARE(automatic->text(), QString("Auto 100mS"));
    read->click();
    QCOMPARE(readout->text(), QString("1000"));
    QCOMPARE(automatic->text(), QString("Auto 1S"));
    hertz = 200000;
    driver.packets.clear();
    read->click();
    QCOMPARE(readout->text(), QString("200.000"));
    QCOMPARE(counter.findChild<QLabel*>("Label_unit")->text(), QString("KHz"));
    QCOMPARE(automatic->text(), QString("Auto 100mS"));
    QCOMPARE(PacketTexts(driver.packets),
             (std::vector<std::string>{"3C 01 00 00 00 00 00 00", "3C 00 00 00 00 00 00 00"}));
    // Back to the fixed 1 s gate: beyond one wrap the read-out says so.
    counter.findChild<QRadioButton*>("Option_GATEL")->click();
    read->click();
    QCOMPARE(readout->text(), QString("OVER"));
}

QTEST_MAIN(InstrumentExtrasTest)
#include "instrument_extras_qtest.moc"
