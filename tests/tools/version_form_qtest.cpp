#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "tests/testing/fakes.h"
#include "tests/tools/desktop_fake_launcher.h"
#include "tools/ui/version_form.h"

namespace tamro {

const std::string kDocs = "file:///usr/share/doc/tamro18/README.md";

class VersionFormTest : public QObject {
    Q_OBJECT

  private:
    static QString Text(TAMRO_VERFORM& window, const char* name) {
        return window.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

  private slots:
    void textsForFirmwareIdentifications() {
        QCOMPARE(FirmwareVersionText("TAMRO-12"), std::string("Firmware version 1.2"));
        QCOMPARE(FirmwareVersionText("ABCDEFG"), std::string("Firmware version G."));
        QCOMPARE(FirmwareVersionText("ABC"), std::string("Firmware version ."));
        QCOMPARE(FirmwareVersionText(""), std::string("Firmware version ."));
        QCOMPARE(FirmwareVersionText("ABCDEFGHIJ"), std::string("Firmware version G.H"));
        QCOMPARE(ProgramVersionText(2, 2), std::string("Version  2. 2"));
        QCOMPARE(ProgramVersionText(10, -1), std::string("Version  10.-1"));
    }

    void windowShowsTheVersions() {
        testing::FakeDesktopLauncher launcher;
        testing::RecordingMessageBoxes messages;
        for (const auto& [firmware, expected] :
             std::vector<std::pair<std::string, QString>>{{"TAMRO-34", "Firmware version 3.4"},
                                                          {"TAM", "Firmware version ."},
                                                          {"", "Firmware version ."}}) {
            TAMRO_VERFORM window(firmware, kDocs, launcher, messages);
            QCOMPARE(window.windowTitle(), QStringLiteral("Harlon V3"));
            QVERIFY(window.isModal());
            QCOMPARE(Text(window, "Label1"), expected);
            QCOMPARE(Text(window, "Label4"), QStringLiteral("Version  2. 2"));
            QCOMPARE(Text(window, "Label2"), QStringLiteral("PIC Tamro Control Panel"));
            QCOMPARE(Text(window, "Label3"), QString::fromUtf8(kMakerName));
            QCOMPARE(Text(window, "Label5"), QString::fromStdString(kDocs));
            QVERIFY(!Text(window, "Label6").isEmpty());
            QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("Command1"))->text(),
                     QStringLiteral("OK"));
        }
    }

    void okEndsTheModalWindow() {
        testing::FakeDesktopLauncher launcher;
        testing::RecordingMessageBoxes messages;
        TAMRO_VERFORM window("TAMRO-12", kDocs, launcher, messages);
        QTimer::singleShot(0, &window, [&window] {
            QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Command1")),
                              Qt::LeftButton);
        });
        QCOMPARE(window.exec(), int(QDialog::Accepted));
        QVERIFY(!window.isVisible());
    }

    void makerNameOpensTheHomePage() {
        testing::FakeDesktopLauncher launcher;
        testing::RecordingMessageBoxes messages;
        TAMRO_VERFORM window("TAMRO-12", kDocs, launcher, messages);
        window.show();
        QTest::mouseClick(window.findChild<QLabel*>(QStringLiteral("Label3")), Qt::LeftButton);
        QCOMPARE(launcher.openedUrls, std::vector<std::string>{kDocs});
        QVERIFY(messages.shown.empty());

        launcher.urlResult = false;
        QTest::mouseClick(window.findChild<QLabel*>(QStringLiteral("Label3")), Qt::LeftButton);
        QCOMPARE(messages.shown.size(), size_t(1));
        QVERIFY(window.isVisible());
    }
};

}  // namespace tamro

QTEST_MAIN(tamro::VersionFormTest)
#include "version_form_qtest.moc"
