#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "tests/testing/fakes.h"
#include "tools/ui/setup_form.h"

using namespace tamro;
using tamro::testing::MemorySettingsStore;

namespace {

ToolSettings LinuxSettings() {
    ToolSettings settings;
    settings.F_ASM = "/usr/bin";
    settings.CMD_ASM = "gpasm -a inhx32";
    settings.F_C = "/usr/bin";
    settings.CMD_C = "sdcc -mpic16 -p18f452";
    settings.CMD_Lkr = "gplink -m";
    settings.F_EDIT = "/usr/bin";
    settings.CMD_EDIT = "mousepad";
    return settings;
}

}  // namespace

class SetupFormTest : public QObject {
    Q_OBJECT
  private slots:
    void OpeningShowsTheInMemorySettings() {
        ToolSettings settings = LinuxSettings();
        MemorySettingsStore store;
        Setup_Form form(settings, store);
        QCOMPARE(form.windowTitle(), QStringLiteral("Setup"));
        QCOMPARE(form.EXTButton->text(), QStringLiteral("EXIT"));
        QCOMPARE(form.EXTButton->toolTip(), QStringLiteral("Exit"));
        QCOMPARE(form.Command_default->text(), QStringLiteral("Default"));
        QCOMPARE(form.Text_ASM_Command->text(), QStringLiteral("gpasm -a inhx32"));
        QCOMPARE(form.Text_Linker_Commandline->toPlainText(), QStringLiteral("gplink -m"));
        QVERIFY(form.BoxSettings() == settings);
    }

    void DefaultThenCloseBoxChangesNothing() {
        ToolSettings settings = LinuxSettings();
        MemorySettingsStore store;
        Setup_Form form(settings, store);
        form.show();
        QTest::mouseClick(form.Command_default, Qt::LeftButton);
        QCOMPARE(form.Text_ASM_Folder->text(), QString::fromStdString(DefaultToolSettings().F_ASM));
        QCOMPARE(form.Text_Editor_Filename->text(), QString());
        QVERIFY(settings == LinuxSettings());
        form.close();
        QVERIFY(settings == LinuxSettings());
        QVERIFY(store.writes.empty());

        // The next opening shows the in-memory settings again.
        form.show();
        QCOMPARE(form.Text_Editor_Filename->text(), QStringLiteral("mousepad"));
    }

    void ExitTakesAndStoresTheBoxes() {
        ToolSettings settings = LinuxSettings();
        MemorySettingsStore store;
        Setup_Form form(settings, store);
        form.show();
        form.Text_Editor_Filename->setText(QString());
        form.Text_Linker_Commandline->setPlainText(QStringLiteral("gplink\n-m"));
        QTest::mouseClick(form.EXTButton, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(settings.CMD_EDIT, std::string());
        QCOMPARE(settings.CMD_Lkr, std::string("gplink\n-m"));
        QCOMPARE(store.writes.size(), std::size_t(7));
        QCOMPARE(store.Read("TAMRO18", "DATA", "CMD_EDIT"), std::string());
        QCOMPARE(store.Read("TAMRO18", "DATA", "F_ASM"), std::string("/usr/bin"));
        QCOMPARE(LoadToolSettings(store).CMD_Lkr, std::string("gplink\n-m"));
    }

    void DefaultThenExitStoresTheDefaults() {
        ToolSettings settings = LinuxSettings();
        MemorySettingsStore store;
        Setup_Form form(settings, store);
        form.show();
        QTest::mouseClick(form.Command_default, Qt::LeftButton);
        QTest::mouseClick(form.EXTButton, Qt::LeftButton);
        QVERIFY(settings == DefaultToolSettings());
        QCOMPARE(store.Read("TAMRO18", "DATA", "CMD_C"), DefaultToolSettings().CMD_C);
    }
};

QTEST_MAIN(SetupFormTest)
#include "setup_form_qtest.moc"
