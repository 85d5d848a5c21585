#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "panel/main_window.h"
#include "panel/panel_app.h"
#include "panel/programmer_dialog.h"
#include "tests/testing/fakes.h"

using namespace tamro;

namespace {

// Answers the programmer dialog from a list, one answer per showing.
class ScriptedChooser final : public ProgrammerChooser {
  public:
    std::optional<std::string> Choose(const std::vector<ProgrammerChoice>& choices,
                                      const std::string&) override {
        offered = choices;
        if (answers.empty()) return std::nullopt;
        const std::string answer = answers.front();
        answers.erase(answers.begin());
        ++chosen;
        return answer.empty() ? std::nullopt : std::optional<std::string>(answer);
    }
    std::vector<std::string> answers;  // "" cancels
    std::vector<ProgrammerChoice> offered;
    int chosen = 0;
};

TAMRO18_form* MainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* form = qobject_cast<TAMRO18_form*>(widget)) return form;
    }
    return nullptr;
}

}  // namespace

class PanelAppTest : public QObject {
    Q_OBJECT

  private slots:
    void driverNamingNoBackendEndsWithUnitNotFound() {
        testing::RecordingMessageBoxes messages;
        testing::MemorySettingsStore store;
        testing::CountingEventPump pump;
        bool windowShown = false;
        messages.onShow = [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                windowShown |= widget->isVisible();
        };
        QCOMPARE(RunPanel("no-such-backend", {}, messages, store, pump), 1);
        QCOMPARE(messages.shown.size(), std::size_t{1});
        // The box names the setting and why it did not open.
        QCOMPARE(messages.shown[0].text,
                 std::string("Unit not Found\ndriver setting \"no-such-backend\": no driver "
                             "backend named \"no-such-backend\""));
        QVERIFY(!windowShown);
        QVERIFY(store.writes.empty());
    }

    void panelRunsOnTheEmulatedProgrammerAndClosesOnExit() {
        testing::RecordingMessageBoxes messages;
        testing::MemorySettingsStore store;
        testing::CountingEventPump pump;
        QTimer::singleShot(300, [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->objectName() == "TAMRO18_form") widget->close();
            }
        });
        QCOMPARE(RunPanel("emulator", {}, messages, store, pump), 0);
        QVERIFY(messages.shown.empty());
        QCOMPARE(store.Read("TAMRO18", "DATA", "DEVICE"), std::string(" 9"));
    }

    void dialogListsTheChoicesWithTheCurrentOneSelected() {
        const std::vector<ProgrammerChoice> choices = {{"emulator", "emulator  emulated"},
                                                       {"hid:04d8:003f", "hid:04d8:003f  yes"}};
        for (const auto& [current, row] : std::vector<std::pair<std::string, int>>{
                 {"", 0}, {"emulator?window=8", 0}, {"hid:04d8:003f", 1}, {"tcp:x:1", -1}}) {
            ProgrammerDialog dialog(choices, current);
            auto* list = dialog.findChild<QListWidget*>("ProgrammerList");
            QVERIFY(list);
            QCOMPARE(list->count(), 2);
            QCOMPARE(list->item(1)->text(), QString("hid:04d8:003f  yes"));
            QCOMPARE(list->currentRow(), row);
            // The setting box holds the current setting, options and all.
            QCOMPARE(dialog.Selected(),
                     std::optional<std::string>(current.empty() ? "emulator" : current));
        }
    }

    // A typed setting is taken only when it names a programmer; Refresh lists again.
    void dialogTakesATypedSettingThatNamesAProgrammer() {
        // A problem of "" when OK takes the setting.
        for (const auto& [typed, problem] : std::vector<std::pair<const char*, const char*>>{
                 {"tcp:127.0.0.1:5000?window=16", ""},
                 {"serial:/dev/ttyACM0?baud=115200&window=4", ""},
                 {"tcp:127.0.0.1:5000?baud=9600", "baud applies to serial settings only"},
                 {"", "type a setting or choose a line"}}) {
            ProgrammerDialog dialog({{"emulator", "emulator  emulated"}}, "emulator", nullptr, [] {
                return std::vector<ProgrammerChoice>{{"emulator", "emulator  emulated"},
                                                     {"hid:04d8:003f", "hid:04d8:003f  yes"}};
            });
            dialog.findChild<QPushButton*>("RefreshButton")->click();
            QCOMPARE(dialog.findChild<QListWidget*>("ProgrammerList")->count(), 2);
            dialog.findChild<QLineEdit*>("SettingText")->setText(typed);
            dialog.accept();
            QCOMPARE(dialog.result(), *problem ? 0 : int(QDialog::Accepted));
            QCOMPARE(dialog.findChild<QLabel*>("SettingProblem")->text(), QString(problem));
            if (!*problem) QCOMPARE(dialog.Selected(), std::optional<std::string>(typed));
        }
    }

    // "Unit not Found" offers the programmer dialog until a programmer opens or
    // the user cancels; the choice is kept, and the Function menu's entry
    // reconnects to another one while the window runs.
    void unitNotFoundOffersTheProgrammerDialog_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("fromMenu");  // the menu's choice once the window runs
        QTest::addColumn<QString>("programmerLabel");
        QTest::newRow("cancelled") << QStringList{""} << 1 << 1 << ""
                                   << ""
                                   << "";
        QTest::newRow("emulator") << QStringList{"emulator"} << 0 << 1 << "emulator"
                                  << "emulator"
                                  << "EMULATED programmer";
        QTest::newRow("another missing one, then the emulator")
            << QStringList{"serial:/nonexistent/tty", "emulator"} << 0 << 2 << "emulator"
            << "emulator"
            << "EMULATED programmer";
        // A missing programmer chosen from the menu: the label stops saying "EMULATED".
        QTest::newRow("the menu's choice is missing")
            << QStringList{"emulator"} << 0 << 2 << "serial:/nonexistent/tty"
            << "serial:/nonexistent/tty"
            << "Tamro programmer";
    }
    void unitNotFoundOffersTheProgrammerDialog() {
        QFETCH(QStringList, answers);
        QFETCH(int, status);
        QFETCH(int, boxes);
        QFETCH(QString, stored);
        QFETCH(QString, fromMenu);
        QFETCH(QString, programmerLabel);
        testing::RecordingMessageBoxes messages;
        testing::MemorySettingsStore store;
        testing::CountingEventPump pump;
        ScriptedChooser chooser;
        for (const QString& answer : answers) chooser.answers.push_back(answer.toStdString());
        chooser.answers.push_back(fromMenu.toStdString());
        std::string firmwareAfterMenu;
        QString labelAfterMenu;
        // A timer of this test's own, so that it never fires after the test.
        QTimer menuClick;
        menuClick.setSingleShot(true);
        menuClick.start(300);
        QObject::connect(&menuClick, &QTimer::timeout, [&] {
            TAMRO18_form* form = MainWindow();
            if (!form) return;
            form->session().images().haveData = 1;
            form->menuAction("PROGRAMMER")->trigger();
            firmwareAfterMenu = form->session().firmwareText();
            labelAfterMenu = form->findChild<QLabel*>("Label_ZEKname")->text();
            QVERIFY(form->session().images().haveData == 1);
            form->close();
        });
        QCOMPARE(RunPanel("no-such-backend", {}, messages, store, pump, &chooser), status);
        QCOMPARE(static_cast<int>(messages.shown.size()), boxes);
        for (const auto& box : messages.shown) QVERIFY(box.text.starts_with("Unit not Found\n"));
        QCOMPARE(QString::fromStdString(store.Read("TAMRO18", "DATA", "DRIVER")), stored);
        QCOMPARE(chooser.offered.front().setting, std::string("emulator"));
        if (status == 0) {
            QCOMPARE(chooser.chosen, answers.size() + 1);
            QCOMPARE(labelAfterMenu, programmerLabel);
        }
    }
};

QTEST_MAIN(PanelAppTest)
#include "panel_app_qtest.moc"
