// While a WRITE runs, nothing else reaches the target or changes what the
// WRITE works on; closing the window under it asks, stops it and leaves the
// target safe. The window is driven through its controls, found by name.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "emulator/programmer.h"
#include "panel/main_window.h"
#include "tests/panel/panel_fakes.h"
#include "tests/testing/fakes.h"

using namespace tamro;

namespace {

// Two programs of 32 words that differ everywhere.
QByteArray HexOf(std::uint8_t fill) {
    QByteArray text = ":020000040000FA\n";
    for (int record = 0; record < 4; ++record) {
        std::vector<std::uint8_t> bytes = {16, 0, static_cast<std::uint8_t>(16 * record), 0};
        for (int i = 0; i < 16; ++i) bytes.push_back(static_cast<std::uint8_t>(fill + i));
        int sum = 0;
        QByteArray line = ":";
        for (std::uint8_t byte : bytes) {
            sum += byte;
            line += QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
        }
        line += QByteArray::number((-sum) & 0xFF, 16).rightJustified(2, '0').toUpper();
        text += line + "\n";
    }
    return text + ":00000001FF\n";
}

template <typename T>
T* Find(QObject* root, const char* name) {
    T* found = root->findChild<T*>(name);
    if (!found) qFatal("no control named %s", name);
    return found;
}

struct Panel : testing::PanelFakes {
    testing::RecordingDriver driver;
    std::unique_ptr<TAMRO18_form> form;
    QTemporaryDir folder;
    QString first, second;

    Panel() {
        emu::Options options;
        auto programmer = std::make_shared<emu::Programmer>(options);
        driver.responder = [programmer](const Packet& packet) {
            return programmer->Exchange(packet);
        };
        form = std::make_unique<TAMRO18_form>(Platform(driver));
        first = folder.filePath("first.hex");
        second = folder.filePath("second.hex");
        for (const auto& [path, fill] : {std::pair{first, 0x10}, std::pair{second, 0x80}}) {
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(HexOf(static_cast<std::uint8_t>(fill)));
        }
    }
    void Click(const char* name) { Find<QPushButton>(form.get(), name)->click(); }
    void Trigger(const char* name) { Find<QAction>(form.get(), name)->trigger(); }
    QString Notes() { return Find<QLabel>(form.get(), "NotesLabel")->text(); }
    std::vector<std::string> SentSince(std::size_t from) {
        return testing::PacketTexts(
            {driver.packets.begin() + static_cast<std::ptrdiff_t>(from), driver.packets.end()});
    }
    // Runs `during` at the WRITE's first pass through the event loop.
    void WriteWith(const std::function<void()>& during) {
        bool done = false;
        pump.onPump = [&] {
            if (done) return;
            done = true;
            during();
        };
        Click("WriteButton");
        pump.onPump = nullptr;
    }
};

}  // namespace

class OperationGuardTest : public QObject {
    Q_OBJECT

  private slots:
    void nothingElseReachesTheTargetOrTheImageDuringAWrite() {
        Panel panel;
        QVERIFY(panel.form->Form_Load());
        panel.dialogs.openAnswer = panel.first.toStdString();
        panel.Click("F_OpenButton");
        const auto loaded = panel.form->session().images().program;
        panel.Trigger("LAview");
        // A meter that opened anyway would wait for a user: close it.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        });
        closer.start(10);

        const std::size_t before = panel.driver.packets.size();
        panel.dialogs.openAnswer = panel.second.toStdString();
        panel.WriteWith([&] {
            panel.Click("Command7");  // the logic view's TRIG
            for (const char* entry : {"VM_MANU", "CNT_MENU", "CNT_MENU2", "FILEOPENMENU"}) {
                panel.Trigger(entry);
            }
            panel.Click("F_OpenButton");
            panel.Click("HexSet_Button");
            panel.form->toolFiles().HexFileName = panel.second.toStdString();
            panel.form->HexLoad();
            Find<QLineEdit>(panel.form.get(), "LastAddrText")->setText("3");
        });

        QCOMPARE(panel.Notes(), QString("Write Complete, verified"));
        QVERIFY(panel.messages.shown.empty());
        QVERIFY(panel.form->session().images().program == loaded);
        QVERIFY(panel.messages.beeps >= 5);
        for (const std::string& packet : panel.SentSince(before)) {
            for (const char* instrument : {"36", "37", "39", "3C", "3D"}) {
                QVERIFY2(!packet.starts_with(instrument), packet.c_str());
            }
        }
        // Afterwards the instruments work again.
        panel.Click("Command7");
        QVERIFY(panel.SentSince(panel.driver.packets.size() - 9).front().starts_with("36"));
    }

    // READ asks before it replaces a loaded file that no WRITE has written.
    void readAsksBeforeItReplacesAFileNeverWritten() {
        const struct {
            bool written, answer;
            std::size_t questions;
            bool replaced;
        } cases[] = {{false, false, 1, false}, {false, true, 1, true}, {true, false, 0, true}};
        for (const auto& c : cases) {
            Panel panel;
            QVERIFY(panel.form->Form_Load());
            panel.dialogs.openAnswer = panel.first.toStdString();
            panel.Click("F_OpenButton");
            if (c.written) panel.Click("WriteButton");
            panel.form->session().images().program[0] ^= 0xFF;
            const auto before = panel.form->session().images().program;
            panel.messages.answer = c.answer;
            panel.Trigger("READ");
            QCOMPARE(panel.messages.asked.size(), c.questions);
            QCOMPARE(panel.form->session().images().program != before, c.replaced);
        }
    }

    // EXIT (answered yes or no), Esc and the stop button, each during a WRITE.
    void stoppingAWriteLeavesTheTargetSafe_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("stop");
        QTest::newRow("Esc") << "Esc" << true;
        QTest::newRow("stop button") << "StopButton" << true;
        QTest::newRow("EXIT, stop") << "EXIT" << true;
        QTest::newRow("EXIT, go on") << "EXIT" << false;
    }
    void stoppingAWriteLeavesTheTargetSafe() {
        QFETCH(QString, how);
        QFETCH(bool, stop);
        Panel panel;
        QVERIFY(panel.form->Form_Load());
        panel.form->show();
        // Esc reaches the window's shortcuts while it is the active window.
        if (how == "Esc") {
            panel.form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(panel.form.get()));
        }
        panel.dialogs.openAnswer = panel.first.toStdString();
        panel.Click("F_OpenButton");
        panel.messages.answer = stop;
        std::size_t atStop = 0;
        bool stopShown = false;
        panel.WriteWith([&] {
            atStop = panel.driver.packets.size();
            stopShown = Find<QPushButton>(panel.form.get(), "StopButton")->isVisible();
            if (how == "EXIT") panel.Click("EXTButton");
            if (how == "Esc") QTest::keyClick(panel.form.get(), Qt::Key_Escape);
            if (how == "StopButton") panel.Click("StopButton");
        });
        QVERIFY(stopShown);
        QVERIFY(!Find<QPushButton>(panel.form.get(), "StopButton")->isVisible());
        QCOMPARE(panel.messages.asked.size(), std::size_t{how == "EXIT" ? 1u : 0u});
        QVERIFY(panel.messages.shown.empty());
        if (stop) {
            QCOMPARE(panel.SentSince(atStop),
                     (std::vector<std::string>{"32 00 00 00 00 00 00 00", "3A 00 00 00 00 00 00 00",
                                               "3B 00 00 00 00 00 00 00"}));
            QCOMPARE(panel.driver.closes, how == "EXIT" ? 1 : 0);
            if (how != "EXIT") QCOMPARE(panel.Notes(), QString("Stopped: Vpp 0 V, supply off"));
        } else {
            QCOMPARE(panel.Notes(), QString("Write Complete, verified"));
            QCOMPARE(panel.driver.closes, 0);
        }
    }
};

QTEST_MAIN(OperationGuardTest)
#include "operation_guard_qtest.moc"
