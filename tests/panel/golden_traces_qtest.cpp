// Every packet the panel gives the driver, for each thing a user does, for both
// device groups, compared line by line with the recorded traces in
// tests/data/traces/. The window is driven only through its controls and menu
// entries, found by their names, so the traces hold across any rework of the
// code behind them.
//
// TAMRO_RECORD_TRACES=1 writes the traces anew instead of comparing.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "emulator/programmer.h"
#include "panel/main_window.h"
#include "tests/panel/panel_fakes.h"
#include "tests/testing/fakes.h"

using namespace tamro;

namespace {

// Six program words, a word in the middle of the second write block, and the
// seven configuration words.
const char* kHex =
    ":020000040000FA\n"
    ":0C00000012EF00F00E0E206E202AFED73A\n"
    ":0400300034120F0F68\n"
    ":020000040030CA\n"
    ":0E0000000022030E000181000FC00FE00F4030\n"
    ":00000001FF\n";
// The same program with the word at 6 changed from 206Eh.
const char* kChangedHex =
    ":020000040000FA\n"
    ":0C00000012EF00F00E0E216E202AFED739\n"
    ":0400300034120F0F68\n"
    ":020000040030CA\n"
    ":0E0000000022030E000181000FC00FE00F4030\n"
    ":00000001FF\n";

template <typename T>
T* Find(QObject* root, const char* name) {
    T* found = root->findChild<T*>(name);
    if (!found) qFatal("no control named %s", name);
    return found;
}

// The panel on an emulated programmer whose target matches the group, with
// every packet recorded.
struct Panel : testing::PanelFakes {
    testing::RecordingDriver driver;
    std::shared_ptr<emu::Programmer> programmer;
    std::unique_ptr<TAMRO18_form> form;

    Panel(int option, int storedOption) {
        emu::Options options;
        options.device = option == kOption4520 ? emu::Device::Pic18F4520 : emu::Device::Pic18F452;
        programmer = std::make_shared<emu::Programmer>(options);
        driver.responder = [this](const Packet& packet) { return programmer->Exchange(packet); };
        store.Write("TAMRO18", "DATA", "DEVICE", storedOption == kOption4520 ? " 10" : " 9");
        form = std::make_unique<TAMRO18_form>(Platform(driver));
    }

    void Click(const char* name) { Find<QPushButton>(form.get(), name)->click(); }
    void Trigger(const char* name) { Find<QAction>(form.get(), name)->trigger(); }
    void SetText(const char* name, const QString& text) {
        Find<QLineEdit>(form.get(), name)->setText(text);
    }
    void Open(const QString& path) {
        dialogs.openAnswer = path.toStdString();
        Click("F_OpenButton");
    }
    // Opens a modal instrument window from its menu entry, presses its buttons
    // in order, then its EXIT.
    void UseModal(const char* menuEntry, std::vector<const char*> buttons) {
        QTimer::singleShot(0, [buttons] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) qFatal("the instrument window did not open");
            for (const char* button : buttons) Find<QPushButton>(modal, button)->click();
            Find<QPushButton>(modal, "Command_EXIT")->click();
        });
        Trigger(menuEntry);
    }

    std::string Take(const std::string& title) {
        std::string text = "== " + title + "\n";
        for (const std::string& line : testing::PacketTexts(driver.packets)) text += line + "\n";
        driver.packets.clear();
        return text;
    }
};

bool WriteFile(const QString& path, const char* content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(content);
    return true;
}

}  // namespace

class GoldenTracesTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        hex_ = folder_.filePath("small.hex");
        changedHex_ = folder_.filePath("changed.hex");
        QVERIFY(WriteFile(hex_, kHex));
        QVERIFY(WriteFile(changedHex_, kChangedHex));
    }

    void everyUserActionSendsItsRecordedPackets_data() {
        QTest::addColumn<int>("option");
        QTest::newRow("18F452") << kOption452;
        QTest::newRow("18F4520") << kOption4520;
    }
    void everyUserActionSendsItsRecordedPackets() {
        QFETCH(int, option);
        const int other = option == kOption452 ? kOption4520 : kOption452;
        std::string trace;

        {
            Panel panel(option, option);
            QVERIFY(panel.form->Form_Load());
            trace += panel.Take("start-up");
        }
        Panel panel(option, other);
        panel.messages.answer = false;  // the selection is made by the click below
        QVERIFY(panel.form->Form_Load());
        panel.messages.answer = true;
        panel.Take("start-up with the other group");
        Find<QRadioButton>(panel.form.get(), qPrintable(QString("PICsel_%1").arg(option)))->click();
        trace += panel.Take("device selection");

        for (const char* button :
             {"Command_ID", "Command_VCC", "Command_VCC", "Command_LED", "Command_LED",
              "Command_Vset_0", "Command_Vset_1", "Command_Vset_2", "Command_RESET"}) {
            panel.Click(button);
            trace += panel.Take(button);
        }

        panel.Click("ERASEButton");
        trace += panel.Take("ERASE");
        panel.Open(hex_);
        trace += panel.Take("open HEX");
        panel.Click("WriteButton");
        trace += panel.Take("WRITE");
        panel.Click("VerifyButton");
        trace += panel.Take("VERIFY match");
        panel.Open(changedHex_);
        panel.Click("VerifyButton");
        trace += panel.Take("VERIFY mismatch");
        QCOMPARE(panel.messages.shown.size(), std::size_t{1});

        panel.SetText("LastAddrText", "1F");
        panel.Trigger("READ");
        trace += panel.Take("READ to 1F");
        panel.Trigger("READ_EEPROM");
        trace += panel.Take("READ_EEPROM");

        panel.UseModal("VM_MANU", {"Command_READ"});
        trace += panel.Take("volt meter READ");
        panel.UseModal("CNT_MENU", {"Command_READ"});
        trace += panel.Take("F-counter READ");
        panel.UseModal("CNT_MENU2", {"Command_START", "Command_STOP", "Command_READ"});
        trace += panel.Take("event counter START STOP READ");
        panel.Trigger("LAview");
        panel.Click("Command7");
        trace += panel.Take("logic analyzer TRIG");
        QCOMPARE(panel.messages.shown.size(), std::size_t{1});

        Compare(option == kOption452 ? "picsel9.txt" : "picsel10.txt", trace);
    }

  private:
    void Compare(const QString& name, const std::string& trace) {
        const QString path =
            QString::fromLocal8Bit(qgetenv("TAMRO_SOURCE_DIR")) + "/tests/data/traces/" + name;
        QFile file(path);
        if (qEnvironmentVariableIsSet("TAMRO_RECORD_TRACES")) {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(trace.c_str());
            return;
        }
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        const QStringList expected = QString::fromLatin1(file.readAll()).split('\n');
        const QStringList actual = QString::fromStdString(trace).split('\n');
        QString section;
        for (qsizetype i = 0; i < std::min(expected.size(), actual.size()); ++i) {
            if (expected[i].startsWith("==")) section = expected[i];
            QVERIFY2(expected[i] == actual[i],
                     qPrintable(QString("%1 line %2 (%3): expected \"%4\", sent \"%5\"")
                                    .arg(name)
                                    .arg(i + 1)
                                    .arg(section, expected[i], actual[i])));
        }
        QCOMPARE(actual.size(), expected.size());
    }

    QTemporaryDir folder_;
    QString hex_;
    QString changedHex_;
};

QTEST_MAIN(GoldenTracesTest)
#include "golden_traces_qtest.moc"
