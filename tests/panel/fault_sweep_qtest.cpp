// Fault sweeps: every operation that talks to the programmer, with one exchange
// failing at every position in turn, and the programming operations over the
// real transports with the emulator daemon killed in the middle of them.
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "emulator/programmer.h"
#include "images/hex_writer.h"
#include "instruments/logic_analyzer_logic.h"
#include "instruments/meter_logic.h"
#include "link/driver_table.h"
#include "panel/main_window.h"
#include "tests/panel/panel_fakes.h"
#include "tests/testing/daemon_process.h"
#include "tests/testing/fakes.h"

using namespace tamro;
using tamro::testing::Control;
using tamro::testing::NotesColour;

namespace {

// Backend options with a short stream time-out, so that a dead daemon is noticed quickly.
DriverOptions WithTimeout(int milliseconds) {
    DriverOptions options;
    options.timeout = std::chrono::milliseconds(milliseconds);
    return options;
}

// ---------------------------------------------------------------- watchdog

// A case that does not end within its time is a hang: the process names the
// case and ends, rather than waiting for the test runner's own time-out.
char hangingCase[160];

void ReportHang(int) {
    const char prefix[] = "fault sweep: no end within the time limit in ";
    [[maybe_unused]] ssize_t ignored = write(STDERR_FILENO, prefix, sizeof prefix - 1);
    ignored = write(STDERR_FILENO, hangingCase, std::strlen(hangingCase));
    ignored = write(STDERR_FILENO, "\n", 1);
    _exit(3);
}

class Watchdog {
  public:
    Watchdog(const std::string& label, unsigned seconds) {
        std::snprintf(hangingCase, sizeof hangingCase, "%s", label.c_str());
        signal(SIGALRM, ReportHang);
        alarm(seconds);
    }
    ~Watchdog() { alarm(0); }
};

// ---------------------------------------------------------------- the panel

// The main window with every caption it gives NotesLabel kept in order.
class WatchedForm final : public TAMRO18_form {
  public:
    using TAMRO18_form::TAMRO18_form;
    void SetNotesCaption(const std::string& caption) override {
        captions.push_back(caption);
        TAMRO18_form::SetNotesCaption(caption);
    }
    std::vector<std::string> captions;
};

struct Panel : testing::PanelFakes {
    explicit Panel(DriverLibrary& driver) {
        form = std::make_unique<WatchedForm>(Platform(driver));
        messages.onShow = [this] {
            if (!captionsAtFirstBox && messages.shown.back().title == "USB ERROR") {
                captionsAtFirstBox = form->captions.size();
            }
        };
    }
    std::unique_ptr<WatchedForm> form;
    std::optional<std::size_t> captionsAtFirstBox;
};

// The panel on the in-process emulated programmer, each bench a fresh chip.
struct EmulatedPanel {
    explicit EmulatedPanel(emu::Device device = emu::Device::Pic18F452) {
        emu::Options options;
        options.device = device;
        programmer = std::make_shared<emu::Programmer>(options);
        driver.responder = [chip = programmer](const Packet& packet) {
            return chip->Exchange(packet);
        };
    }
    std::shared_ptr<emu::Programmer> programmer;
    testing::RecordingDriver driver;
    Panel panel{driver};
};

struct ImageSnapshot {
    explicit ImageSnapshot(const Images& images)
        : program(images.program),
          eeprom(images.eeprom),
          eepromRead(images.eepromRead),
          config(images.config),
          haveData(images.haveData) {}
    bool operator==(const ImageSnapshot&) const = default;
    std::array<std::uint8_t, kMaxProgramBytes> program;
    std::array<std::uint8_t, kMaxEepromBytes> eeprom;
    std::array<std::uint8_t, kMaxEepromBytes> eepromRead;
    std::array<std::uint8_t, kConfigEntries> config;
    std::int16_t haveData;
};

// A program of words 0 to Fh: what WRITE sends and VERIFY compares.
QString WriteSmallProgram(const QTemporaryDir& folder) {
    const QString path = folder.filePath("sweep.hex");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    Images program;
    program.program.fill(0xFF);
    for (int i = 0; i < 32; ++i)
        program.program[i] = static_cast<std::uint8_t>(0x11 * (i % 15) + i);
    const std::string text = IntelHexText(program, {HexRegions::FlashOnly, 0xF, {}});
    file.write(text.data(), static_cast<qint64>(text.size()));
    return path;
}

void LoadSmallProgram(WatchedForm& form, const QString& path) {
    form.toolFiles().HexFileName = path.toStdString();
    form.HexLoad();
    Control<QLineEdit>(form, "LastAddrText")->setText("F");
}

// NotesLabel reports a completed operation.
bool SaysComplete(const QWidget& form) {
    const QString notes = Control<QLabel>(form, "NotesLabel")->text();
    return notes.contains("Complete") || notes == "Chip is blank";
}

// Something a read would visibly overwrite.
void FillImagesWithAPattern(Images& images) {
    for (std::size_t i = 0; i < images.program.size(); ++i) {
        images.program[i] = static_cast<std::uint8_t>(0x5A ^ i);
    }
    for (std::size_t i = 0; i < images.eeprom.size(); ++i) {
        images.eeprom[i] = static_cast<std::uint8_t>(0xC3 ^ i);
    }
    for (std::size_t i = 0; i < images.eepromRead.size(); ++i) {
        images.eepromRead[i] = static_cast<std::uint8_t>(0x3C ^ i);
    }
    images.haveData = 1;
}

enum class Kind {
    GoesOn,       // each failed exchange is its own failure; the operation goes on
    Programming,  // the first failure ends the operation with a red error text
    Read,         // a programming operation that must leave the images alone
};

struct PanelOperation {
    std::string name;
    Kind kind;
    std::function<void(Panel&)> prepare;  // runs without failures
    std::function<void(Panel&)> run;
    emu::Device chip = emu::Device::Pic18F452;
    // Boxes the operation shows of its own, whatever the link does.
    std::vector<std::string> documentedBoxes = {};
    // Whether a run without link failures ends with a "... Complete" text.
    bool completes = true;
    // The packets that leave the target safe after a failed exchange.
    int leavingPackets = 4;
};

const char* KindName(Kind kind) {
    return kind == Kind::GoesOn ? "goes on" : kind == Kind::Read ? "read" : "programming";
}

// Failure positions: all of them, or for long operations the first and last
// rounds and a stride through the middle.
std::vector<int> FailurePoints(int exchanges, int edge = 80, int stride = 29) {
    std::set<int> points;
    for (int k = 1; k <= exchanges; ++k) {
        if (exchanges <= 3 * edge || k <= edge || k > exchanges - edge || k % stride == 0) {
            points.insert(k);
        }
    }
    return {points.begin(), points.end()};
}

struct SweepCounts {
    std::map<std::string, int> operations;  // per transport
    std::map<std::string, int> failurePoints;
    std::map<std::string, int> cases;
};
SweepCounts counts;

void Count(const std::string& transport, int points, int cases) {
    counts.operations[transport] += 1;
    counts.failurePoints[transport] += points;
    counts.cases[transport] += cases;
}

bool IsLinkBox(const testing::ShownMessage& message) {
    return message.title == "USB ERROR";
}

// Every box but the link's is one the operation shows of its own, once at most.
bool OnlyDocumentedBoxes(const PanelOperation& operation,
                         const std::vector<testing::ShownMessage>& shown) {
    std::map<std::string, int> seen;
    for (const auto& message : shown) {
        if (IsLinkBox(message)) continue;
        const auto& documented = operation.documentedBoxes;
        if (std::find(documented.begin(), documented.end(), message.text) == documented.end() ||
            ++seen[message.text] > 1) {
            return false;
        }
    }
    return true;
}

// The operations' own texts after a failure are "... Error" in red.
bool ShowsRedError(const WatchedForm& form) {
    return Control<QLabel>(form, "NotesLabel")->text().endsWith(" Error") &&
           NotesColour(form) == kNotesRed;
}

bool CaptionsAfterFirstBoxReportSuccess(const Panel& panel) {
    const auto& captions = panel.form->captions;
    const std::size_t from = panel.captionsAtFirstBox.value_or(captions.size());
    return std::any_of(
        captions.begin() + static_cast<std::ptrdiff_t>(from), captions.end(),
        [](const std::string& caption) { return caption.find("Complete") != std::string::npos; });
}

// ---------------------------------------------------------------- instruments

struct InstrumentBench {
    InstrumentBench() { driver.responder = testing::EmulatorResponder(); }
    testing::RecordingDriver driver;
    testing::RecordingMessageBoxes messages;
    testing::MemorySettingsStore settings;
    testing::CountingEventPump pump;
    testing::MemorySettingsStore sessionSettings;
    ProgrammerSession session{driver, messages, sessionSettings};
    VoltMeterLogic voltMeter{session, settings};
    FrequencyCounterLogic frequencyCounter{session};
    EventCounterLogic eventCounter{session};
    LogicAnalyzerLogic logicAnalyzer{session, messages, pump};
};

struct InstrumentOperation {
    std::string name;
    std::function<void(InstrumentBench&)> prepare;
    std::function<void(InstrumentBench&)> run;
    // What the instrument shows; a failed reading leaves it as it was.
    std::function<std::string(InstrumentBench&)> shown;
    // A failed reading stops AUTO's timer.
    std::function<bool(InstrumentBench&)> timerRuns;
};

std::string Joined(const LogicSampleArray& samples) {
    std::string text;
    for (int i = 0; i < kTraceSamples; ++i) text += samples[static_cast<std::size_t>(i)];
    return text;
}

// ---------------------------------------------------------------- real transports

// Passes everything on, and interrupts the daemon (kills or stops it) right
// after a chosen write, before its reply is read.
class InterruptingDriver final : public DriverLibrary {
  public:
    explicit InterruptingDriver(DriverLibrary& inner) : inner_(inner) {}
    std::int32_t Open() override { return inner_.Open(); }
    void Close() override { inner_.Close(); }
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override {
        const std::int32_t written = inner_.DataWrite(buffer, count);
        if (++writes == interruptAtWrite && interrupt) interrupt();
        return written;
    }
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override {
        return inner_.DataRead(buffer, count);
    }
    int writes = 0;
    int interruptAtWrite = 0;
    std::function<void()> interrupt;

  private:
    DriverLibrary& inner_;
};

// A daemon restarted where the panel's driver finds it again: TCP on the same
// port, a pseudo-terminal behind a fixed link (as a udev rule gives a serial
// programmer a fixed name).
class RestartableDaemon {
  public:
    RestartableDaemon(bool tcp, const QString& folder)
        : tcp_(tcp), link_((folder + "/programmer").toStdString()) {
        Start(tcp ? std::vector<std::string>{"--tcp", "127.0.0.1:0"}
                  : std::vector<std::string>{"--pty"});
        if (tcp_) port_ = daemon_->TcpPort();
    }
    bool Running() const { return daemon_ != nullptr; }
    std::string FirstLine() const { return daemon_ ? daemon_->FirstLine() : ""; }
    std::string DriverSetting() const {
        return tcp_ ? "tcp:127.0.0.1:" + port_ : "serial:" + link_;
    }
    void Signal(int number) {
        if (daemon_) daemon_->Signal(number);
    }
    void Kill() {
        if (daemon_) daemon_->Kill();
        daemon_.reset();
    }
    bool Restart() {
        Kill();
        Start(tcp_ ? std::vector<std::string>{"--tcp", "127.0.0.1:" + port_}
                   : std::vector<std::string>{"--pty"});
        return !daemon_->FirstLine().empty();
    }

  private:
    void Start(std::vector<std::string> arguments) {
        daemon_ = std::make_unique<testing::DaemonProcess>(std::move(arguments));
        if (!tcp_) {
            std::error_code error;
            std::filesystem::remove(link_, error);
            std::filesystem::create_symlink(daemon_->FirstLine(), link_, error);
        }
    }

    bool tcp_;
    std::string link_;
    std::string port_;
    std::unique_ptr<testing::DaemonProcess> daemon_;
};

}  // namespace

class FaultSweepTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir folder_;
    QString programPath_;
    QString deviceText_;

    std::vector<PanelOperation> PanelOperations() {
        const QString program = programPath_;
        auto started = [](Panel& panel) { QVERIFY(panel.form->Form_Load()); };
        auto startedAs4520 = [](Panel& panel) {
            QVERIFY(panel.form->Form_Load());
            Control<QRadioButton>(*panel.form, "PICsel_10")->click();
        };
        auto withProgram = [program](auto start) {
            return [program, start](Panel& panel) {
                start(panel);
                LoadSmallProgram(*panel.form, program);
            };
        };
        auto written = [program](auto start) {
            return [program, start](Panel& panel) {
                start(panel);
                LoadSmallProgram(*panel.form, program);
                Control<QPushButton>(*panel.form, "WriteButton")->click();
                QCOMPARE(Control<QLabel>(*panel.form, "NotesLabel")->text(),
                         QString("Write Complete, verified"));
            };
        };
        auto readPrepared = [](Panel& panel) {
            QVERIFY(panel.form->Form_Load());
            FillImagesWithAPattern(panel.form->session().images());
            Control<QLineEdit>(*panel.form, "LastAddrText")->setText("F");
        };
        auto click = [](const char* button) {
            return [button](Panel& panel) { Control<QPushButton>(*panel.form, button)->click(); };
        };
        std::vector<PanelOperation> operations = {
            {"start-up", Kind::GoesOn, [](Panel&) {},
             [](Panel& panel) { QVERIFY(panel.form->Form_Load()); }},
            {"select 18F4520", Kind::GoesOn, started,
             [](Panel& panel) { Control<QRadioButton>(*panel.form, "PICsel_10")->click(); }},
            {"select 18F452", Kind::GoesOn, startedAs4520,
             [](Panel& panel) { Control<QRadioButton>(*panel.form, "PICsel_9")->click(); }},
            {"ID", Kind::GoesOn, started, click("Command_ID")},
            {"VCC", Kind::GoesOn, started, click("Command_VCC")},
            {"LED", Kind::GoesOn, started, click("Command_LED")},
            {"RESET", Kind::GoesOn, started, click("Command_RESET")},
            {"ERASE 18F452",
             Kind::Programming,
             started,
             click("ERASEButton"),
             emu::Device::Pic18F452,
             {},
             true,
             3},
            {"ERASE 18F4520",
             Kind::Programming,
             startedAs4520,
             click("ERASEButton"),
             emu::Device::Pic18F4520,
             {},
             true,
             3},
            {"WRITE 18F452", Kind::Programming, withProgram(started), click("WriteButton")},
            {"WRITE 18F4520", Kind::Programming, withProgram(startedAs4520), click("WriteButton"),
             emu::Device::Pic18F4520},
            {"VERIFY 18F452", Kind::Programming, written(started), click("VerifyButton")},
            {"VERIFY 18F4520", Kind::Programming, written(startedAs4520), click("VerifyButton"),
             emu::Device::Pic18F4520},
            {"WRITE, wrong group: refused by the device check",
             Kind::Programming,
             [withProgram, startedAs4520](Panel& panel) {
                 panel.messages.answer = false;  // no switch to the chip's group
                 withProgram(startedAs4520)(panel);
             },
             click("WriteButton"),
             emu::Device::Pic18F452,
             {"18F4520 selected, the target reports 18F452 (427)"},
             false},
            {"VERIFY mismatch",
             Kind::Programming,
             [written, started](Panel& panel) {
                 written(started)(panel);
                 panel.form->session().images().program[2 * 6 + 1] ^= 0x40;
             },
             click("VerifyButton"),
             emu::Device::Pic18F452,
             {"Verify Data ERROR at flash 00000Dh"},
             false},
            {"READ", Kind::Read, readPrepared,
             [](Panel& panel) { panel.form->menuAction("READ")->trigger(); }},
            {"READ_EEPROM", Kind::Read, readPrepared,
             [](Panel& panel) { panel.form->menuAction("READ_EEPROM")->trigger(); }},
        };
        for (int level = 0; level < 3; ++level) {
            operations.push_back(
                {"Vset " + std::to_string(level), Kind::GoesOn, started, [level](Panel& panel) {
                     Control<QPushButton>(
                         *panel.form,
                         QString("Command_Vset_%1").arg(static_cast<std::size_t>(level)))
                         ->click();
                 }});
        }
        return operations;
    }

    // A failure that ends the operation it hit: nothing more was sent but the
    // leaving packets, one box, a red error text and no success reported after
    // it, the controls free again, the target at Vpp 0 V with the supply off.
    void CheckProgrammingFailure(const PanelOperation& operation, EmulatedPanel& bench,
                                 const ImageSnapshot& before) {
        Panel& panel = bench.panel;
        QVERIFY(ShowsRedError(*panel.form));
        QCOMPARE(bench.programmer->VppLevel(), 0);
        QVERIFY(!bench.programmer->SupplyOn());
        QVERIFY(!CaptionsAfterFirstBoxReportSuccess(panel));
        QVERIFY(Control<QProgressBar>(*panel.form, "ProgressBar")->isHidden());
        QVERIFY(!panel.form->session().Busy());
        QVERIFY(Control<QPushButton>(*panel.form, "WriteButton")->isEnabled());
        QVERIFY(panel.form->menuAction("READ")->isEnabled());
        if (operation.kind == Kind::Read)
            QVERIFY(ImageSnapshot(panel.form->session().images()) == before);
    }

  private slots:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        programPath_ = WriteSmallProgram(folder_);
        QVERIFY(!programPath_.isEmpty());
        EmulatedPanel bench;
        QVERIFY(bench.panel.form->Form_Load());
        deviceText_ = Control<QLineEdit>(*bench.panel.form, "Text_Device")->text();
        QVERIFY(deviceText_.startsWith("18F452"));
    }

    void panelOperationsWithEachExchangeFailing_data() {
        QTest::addColumn<int>("index");
        const auto operations = PanelOperations();
        for (std::size_t i = 0; i < operations.size(); ++i) {
            QTest::newRow(operations[i].name.c_str()) << static_cast<int>(i);
        }
    }
    void panelOperationsWithEachExchangeFailing() {
        QFETCH(int, index);
        const PanelOperation operation = PanelOperations()[static_cast<std::size_t>(index)];

        // The exchanges of a run without failures.
        int exchanges = 0;
        {
            EmulatedPanel bench(operation.chip);
            operation.prepare(bench.panel);
            QVERIFY(bench.panel.messages.shown.empty());
            const int before = bench.driver.writes;
            operation.run(bench.panel);
            exchanges = bench.driver.writes - before;
            QCOMPARE(bench.driver.reads - bench.driver.writes, 0);
            QVERIFY(OnlyDocumentedBoxes(operation, bench.panel.messages.shown));
            QCOMPARE(bench.panel.messages.shown.size(), operation.documentedBoxes.size());
            if (operation.kind != Kind::GoesOn) {
                QCOMPARE(SaysComplete(*bench.panel.form), operation.completes);
                QCOMPARE(NotesColour(*bench.panel.form) == kNotesRed, !operation.completes);
            }
        }
        QVERIFY(exchanges > 0);

        const std::vector<int> points = FailurePoints(exchanges);
        for (int k : points) {
            for (bool failWrite : {true, false}) {
                const std::string label = operation.name + ", exchange " + std::to_string(k) +
                                          " of " + std::to_string(exchanges) +
                                          (failWrite ? ", write fails" : ", read fails");
                EmulatedPanel bench(operation.chip);
                Panel& panel = bench.panel;
                operation.prepare(panel);
                const int writesBefore = bench.driver.writes;
                (failWrite ? bench.driver.failWrites : bench.driver.failReads)
                    .insert((failWrite ? bench.driver.writes : bench.driver.reads) + k);
                const ImageSnapshot before(panel.form->session().images());
                {
                    Watchdog watchdog(label, 10);
                    operation.run(panel);
                }
                const int sent = bench.driver.writes - writesBefore;

                const auto& shown = panel.messages.shown;
                const auto link = std::find_if(shown.begin(), shown.end(), IsLinkBox);
                QVERIFY2(std::count_if(shown.begin(), shown.end(), IsLinkBox) == 1, label.c_str());
                QCOMPARE(link->text, std::string(failWrite ? "USB Write Error" : "USB Read Error"));
                QVERIFY2(OnlyDocumentedBoxes(operation, shown), label.c_str());
                const std::size_t boxes = shown.size();
                if (operation.kind == Kind::GoesOn) {
                    QVERIFY2(sent == exchanges, label.c_str());
                } else {
                    QVERIFY2(sent == k + operation.leavingPackets, label.c_str());
                    CheckProgrammingFailure(operation, bench, before);
                    if (QTest::currentTestFailed()) qWarning("%s", label.c_str());
                }
                if (QTest::currentTestFailed()) return;

                // The panel goes on: the next exchange sequence works.
                Control<QPushButton>(*panel.form, "Command_ID")->click();
                QVERIFY2(panel.messages.shown.size() == boxes, label.c_str());
                QCOMPARE(Control<QLineEdit>(*panel.form, "USBMSG")->text(), QString("Read OK!:"));
            }
        }
        qInfo("%s (%s): %d exchanges, %zu failure points x 2 (write, read)", operation.name.c_str(),
              KindName(operation.kind), exchanges, points.size());
        Count("in-process", static_cast<int>(points.size()), static_cast<int>(points.size()) * 2);
    }

    void instrumentsWithEachExchangeFailing_data() {
        QTest::addColumn<int>("index");
        const auto operations = InstrumentOperations();
        for (std::size_t i = 0; i < operations.size(); ++i) {
            QTest::newRow(operations[i].name.c_str()) << static_cast<int>(i);
        }
    }
    void instrumentsWithEachExchangeFailing() {
        QFETCH(int, index);
        const InstrumentOperation operation =
            InstrumentOperations()[static_cast<std::size_t>(index)];
        const bool capture = operation.name == "logic analyzer TRIG";
        int exchanges = 0;
        {
            InstrumentBench bench;
            operation.prepare(bench);
            const int before = bench.driver.writes;
            operation.run(bench);
            exchanges = bench.driver.writes - before;
            QVERIFY(bench.messages.shown.empty());
        }
        QVERIFY(exchanges > 0);
        for (int k = 1; k <= exchanges; ++k) {
            for (bool failWrite : {true, false}) {
                const std::string label = operation.name + ", exchange " + std::to_string(k) +
                                          (failWrite ? ", write fails" : ", read fails");
                InstrumentBench bench;
                operation.prepare(bench);
                QVERIFY(bench.messages.shown.empty());
                const std::string shownBefore = operation.shown ? operation.shown(bench) : "";
                const int writesBefore = bench.driver.writes;
                (failWrite ? bench.driver.failWrites : bench.driver.failReads)
                    .insert((failWrite ? bench.driver.writes : bench.driver.reads) + k);
                {
                    Watchdog watchdog(label, 10);
                    operation.run(bench);
                }
                const auto& shown = bench.messages.shown;
                // A failed capture block adds the analyzer's own "Logic data Loading".
                const bool blockFailed = capture && k > 1;
                QVERIFY2(shown.size() == (blockFailed ? 2u : 1u), label.c_str());
                QCOMPARE(shown[0].text,
                         std::string(failWrite ? "USB Write Error" : "USB Read Error"));
                if (blockFailed) {
                    QCOMPARE(shown[1].title, std::string("ERROR"));
                    QCOMPARE(shown[1].text, std::string("Logic data Loading"));
                    QCOMPARE(Joined(bench.logicAnalyzer.Samples()),
                             std::string(kTraceSamples, '0'));
                    QCOMPARE(bench.logicAnalyzer.BusyLamp(), kBusyDone);
                    QCOMPARE(bench.driver.writes - writesBefore,
                             k);  // no block read after the failed one
                } else if (operation.shown && !capture) {
                    QVERIFY2(operation.shown(bench) == shownBefore, label.c_str());
                }
                if (operation.timerRuns) QVERIFY2(!operation.timerRuns(bench), label.c_str());
            }
        }
        qInfo("%s: %d exchanges, %d failure points x 2 (write, read)", operation.name.c_str(),
              exchanges, exchanges);
        Count("in-process", exchanges, exchanges * 2);
    }

    void programmingOverKilledDaemon_data() {
        QTest::addColumn<bool>("tcp");
        QTest::newRow("pty") << false;
        QTest::newRow("tcp") << true;
    }
    void programmingOverKilledDaemon() {
        QFETCH(bool, tcp);
        const std::string transport = tcp ? "tcp" : "pty";
        constexpr int kTimeoutMs = 300;
        QTemporaryDir scratch;
        RestartableDaemon daemon(tcp, scratch.path());
        QVERIFY2(!daemon.FirstLine().empty(), "the emulator daemon did not start");
        std::string error;
        auto inner = MakeDriver(daemon.DriverSetting(), WithTimeout(kTimeoutMs), &error);
        QVERIFY2(inner, error.c_str());
        InterruptingDriver driver(*inner);
        driver.interrupt = [&daemon] { daemon.Kill(); };
        Panel panel(driver);
        QVERIFY(panel.form->Form_Load());
        QVERIFY(panel.messages.shown.empty());
        QCOMPARE(Control<QLineEdit>(*panel.form, "Text_Device")->text(), deviceText_);

        struct Case {
            const char* name;
            std::function<void()> prepare;
            std::function<void()> run;
            bool read;
        };
        WatchedForm& form = *panel.form;
        const QString program = programPath_;
        const std::vector<Case> cases = {
            {"WRITE", [&] { LoadSmallProgram(form, program); },
             [&] { Control<QPushButton>(form, "WriteButton")->click(); }, false},
            {"READ",
             [&] {
                 FillImagesWithAPattern(form.session().images());
                 Control<QLineEdit>(form, "LastAddrText")->setText("F");
             },
             [&] { form.menuAction("READ")->trigger(); }, true},
            {"READ_EEPROM", [&] { FillImagesWithAPattern(form.session().images()); },
             [&] { form.menuAction("READ_EEPROM")->trigger(); }, true},
        };
        for (const Case& operation : cases) {
            // A run without failures gives the count the in-process sweep has.
            panel.messages.shown.clear();
            operation.prepare();
            int before = driver.writes;
            operation.run();
            const int exchanges = driver.writes - before;
            QVERIFY(panel.messages.shown.empty());
            QVERIFY2(SaysComplete(form), operation.name);

            const std::vector<int> killPoints = {1, 2, exchanges / 3, exchanges / 2, exchanges - 1};
            for (int m : killPoints) {
                const std::string label = transport + " " + operation.name +
                                          ", daemon killed after write " + std::to_string(m) +
                                          " of " + std::to_string(exchanges);
                operation.prepare();
                const ImageSnapshot images(form.session().images());
                panel.messages.shown.clear();
                panel.captionsAtFirstBox.reset();
                before = driver.writes;
                driver.interruptAtWrite = driver.writes + m;
                QElapsedTimer clock;
                clock.start();
                {
                    Watchdog watchdog(label, 20);
                    operation.run();
                }
                const qint64 took = clock.elapsed();
                driver.interruptAtWrite = 0;
                QVERIFY2(!daemon.Running(), label.c_str());
                // The killed exchange's time-out, then for the first leaving
                // packet the quiet wait before it and its own time-out.
                QVERIFY2(took < 4 * kTimeoutMs + 2000,
                         (label + ", took " + std::to_string(took) + " ms").c_str());
                QVERIFY2(panel.messages.shown.size() == 1, label.c_str());
                QVERIFY2(panel.messages.shown[0].title == "USB ERROR", label.c_str());
                QVERIFY2(ShowsRedError(form), label.c_str());
                QVERIFY2(!CaptionsAfterFirstBoxReportSuccess(panel), label.c_str());
                // The read of the killed exchange or the next write fails; after
                // it only the first leaving packet is tried, which fails too.
                const int sent = driver.writes - before;
                QVERIFY2(sent >= m && sent <= m + 2, label.c_str());
                if (operation.read)
                    QVERIFY2(ImageSnapshot(form.session().images()) == images, label.c_str());
                QVERIFY(!form.session().Busy());

                // With the programmer back, the panel goes on where it was.
                QVERIFY2(daemon.Restart(), "the emulator daemon did not start again");
                Control<QPushButton>(form, "Command_ID")->click();
                QVERIFY2(panel.messages.shown.size() == 1, label.c_str());
                QCOMPARE(Control<QLineEdit>(form, "Text_Device")->text(), deviceText_);
            }
            operation.prepare();
            operation.run();
            QCOMPARE(panel.messages.shown.size(), std::size_t{1});
            QVERIFY2(SaysComplete(form), operation.name);
            qInfo("%s %s: %d exchanges, daemon killed at %zu points", transport.c_str(),
                  operation.name, exchanges, killPoints.size());
            Count(transport, static_cast<int>(killPoints.size()),
                  static_cast<int>(killPoints.size()));
        }
    }

    void stalledDaemonMidReadLeavesNoStaleReply_data() {
        QTest::addColumn<bool>("tcp");
        QTest::newRow("pty") << false;
        QTest::newRow("tcp") << true;
    }
    void stalledDaemonMidReadLeavesNoStaleReply() {
        // A programmer that stops answering for a while: the read gives up, and
        // the reply that comes late must not answer a packet of the next operation.
        QFETCH(bool, tcp);
        constexpr int kTimeoutMs = 300;
        QTemporaryDir scratch;
        RestartableDaemon daemon(tcp, scratch.path());
        QVERIFY2(!daemon.FirstLine().empty(), "the emulator daemon did not start");
        auto inner = MakeDriver(daemon.DriverSetting(), WithTimeout(kTimeoutMs));
        QVERIFY(inner);
        InterruptingDriver driver(*inner);
        driver.interrupt = [&daemon] { daemon.Signal(SIGSTOP); };
        Panel panel(driver);
        WatchedForm& form = *panel.form;
        QVERIFY(form.Form_Load());
        LoadSmallProgram(form, programPath_);
        const auto program = form.session().images().program;
        Control<QPushButton>(form, "WriteButton")->click();
        QCOMPARE(Control<QLabel>(form, "NotesLabel")->text(), QString("Write Complete, verified"));

        for (const char* action : {"READ", "READ_EEPROM"}) {
            const std::string label = std::string(tcp ? "tcp " : "pty ") + action;
            FillImagesWithAPattern(form.session().images());
            Control<QLineEdit>(form, "LastAddrText")->setText("F");
            const ImageSnapshot before(form.session().images());
            driver.interruptAtWrite = driver.writes + 9;
            QElapsedTimer clock;
            clock.start();
            {
                Watchdog watchdog(label, 20);
                form.menuAction(action)->trigger();
            }
            QVERIFY2(clock.elapsed() < kTimeoutMs + 1500, label.c_str());
            driver.interruptAtWrite = 0;
            QVERIFY2(panel.messages.shown.size() == 1, label.c_str());
            QCOMPARE(panel.messages.shown[0].text, std::string("USB Read Error"));
            QVERIFY2(ShowsRedError(form), label.c_str());
            QVERIFY2(ImageSnapshot(form.session().images()) == before, label.c_str());

            // The user dismisses the box; meanwhile the programmer answers again.
            daemon.Signal(SIGCONT);
            QTest::qWait(300);
            panel.messages.shown.clear();
            form.menuAction(action)->trigger();
            QVERIFY2(panel.messages.shown.empty(), label.c_str());
            QVERIFY2(SaysComplete(form), label.c_str());
        }
        // The second READ read the program back word for word.
        FillImagesWithAPattern(form.session().images());
        form.menuAction("READ")->trigger();
        QVERIFY(std::equal(program.begin(), program.begin() + 32,
                           form.session().images().program.begin()));
        Count(tcp ? "tcp" : "pty", 1, 1);
        Count(tcp ? "tcp" : "pty", 1, 1);
    }

    void startUpWithTheDaemonGone_data() {
        QTest::addColumn<bool>("tcp");
        QTest::newRow("pty") << false;
        QTest::newRow("tcp") << true;
    }
    void startUpWithTheDaemonGone() {
        QFETCH(bool, tcp);
        QTemporaryDir scratch;
        RestartableDaemon daemon(tcp, scratch.path());
        QVERIFY2(!daemon.FirstLine().empty(), "the emulator daemon did not start");
        auto driver = MakeDriver(daemon.DriverSetting(), WithTimeout(300));
        QVERIFY(driver);
        daemon.Kill();
        Panel panel(*driver);
        QElapsedTimer clock;
        clock.start();
        {
            Watchdog watchdog(tcp ? "tcp start-up" : "pty start-up", 10);
            QVERIFY(!panel.form->Form_Load());
        }
        QVERIFY(clock.elapsed() < 2000);
        QCOMPARE(panel.messages.shown.size(), std::size_t{1});
        QCOMPARE(panel.messages.shown[0].text, std::string("Unit not Found"));
    }

    void cleanupTestCase() {
        int operations = 0;
        int cases = 0;
        for (const auto& [transport, count] : counts.operations) {
            qInfo("fault sweep %s: %d operations x %d failure points in all = %d cases",
                  transport.c_str(), count, counts.failurePoints[transport],
                  counts.cases[transport]);
            operations += count;
            cases += counts.cases[transport];
        }
        qInfo("fault sweep: %d operation runs over %zu transports, %d failing cases", operations,
              counts.operations.size(), cases);
    }

  private:
    std::vector<InstrumentOperation> InstrumentOperations() {
        auto voltShown = [](InstrumentBench& bench) {
            const VoltReadout& shown = bench.voltMeter.Shown();
            return shown.readout + "|" + std::to_string(shown.bar) + "|" + shown.rawCount + "|" +
                   shown.converterSingle + "|" + shown.converterDouble;
        };
        auto frequencyShown = [](InstrumentBench& bench) {
            const CountReadout& shown = bench.frequencyCounter.Shown();
            const Rgb lamp = bench.frequencyCounter.OverflowLamp();
            return shown.readout + "|" + shown.unit + "|" + std::to_string(lamp.red);
        };
        auto counterShown = [](InstrumentBench& bench) {
            const Rgb lamp = bench.eventCounter.OverflowLamp();
            return bench.eventCounter.Shown().readout + "|" + std::to_string(lamp.red);
        };
        return {
            {"volt meter READ",
             [](InstrumentBench& bench) {
                 bench.voltMeter.Load();
                 bench.voltMeter.PressAuto();
                 bench.voltMeter.Read();
             },
             [](InstrumentBench& bench) { bench.voltMeter.Read(); }, voltShown,
             [](InstrumentBench& bench) { return bench.voltMeter.Auto().TimerEnabled(); }},
            {"frequency counter READ 100mS",
             [](InstrumentBench& bench) {
                 bench.frequencyCounter.Load();
                 bench.frequencyCounter.PressAuto();
                 bench.frequencyCounter.Read();
             },
             [](InstrumentBench& bench) { bench.frequencyCounter.Read(); }, frequencyShown,
             [](InstrumentBench& bench) { return bench.frequencyCounter.Auto().TimerEnabled(); }},
            {"frequency counter READ 1S",
             [](InstrumentBench& bench) {
                 bench.frequencyCounter.Load();
                 bench.frequencyCounter.SelectGate(FrequencyGate::Gate1s);
                 bench.frequencyCounter.Read();
             },
             [](InstrumentBench& bench) { bench.frequencyCounter.Read(); },
             frequencyShown,
             {}},
            {"event counter open",
             [](InstrumentBench&) {},
             [](InstrumentBench& bench) { bench.eventCounter.Load(); },
             counterShown,
             {}},
            {"event counter START",
             [](InstrumentBench& bench) { bench.eventCounter.Load(); },
             [](InstrumentBench& bench) { bench.eventCounter.Start(); },
             counterShown,
             {}},
            {"event counter STOP",
             [](InstrumentBench& bench) {
                 bench.eventCounter.Load();
                 bench.eventCounter.Start();
             },
             [](InstrumentBench& bench) { bench.eventCounter.Stop(); },
             counterShown,
             {}},
            {"event counter READ",
             [](InstrumentBench& bench) {
                 bench.eventCounter.Load();
                 bench.eventCounter.Start();
                 bench.eventCounter.PressAuto();
                 bench.eventCounter.Read();
             },
             [](InstrumentBench& bench) { bench.eventCounter.Read(); }, counterShown,
             [](InstrumentBench& bench) { return bench.eventCounter.Auto().TimerEnabled(); }},
            {"event counter RESET",
             [](InstrumentBench& bench) { bench.eventCounter.Load(); },
             [](InstrumentBench& bench) { bench.eventCounter.Reset(); },
             counterShown,
             {}},
            {"logic analyzer TRIG",
             [](InstrumentBench& bench) { bench.logicAnalyzer.Load(); },
             [](InstrumentBench& bench) { bench.logicAnalyzer.Trigger("1", true); },
             {},
             {}},
        };
    }
};

QTEST_MAIN(FaultSweepTest)
#include "fault_sweep_qtest.moc"
