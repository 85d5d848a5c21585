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
        // The file is now named where nothing can be written; the original
        // stays untouched and the text stays in the window.
        rig.host.filenameText = folder / "keep.asm/inside";
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
        QCOMPARE(rig.dialogs.filters.back(), std::string("ASM FILES|*.asm|ALL FILES|*.*|"));

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
