#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "common/twips.h"
#include "tests/testing/fakes.h"
#include "tools/ui/help_form.h"

namespace tamro {

class HelpFormTest : public QObject {
    Q_OBJECT

  private:
    static QString Text(HELP_FORM& window) {
        return window.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText();
    }
    static void Write(const QString& path, const QByteArray& content) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

  private slots:
    void showsTheFileUnderTheFolder() {
        QTemporaryDir folder;
        Write(folder.filePath(QStringLiteral("tamro18.txt")), "HELP line 1\r\nline 2\r\n");
        testing::RecordingMessageBoxes messages;
        HELP_FORM window(folder.path().toStdString(), messages, nullptr, {});
        window.Open();
        QVERIFY(window.isVisible());
        QCOMPARE(window.windowTitle(), QStringLiteral("HELP"));
        QCOMPARE(Text(window), QStringLiteral("HELP line 1\nline 2\n"));
        QVERIFY(messages.shown.empty());
        auto* exit = window.findChild<QPushButton*>(QStringLiteral("EXITButton"));
        QCOMPARE(exit->text(), QStringLiteral("EXIT"));
        QCOMPARE(exit->toolTip(), QStringLiteral("Exit Program"));
        QCOMPARE(window.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->lineWrapMode(),
                 QPlainTextEdit::NoWrap);
    }

    void missingFileShowsFileErrorAndStillOpens() {
        QTemporaryDir folder;
        testing::RecordingMessageBoxes messages;
        HELP_FORM window(folder.path().toStdString(), messages, nullptr,
                         {folder.filePath(QStringLiteral("absent.txt")).toStdString()});
        window.Open();
        QVERIFY(window.isVisible());
        QCOMPARE(Text(window), QString());
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Critical);
        QCOMPARE(messages.shown[0].title, std::string("FILE ERROR"));
        QCOMPARE(messages.shown[0].text, std::string("File not found"));
    }

    void fallsBackToTheInstalledCopy() {
        QTemporaryDir folder;
        const QString installed = folder.filePath(QStringLiteral("TAMRO18.TXT"));
        Write(installed, "installed help\n");
        testing::RecordingMessageBoxes messages;
        HELP_FORM window("C:\\Program Files\\ZEK_TOOLs\\TAMRO18", messages, nullptr,
                         {installed.toStdString()});
        window.Open();
        QCOMPARE(Text(window), QStringLiteral("installed help\n"));
        QVERIFY(messages.shown.empty());
    }

    void defaultFallbackFindsThePanelsOwnHelp() {
        testing::RecordingMessageBoxes messages;
        HELP_FORM window("/no/such/folder", messages);
        window.Open();
        QVERIFY(messages.shown.empty());
        QVERIFY(Text(window).contains(QStringLiteral("PIC18 Tamro Control Panel")));
    }

    void readsAnewOnlyAfterClosing() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("TAMRO18.TXT"));
        Write(path, "first\n");
        testing::RecordingMessageBoxes messages;
        HELP_FORM window(folder.path().toStdString(), messages, nullptr, {});
        window.Open();
        Write(path, "second\n");
        window.Open();
        QCOMPARE(Text(window), QStringLiteral("first\n"));
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("EXITButton")),
                          Qt::LeftButton);
        QVERIFY(!window.isVisible());
        window.Open();
        QCOMPARE(Text(window), QStringLiteral("second\n"));
    }

    void resizeKeepsTheMargins() {
        testing::RecordingMessageBoxes messages;
        HELP_FORM window("", messages, nullptr, {});
        window.show();
        window.resize(Px(9000 - kFrameWidthTwips), Px(6000 - kTitleHeightTwips));
        QCoreApplication::processEvents();
        auto* text = window.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
        auto* exit = window.findChild<QPushButton*>(QStringLiteral("EXITButton"));
        QCOMPARE(text->size(), QSize(Px(9000 - 140), Px(6000 - 500)));
        QCOMPARE(exit->pos(), QPoint(Px(9000 - 1500), Px(6000 - 1100)));

        window.resize(Px(120), Px(60));  // outer height below 500 twips: left as it was
        QCoreApplication::processEvents();
        QCOMPARE(text->size(), QSize(Px(9000 - 140), Px(6000 - 500)));
    }
};

}  // namespace tamro

QTEST_MAIN(tamro::HelpFormTest)
#include "help_form_qtest.moc"
