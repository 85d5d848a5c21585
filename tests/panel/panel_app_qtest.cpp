#include <QApplication>
#include <QTest>
#include <QTimer>

#include "panel/panel_app.h"
#include "tests/testing/fakes.h"

using namespace tamro;

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
        QCOMPARE(messages.shown[0].text, std::string("Unit not Found"));
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
};

QTEST_MAIN(PanelAppTest)
#include "panel_app_qtest.moc"
