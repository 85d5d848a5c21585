#pragma once
// The volt meter's bench-meter functions on its read-out: "OL" at the top of
// the converter's range, hold, minimum and maximum shown as small marks in the
// read-out's free corner, and a CSV log of every reading while it is on. The
// read-out's context menu switches them; the window gives it each reading.

#include <QObject>
#include <fstream>
#include <memory>
#include <string>

#include "common/platform.h"
#include "instruments/volt_meter_extras.h"
#include "tools/file_dialogs.h"

class QLabel;
class QLineEdit;

namespace tamro {

class VoltMeterExtrasPanel final : public QObject {
    Q_OBJECT
  public:
    explicit VoltMeterExtrasPanel(QLineEdit* readout);
    ~VoltMeterExtrasPanel() override;

    // Where the log asks for its file and reports a file it cannot open;
    // Qt's dialogs and no report when not set.
    void SetFileDialogs(FileDialogs* dialogs) { fileDialogs_ = dialogs; }
    void SetMessageBoxes(MessageBoxes* messages) { messages_ = messages; }

    // A new reading on `channel`: the read-out shows it (or keeps the held one),
    // the marks and the log follow.
    void Add(const VoltReading& reading, const std::string& channel);

    void SetHold(bool hold);
    void ResetExtremes();
    // Asks for a file and logs every reading to it from now on; false when
    // cancelled or the file cannot be written.
    bool StartLog();
    void StopLog();
    bool Logging() const { return log_ != nullptr; }
    const VoltReadingTracker& Tracker() const { return tracker_; }
    QLabel* Marks() const { return marks_; }

  private:
    void ShowMarks();
    void ShowMenu(const QPoint& position);

    QLineEdit* readout_;
    QLabel* marks_;
    VoltReadingTracker tracker_;
    FileDialogs* fileDialogs_ = nullptr;
    std::unique_ptr<FileDialogs> ownDialogs_;
    MessageBoxes* messages_ = nullptr;
    std::ofstream logFile_;
    std::unique_ptr<VoltCsvLog> log_;
};

}  // namespace tamro
