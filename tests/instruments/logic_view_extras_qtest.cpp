// The logic view beyond its grid: Tab through the maintenance boxes, the
// capture view following each TRIG, and the export of a capture.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "instruments/logic_analyzer.h"
#include "instruments/ui/logic_capture_view.h"
#include "tests/testing/fakes.h"

using namespace tamro;
using tamro::testing::CountingEventPump;
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
            if (packet[0] == kCaptureReadCommand && packet[1] == 7) reply[3] = 0x01;
            return reply;
        };
        view.SetFileDialogs(&dialogs);
    }
    RecordingDriver driver;
    RecordingMessageBoxes messages;
    Link link{driver, messages};
    CountingEventPump pump;
    FixedFileDialogs dialogs;
    LA view{link, messages, pump};
};

std::string FileText(const std::filesystem::path& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace

class LogicViewExtrasTest : public QObject {
    Q_OBJECT
  private slots:
    void tabLeavesTheMaintenanceBoxes();
    void captureViewFollowsEachTrigger();
    void exportWritesTheLastCaptureWithItsTimeBase();
};

void LogicViewExtrasTest::tabLeavesTheMaintenanceBoxes() {
    Bench bench;
    bench.view.show();
    auto* pattern = bench.view.findChild<QPlainTextEdit*>("Text1");
    const QString before = pattern->toPlainText();
    pattern->setFocus();
    QTest::keyClick(pattern, Qt::Key_Tab);
    QCOMPARE(pattern->toPlainText(), before);
    QVERIFY(!pattern->hasFocus());
}

void LogicViewExtrasTest::captureViewFollowsEachTrigger() {
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

void LogicViewExtrasTest::exportWritesTheLastCaptureWithItsTimeBase() {
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

QTEST_MAIN(LogicViewExtrasTest)
#include "logic_view_extras_qtest.moc"
