#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "tests/tools/toolrun_fakes.h"
#include "tools/ui/error_view.h"

namespace tamro {

class ErrorViewTest : public QObject {
    Q_OBJECT

  private slots:
    void ShowsTheErrorFileAndReadsItAgainOnEveryRun() {
        testing::ScratchFolder folder;
        const std::string path = folder / "bad.err";
        testing::WriteBytes(path, "Error[181] bad.asm 6 : Unknown opcode\r\nline 2\r\n");
        ErrorViewWindow view;
        QCOMPARE(view.windowTitle(), QStringLiteral("Error view"));
        QCOMPARE(view.ExitButton()->text(), QStringLiteral("EXIT"));
        QCOMPARE(view.ExitButton()->toolTip(), QStringLiteral("Exit Program"));
        QVERIFY(view.ShowFile(path));
        QVERIFY(view.isVisible());
        QCOMPARE(view.ErrText()->toPlainText(),
                 QStringLiteral("Error[181] bad.asm 6 : Unknown opcode\nline 2\n"));

        testing::WriteBytes(path, "another error\n");
        QVERIFY(view.ShowFile(path));
        QCOMPARE(view.ErrText()->toPlainText(), QStringLiteral("another error\n"));

        QVERIFY(!view.ShowFile(folder / "missing.err"));
        QCOMPARE(view.ErrText()->toPlainText(), QStringLiteral("another error\n"));

        QTest::mouseClick(view.ExitButton(), Qt::LeftButton);
        QVERIFY(!view.isVisible());
    }

    void SmallWindowsDoNotFail() {
        ErrorViewWindow view;
        view.show();
        view.resize(1, 1);
        QVERIFY(view.ErrText()->width() <= 1);
        QVERIFY(view.ErrText()->height() <= 1);
        view.resize(600, 400);
        QVERIFY(view.ErrText()->width() > 500);
        QVERIFY(view.ExitButton()->y() > 300);
    }
};

}  // namespace tamro

QTEST_MAIN(tamro::ErrorViewTest)
#include "errorview_qtest.moc"
