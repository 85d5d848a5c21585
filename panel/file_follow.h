#pragma once
// The panel's ways to the files it works on besides File open: the list of
// the last six files in the Function menu, files dropped on the window (a HEX
// file loads, an assembler or C source becomes the source), and the loaded
// HEX file followed on disk: loaded again before WRITE or VERIFY when an
// assembler has written it anew, and, with "Write on file change", written to
// the chip after each successful reload.

#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "common/platform.h"
#include "programming/hex_file_watch.h"
#include "tools/recent_files.h"

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QTimer;

namespace tamro {

class FileFollow : public QObject {
    Q_OBJECT

  public:
    // What the main window does for the files.
    struct Window {
        std::function<void(const std::string& path)> open;     // File open of a chosen file
        std::function<void(const std::string& path)> loadHex;  // HEX load of that file
        std::function<void()> write;                           // WRITE
        std::function<bool()> refuseWhileBusy;                 // true, with a beep, while busy
        // A request or a tool run is going on (asked quietly: the poll waits for its end).
        std::function<bool()> busy;
        std::function<bool()> haveData;  // a HEX file is loaded
    };

    FileFollow(QMainWindow& window, SettingsStore& settings, Window host);

    RecentFiles& recent() { return recent_; }
    // The images now hold `path` as it is on disk.
    void Loaded(const std::string& path);
    // Before WRITE or VERIFY: loads the HEX file again when it changed on
    // disk and says so. False when that load failed (it has said why; the
    // previous image stays): the operation does not run.
    bool ReloadIfChanged();
    // Checks the followed file now, as the timer does.
    void Poll();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FillRecentMenu();

    SettingsStore& settings_;
    Window host_;
    RecentFiles recent_;
    HexFileWatch watch_;
    QMenu* functionMenu_ = nullptr;
    QAction* writeOnChange_ = nullptr;
    QLabel* note_ = nullptr;
    QTimer* timer_ = nullptr;
    std::vector<QAction*> recentActions_;
};

}  // namespace tamro
