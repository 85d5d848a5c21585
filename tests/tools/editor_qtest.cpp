#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "tests/tools/toolrun_fakes.h"
#include "tools/ui/editor.h"

namespace tamro {
namespace {

namespace fs = std::filesystem;
using testing::FakeFileDialogs;
using testing::FakeToolRunHost;
using testing::ReadBytes;
using testing::RecordingMessageBoxes;
using testing::ScratchFolder;
using testing::WriteBytes;

}  // namespace

class EditorWindowTest : public QObject {
    Q_OBJECT

  private:
    struct Rig {
        ToolFiles files;
        FakeToolRunHost host{files};
        RecordingMessageBoxes messages;
        FakeFileDialogs dialogs;
        EditorWindow window{host, files, messages, dialogs};
    };

  private slots:
    void OpenAndSaveKeepsEveryByte() {
        ScratchFolder folder;
        const std::vector<std::string> files = {"\tlist p=18f452\r\n\torg 0\r\n\tend\r\n",
                                                "\tlist p=18f452\n\torg 0\n\tend\n",
                                                "no final line end\nlast",
                                                "; K\xFC"
                                                "hler \xA0 Latin-1\r\n",
                                                "; UTF-8 \xC3\xBC \xC2\xA0\n",
                                                ""};
        for (const std::string& bytes : files) {
            const std::string path = folder / "round.asm";
            WriteBytes(path, bytes);
            Rig rig;
            rig.host.filenameText = path;
            QVERIFY(rig.window.Open());
            QVERIFY(rig.window.isVisible());
            rig.window.Save();
            QCOMPARE(ReadBytes(path), bytes);
            rig.window.Save();
            QCOMPARE(ReadBytes(path), bytes);
            QVERIFY(rig.messages.shown.empty());
            QCOMPARE(rig.files.SourceFileName, path);
        }
    }

    void EditsAreWrittenWithTheFilesLineEnd() {
        ScratchFolder folder;
        const std::string path = folder / "crlf.asm";
        WriteBytes(path, "a\r\nb\r\n");
        Rig rig;
        rig.host.filenameText = path;
        QVERIFY(rig.window.Open());
        QCOMPARE(rig.window.EditorText()->toPlainText(), QStringLiteral("a\nb"));
        rig.window.EditorText()->appendPlainText(QStringLiteral("c"));
        QTest::mouseClick(rig.window.SaveButton(), Qt::LeftButton);
        QCOMPARE(ReadBytes(path), std::string("a\r\nb\r\nc\r\n"));
    }

    void FailedSaveKeepsFileNamesAndText() {
        ScratchFolder folder;
        WriteBytes(folder / "plain", "a regular file");
        Rig rig;
        QVERIFY(rig.window.Open());
        rig.window.EditorText()->setPlainText(QStringLiteral("precious work"));
        // The parent of this path is a regular file: nothing can be created there.
        rig.dialogs.saveAnswer = folder / "plain/new.asm";
        rig.window.Save();
        QCOMPARE(rig.messages.shown.size(), std::size_t{1});
        QCOMPARE(rig.messages.shown[0].icon, MessageIcon::Critical);
        QCOMPARE(rig.messages.shown[0].title, std::string("FILE ERROR"));
        QCOMPARE(rig.messages.shown[0].text, std::string("File Error"));
        QCOMPARE(rig.window.EditorText()->toPlainText(), QStringLiteral("precious work"));
        QCOMPARE(rig.host.filenameText, std::string());
        QCOMPARE(rig.files.SourceFileName, std::string());
        QCOMPARE(ReadBytes(folder / "plain"), std::string("a regular file"));
    }

    void FailedSaveOverAnExistingFileLeavesItWhole() {
        ScratchFolder folder;
        const std::string path = folder / "keep.asm";
        WriteBytes(path, "original\n");
        Rig rig;
        rig.host.filenameText = path;
        QVERIFY(rig.window.Open());
        rig.window.EditorText()->setPlainText(QStringLiteral("changed"));
        // Saved as a file where nothing can be written; the original stays
        // untouched and the text stays in the window.
        rig.host.filenameText = "";
        rig.dialogs.saveAnswer = folder / "keep.asm/inside";
        rig.window.Save();
        QCOMPARE(rig.messages.shown.size(), std::size_t{1});
        QCOMPARE(ReadBytes(path), std::string("original\n"));
        QCOMPARE(rig.window.EditorText()->toPlainText(), QStringLiteral("changed"));
    }

    void NewFileGetsItsNameWhenSaved() {
        ScratchFolder folder;
        Rig rig;
        QVERIFY(rig.window.Open());
        QVERIFY(rig.window.EditorText()->toPlainText().isEmpty());
        rig.window.EditorText()->setPlainText(QStringLiteral("\torg 0\n\tend"));

        rig.dialogs.saveAnswer = "";  // cancelled: nothing saved, no name
        rig.window.Save();
        QCOMPARE(rig.host.filenameText, std::string());
        QCOMPARE(rig.dialogs.filters.back(),
                 std::string("ASM FILES|*.asm|C FILES|*.c|ALL FILES|*.*|"));

        rig.dialogs.saveAnswer = folder / "new prog.asm";
        rig.window.Save();
        QCOMPARE(rig.host.filenameText, folder / "new prog.asm");
        QCOMPARE(rig.files.SourceFileName, folder / "new prog.asm");
        QCOMPARE(ReadBytes(folder / "new prog.asm"), std::string("\torg 0\n\tend\n"));
        QVERIFY(rig.messages.shown.empty());

        // The name is known now: the next SAVE asks nothing.
        rig.dialogs.filters.clear();
        rig.window.Save();
        QVERIFY(rig.dialogs.filters.empty());
    }

    void SaveWritesOnlyTheFileTheEditorHolds() {
        ScratchFolder folder;
        const std::string source = folder / "blink.asm";
        WriteBytes(source, "\torg 0\n");
        WriteBytes(folder / "blink.hex", ":00000001FF\n");
        WriteBytes(folder / "other.asm", "other\n");
        Rig rig;
        rig.host.filenameText = source;
        QVERIFY(rig.window.Open());
        rig.window.EditorText()->setPlainText(QStringLiteral("\torg 8"));

        // File open has since put a HEX file, then another source, into the
        // file box: SAVE asks for a name instead of writing over them.
        for (const std::string& other : {folder / "blink.hex", folder / "other.asm"}) {
            rig.host.filenameText = other;
            rig.dialogs.filters.clear();
            rig.dialogs.saveAnswer = "";
            QVERIFY(!rig.window.Save());
            QCOMPARE(rig.dialogs.filters.size(), std::size_t{1});
        }
        QCOMPARE(ReadBytes(folder / "blink.hex"), std::string(":00000001FF\n"));
        QCOMPARE(ReadBytes(folder / "other.asm"), std::string("other\n"));
        QCOMPARE(ReadBytes(source), std::string("\torg 0\n"));

        // Back on its own file, Ctrl+S writes there without asking.
        rig.host.filenameText = source;
        rig.dialogs.filters.clear();
        rig.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        QTest::keyClick(rig.window.EditorText(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ReadBytes(source), std::string("\torg 8\n"));
        QVERIFY(rig.dialogs.filters.empty());
    }

    void UnsavedTextIsNeverDroppedWithoutAsking() {
        struct Case {
            SaveChoice answer;
            bool closes;
            std::string fileAfter;
        };
        for (const Case& test :
             {Case{SaveChoice::Cancel, false, "old\n"}, Case{SaveChoice::Discard, true, "old\n"},
              Case{SaveChoice::Save, true, "new\n"}}) {
            ScratchFolder folder;
            const std::string path = folder / "work.asm";
            WriteBytes(path, "old\n");
            Rig rig;
            rig.host.filenameText = path;
            QVERIFY(rig.window.Open());
            // Unchanged text closes without a question.
            QVERIFY(rig.window.ConfirmDiscard());
            rig.window.EditorText()->selectAll();
            QTest::keyClicks(rig.window.EditorText(), QStringLiteral("new"));
            rig.messages.saveAnswer = test.answer;
            QTest::mouseClick(rig.window.ExitButton(), Qt::LeftButton);
            QCOMPARE(rig.messages.saveQuestions.size(), std::size_t{1});
            QCOMPARE(rig.window.isVisible(), !test.closes);
            QCOMPARE(ReadBytes(path), test.fileAfter);
            if (!test.closes) {
                QCOMPARE(rig.window.EditorText()->toPlainText(), QStringLiteral("new"));
            } else {
                QVERIFY(rig.window.ConfirmDiscard());  // asked once, not again
                QCOMPARE(rig.messages.saveQuestions.size(), std::size_t{1});
            }
        }

        // Save chosen for a new file whose name dialog is cancelled: nothing
        // is lost, the window stays.
        Rig rig;
        QVERIFY(rig.window.Open());
        QTest::keyClicks(rig.window.EditorText(), QStringLiteral("draft"));
        rig.messages.saveAnswer = SaveChoice::Save;
        QVERIFY(!rig.window.close());
        QVERIFY(rig.window.isVisible());
        QCOMPARE(rig.window.EditorText()->toPlainText(), QStringLiteral("draft"));
    }

    void OpenEditorComesToFrontWithoutReadingAgain() {
        ScratchFolder folder;
        const std::string path = folder / "a.asm";
        WriteBytes(path, "first\n");
        Rig rig;
        rig.host.filenameText = path;
        QVERIFY(rig.window.Open());
        WriteBytes(path, "second\n");
        QVERIFY(rig.window.Open());
        QCOMPARE(rig.window.EditorText()->toPlainText(), QStringLiteral("first"));
        QTest::mouseClick(rig.window.ExitButton(), Qt::LeftButton);
        QVERIFY(!rig.window.isVisible());
        QVERIFY(rig.window.Open());
        QCOMPARE(rig.window.EditorText()->toPlainText(), QStringLiteral("second"));
    }

    void MissingFileIsNotOpened() {
        ScratchFolder folder;
        Rig rig;
        rig.host.filenameText = folder / "missing.asm";
        QVERIFY(!rig.window.Open());
        QVERIFY(!rig.window.isVisible());
    }

    void WindowHasItsControls() {
        Rig rig;
        QCOMPARE(rig.window.windowTitle(), QStringLiteral("Editor"));
        QCOMPARE(rig.window.objectName(), QStringLiteral("TAMRO_Editor"));
        QCOMPARE(rig.window.SaveButton()->text(), QStringLiteral("SAVE"));
        QCOMPARE(rig.window.SaveButton()->toolTip(), QStringLiteral("Save to File"));
        QCOMPARE(rig.window.ExitButton()->toolTip(), QStringLiteral("Exit program"));
        QVERIFY(rig.window.EditorText()->font().fixedPitch());
        rig.window.show();
        rig.window.resize(20, 20);  // very small: no failure, layout kept
        rig.window.resize(600, 400);
        QVERIFY(rig.window.EditorText()->width() > 500);
    }
};

}  // namespace tamro

QTEST_MAIN(tamro::EditorWindowTest)
#include "editor_qtest.moc"
