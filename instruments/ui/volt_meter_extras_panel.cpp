#include "instruments/ui/volt_meter_extras_panel.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include "tools/ui/file_dialogs.h"

namespace tamro {

namespace {

// The marks sit in the read-out's left part, which the right-aligned digits
// leave free: small, in the read-out's own colours.
constexpr double kMarkPointSize = 7.0;

}  // namespace

VoltMeterExtrasPanel::VoltMeterExtrasPanel(QLineEdit* readout)
    : QObject(readout), readout_(readout) {
    marks_ = new QLabel(readout);
    marks_->setObjectName("VoltMarks");
    QFont font = marks_->font();
    font.setPointSizeF(kMarkPointSize);
    font.setBold(false);
    marks_->setFont(font);
    QPalette palette = marks_->palette();
    palette.setColor(QPalette::WindowText, readout->palette().color(QPalette::Text));
    marks_->setPalette(palette);
    marks_->setAttribute(Qt::WA_TransparentForMouseEvents);
    marks_->move(3, 1);
    readout->setContextMenuPolicy(Qt::CustomContextMenu);
    readout->setToolTip("Right click: hold, minimum and maximum, CSV log");
    connect(readout, &QWidget::customContextMenuRequested, this, &VoltMeterExtrasPanel::ShowMenu);
    ShowMarks();
}

VoltMeterExtrasPanel::~VoltMeterExtrasPanel() = default;

void VoltMeterExtrasPanel::Add(const VoltReading& reading, const std::string& channel) {
    tracker_.Add(reading);
    readout_->setText(QString::fromStdString(tracker_.Shown()));
    if (log_) log_->Append(std::chrono::system_clock::now(), channel, reading);
    ShowMarks();
}

void VoltMeterExtrasPanel::SetHold(bool hold) {
    tracker_.SetHold(hold);
    ShowMarks();
}

void VoltMeterExtrasPanel::ResetExtremes() {
    tracker_.ResetExtremes();
    ShowMarks();
}

bool VoltMeterExtrasPanel::StartLog() {
    if (!fileDialogs_) {
        if (!ownDialogs_) ownDialogs_ = std::make_unique<QtFileDialogs>(readout_->window());
        fileDialogs_ = ownDialogs_.get();
    }
    std::string path = fileDialogs_->SaveFileName("CSV files|*.csv|ALL FILES|*.*|");
    if (path.empty()) return false;
    const std::size_t slash = path.find_last_of('/');
    if (path.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos) {
        path += ".csv";
    }
    StopLog();
    logFile_.open(path, std::ios::trunc);
    if (!logFile_) {
        if (messages_) messages_->Show(MessageIcon::Critical, "FILE ERROR", "Can't write " + path);
        return false;
    }
    log_ = std::make_unique<VoltCsvLog>(logFile_);
    ShowMarks();
    return true;
}

void VoltMeterExtrasPanel::StopLog() {
    log_.reset();
    if (logFile_.is_open()) logFile_.close();
    ShowMarks();
}

void VoltMeterExtrasPanel::ShowMarks() {
    QStringList lines;
    if (tracker_.Held()) lines << "HOLD";
    if (!tracker_.MaximumText().empty()) {
        lines << "max " + QString::fromStdString(tracker_.MaximumText());
        lines << "min " + QString::fromStdString(tracker_.MinimumText());
    }
    if (log_) lines << "LOG";
    marks_->setText(lines.join('\n'));
    marks_->adjustSize();
}

void VoltMeterExtrasPanel::ShowMenu(const QPoint& position) {
    QMenu menu(readout_);
    QAction* hold = menu.addAction("Hold");
    hold->setCheckable(true);
    hold->setChecked(tracker_.Held());
    QAction* reset = menu.addAction("Reset minimum and maximum");
    QAction* log = menu.addAction(log_ ? "Stop CSV log" : "Log to CSV file...");
    QAction* chosen = menu.exec(readout_->mapToGlobal(position));
    if (chosen == hold) SetHold(!tracker_.Held());
    if (chosen == reset) ResetExtremes();
    if (chosen == log) log_ ? StopLog() : static_cast<void>(StartLog());
}

}  // namespace tamro
