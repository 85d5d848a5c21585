#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "tests/tools/toolrun_fakes.h"
#include "tools/ui/file_dialogs.h"

namespace tamro {

class FileDialogsTest : public QObject {
    Q_OBJECT

  private:
    // Types `name` into the save dialog once it is up, as the user would.
    static void TypeIntoSaveDialog(const QString& folder, const QString& name) {
        QTimer::singleShot(0, [folder, name] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->setDirectory(folder);
            dialog->selectFile(name);
            static_cast<QDialog*>(dialog)->accept();  // the OK button
        });
    }

  private slots:
    void nameWithoutExtensionGetsTheFiltersExtension() {
        testing::ScratchFolder folder;
        const QString where = QString::fromStdString(folder.path().string());
        QtFileDialogs dialogs;
        TypeIntoSaveDialog(where, QStringLiteral("out"));
        QCOMPARE(dialogs.SaveFileName("HEX FILES|*.hex|ALL FILES|*.*|"), folder / "out.hex");
        TypeIntoSaveDialog(where, QStringLiteral("main.c"));
        QCOMPARE(dialogs.SaveFileName("ASM FILES|*.asm|C FILES|*.c|ALL FILES|*.*|"),
                 folder / "main.c");
    }
};

}  // namespace tamro

QTEST_MAIN(tamro::FileDialogsTest)
#include "file_dialogs_qtest.moc"
