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

// What "Default" offers on a machine with gputils only.
ToolSettings InstalledHere() {
    ToolSettings settings;
    settings.F_ASM = "/usr/bin";
    settings.CMD_ASM = "gpasm -k -w 2 -r dec -a inhx32";
    return settings;
}

}  // namespace

class SetupFormTest : public QObject {
    Q_OBJECT
  private slots:
    void OpeningShowsTheInMemorySettings() {
        ToolSettings settings = LinuxSettings();
        MemorySettingsStore store;
        Setup_Form form(settings, store, InstalledHere());
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
        Setup_Form form(settings, store, InstalledHere());
        form.show();
        QTest::mouseClick(form.Command_default, Qt::LeftButton);
        QCOMPARE(form.Text_ASM_Folder->text(), QStringLiteral("/usr/bin"));
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
        Setup_Form form(settings, store, InstalledHere());
        form.show();
        form.Text_Editor_Filename->setText(QString());
        // Lines typed into the multi-line linker box are one command line.
        form.Text_Linker_Commandline->setPlainText(QStringLiteral("gplink\n-m\r\n\n-w"));
        QTest::mouseClick(form.EXTButton, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(settings.CMD_EDIT, std::string());
        QCOMPARE(settings.CMD_Lkr, std::string("gplink -m -w"));
        QCOMPARE(store.writes.size(), std::size_t(7));
        QCOMPARE(store.Read("TAMRO18", "DATA", "CMD_EDIT"), std::string());
        QCOMPARE(store.Read("TAMRO18", "DATA", "F_ASM"), std::string("/usr/bin"));
        QCOMPARE(LoadToolSettings(store, InstalledHere()).CMD_Lkr, std::string("gplink -m -w"));
    }

    void DefaultThenExitStoresTheDefaults() {
        ToolSettings settings = LinuxSettings();
        MemorySettingsStore store;
        Setup_Form form(settings, store, InstalledHere());
        form.show();
        QTest::mouseClick(form.Command_default, Qt::LeftButton);
        QTest::mouseClick(form.EXTButton, Qt::LeftButton);
        QVERIFY(settings == InstalledHere());
        QCOMPARE(store.Read("TAMRO18", "DATA", "CMD_C"), std::string());
        QCOMPARE(store.Read("TAMRO18", "DATA", "CMD_ASM"), InstalledHere().CMD_ASM);
    }
};

QTEST_MAIN(SetupFormTest)
#include "setup_form_qtest.moc"
