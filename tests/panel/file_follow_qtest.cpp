// The panel's ways to its files besides File open, against the emulated
// programmer: reload of a changed HEX file before WRITE or VERIFY, "Write on
// file change", the recent files, dropped files and the operations' shortcuts.

#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <memory>

#include "link/driver_table.h"
#include "panel/file_follow.h"
#include "panel/main_window.h"
#include "tests/panel/panel_fakes.h"

using namespace tamro;
using tamro::testing::Control;

namespace {

struct Panel : testing::PanelFakes {
    std::unique_ptr<DriverLibrary> driver;
    std::unique_ptr<TAMRO18_form> form;
    QTemporaryDir folder;

    Panel() {
        qputenv("TAMRO18_EMULATOR_DEVICE", "18F452");
        qputenv("TAMRO18_EMULATOR_STATE", "none");
        driver = MakeDriver("emulator");
        store.Write("TAMRO18", "DATA", "DEVICE", " 9");
        form = std::make_unique<TAMRO18_form>(Platform(*driver));
    }
    Images& images() { return form->session().images(); }
    QString Notes() const { return Control<QLabel>(*form, "NotesLabel")->text(); }
    QString FileNote() const { return Control<QLabel>(*form, "FileNoteLabel")->text(); }
    FileFollow& files() { return *form->findChild<FileFollow*>(); }
    // Writes `name` with one program word at 0 and a modification time
    // `second` seconds after a fixed one, so a rewrite is always newer.
    QString WriteHex(const char* name, std::uint8_t low, int second) {
        const QString path = folder.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        const int sum = (0x100 - ((0x02 + low + 0xEF) & 0xFF)) & 0xFF;
        file.write(QString(":02000000%1EF%2\n:00000001FF\n")
                       .arg(low, 2, 16, QChar('0'))
                       .arg(sum, 2, 16, QChar('0'))
                       .toUpper()
                       .toLatin1());
        file.close();
        std::filesystem::last_write_time(path.toStdString(),
                                         std::filesystem::file_time_type::clock::now() -
                                             std::chrono::hours(1) + std::chrono::seconds(second));
        return path;
    }
    void Open(const QString& path) {
        dialogs.openAnswer = path.toStdString();
        Control<QPushButton>(*form, "F_OpenButton")->click();
    }
    void Drop(const QString& path) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        // A drop goes where the drag entered and was taken.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &drop);
    }
};

}  // namespace

class FileFollowTest : public QObject {
    Q_OBJECT

  private slots:
    // A HEX file written anew is loaded before the operation, which then
    // works on it; a rewrite that does not load keeps the image and stops it.
    void changedFileIsReloadedBeforeWriteAndVerify_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("WRITE") << "WriteButton";
        QTest::newRow("VERIFY") << "VerifyButton";
    }
    void changedFileIsReloadedBeforeWriteAndVerify() {
        QFETCH(QString, button);
        Panel panel;
        QVERIFY(panel.form->Form_Load());
        panel.Open(panel.WriteHex("blink.hex", 0x12, 0));
        QCOMPARE(panel.images().program[0], std::uint8_t{0x12});
        Control<QPushButton>(*panel.form, "WriteButton")->click();
        QCOMPARE(panel.FileNote(), QString());

        panel.WriteHex("blink.hex", 0x34, 5);
        Control<QPushButton>(*panel.form, button)->click();
        QCOMPARE(panel.images().program[0], std::uint8_t{0x34});
        QCOMPARE(panel.FileNote(), QString("Reloaded blink.hex"));
        QCOMPARE(panel.Notes(),
                 button == "WriteButton" ? QString("Write Complete, verified") : QString("Verify Error"));

        QFile::resize(panel.folder.filePath("blink.hex"), 5);
        panel.messages.shown.clear();
        const Images kept = panel.images();
        Control<QLabel>(*panel.form, "NotesLabel")->setText("before");
        Control<QPushButton>(*panel.form, button)->click();
        QCOMPARE(panel.messages.shown.size(), std::size_t{1});
        QVERIFY(panel.messages.shown[0].text.find("blink.hex") != std::string::npos);
        QVERIFY(panel.images() == kept);
        QCOMPARE(panel.Notes(), QString("before"));  // the operation did not run
    }

    // "Write on file change" (off by default, kept in the settings) writes
    // after each settled rewrite that loads.
    void writeOnFileChangeWritesAfterEachReload() {
        Panel panel;
        QVERIFY(panel.form->Form_Load());
        QAction* option = panel.form->findChild<QAction*>("WRITE_ON_CHANGE");
        QVERIFY(option && option->isCheckable() && !option->isChecked());
        panel.Open(panel.WriteHex("blink.hex", 0x12, 0));
        panel.WriteHex("blink.hex", 0x34, 5);
        panel.files().Poll();
        panel.files().Poll();
        QCOMPARE(panel.images().program[0], std::uint8_t{0x12});  // off: nothing happens

        option->trigger();
        QCOMPARE(panel.store.Read("TAMRO18", "DATA", "WRITE_ON_CHANGE"), std::string("1"));
        panel.files().Poll();
        QCOMPARE(panel.images().program[0], std::uint8_t{0x12});  // seen once: may be written still
        panel.files().Poll();
        QCOMPARE(panel.images().program[0], std::uint8_t{0x34});
        QCOMPARE(panel.Notes(), QString("Write Complete, verified"));
        QCOMPARE(panel.FileNote(), QString("Reloaded blink.hex"));

        Panel again;
        QVERIFY(again.form->findChild<QAction*>("WRITE_ON_CHANGE")->isChecked() == false);
    }

    // The Function menu lists the files opened, most recent first; choosing
    // one opens it; a dropped HEX file loads and a dropped source is set.
    void recentFilesAndDroppedFilesOpenAsFileOpenDoes() {
        Panel panel;
        QVERIFY(panel.form->Form_Load());
        const QString first = panel.WriteHex("first.hex", 0x11, 0);
        const QString second = panel.WriteHex("second.hex", 0x22, 0);
        panel.Open(first);
        panel.Drop(second);
        QCOMPARE(panel.images().program[0], std::uint8_t{0x22});
        const QString source = panel.folder.filePath("main.asm");
        panel.Drop(source);
        QCOMPARE(panel.form->toolFiles().SourceFileName, source.toStdString());
        QCOMPARE(Control<QLineEdit>(*panel.form, "FilenameTextbox")->text(), source);
        panel.Drop(panel.folder.filePath("notes.txt"));
        QCOMPARE(Control<QLineEdit>(*panel.form, "FilenameTextbox")->text(), source);

        QMenu* function = panel.form->menuBar()->findChild<QMenu*>("Function");
        emit function->aboutToShow();
        QCOMPARE(panel.form->findChild<QAction*>("RecentFile_1")->text(), "&1 " + source);
        QCOMPARE(panel.form->findChild<QAction*>("RecentFile_3")->text(), "&3 " + first);
        panel.form->findChild<QAction*>("RecentFile_3")->trigger();
        QCOMPARE(panel.images().program[0], std::uint8_t{0x11});
        QCOMPARE(panel.store.Read("TAMRO18", "RECENT", "FILE1"), first.toStdString());

        // The file named at start-up opens the same way.
        panel.form->OpenFile(second.toStdString());
        QCOMPARE(panel.images().program[0], std::uint8_t{0x22});
    }

    // Each shortcut belongs to one command, and the operations have one each.
    void operationShortcutsDoNotClash() {
        Panel panel;
        QMap<QString, QString> owners;
        QStringList clashes;
        auto take = [&](const QKeySequence& keys, const QString& owner) {
            if (keys.isEmpty()) return;
            const QString text = keys.toString();
            if (owners.contains(text)) clashes << text + ": " + owners[text] + ", " + owner;
            owners[text] = owner;
        };
        for (QAction* action : panel.form->findChildren<QAction*>()) {
            take(action->shortcut(), action->objectName());
        }
        for (QPushButton* button : panel.form->findChildren<QPushButton*>()) {
            take(button->shortcut(), button->objectName());
        }
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join("\n")));
        for (const char* owner : {"WriteButton", "VerifyButton", "ERASEButton", "READ"}) {
            QVERIFY2(owners.values().contains(owner), owner);
        }
    }
};

QTEST_MAIN(FileFollowTest)
#include "file_follow_qtest.moc"
