#include "panel/programmer_dialog.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/driver_table.h"

namespace tamro {

ProgrammerDialog::ProgrammerDialog(const std::vector<ProgrammerChoice>& choices,
                                   const std::string& current, QWidget* parent,
                                   ProgrammerLister lister)
    : QDialog(parent),
      choices_(choices),
      lister_(std::move(lister)),
      list_(new QListWidget(this)),
      setting_(new QLineEdit(this)),
      problem_(new QLabel(this)) {
    setObjectName("ProgrammerDialog");
    setWindowTitle("Programmer");
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(
        "The panel reconnects to the programmer chosen here.\n"
        "TAMRO18_DRIVER, when set, still chooses at start-up.",
        this);
    layout->addWidget(note);
    list_->setObjectName("ProgrammerList");
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(list_);

    auto* settingRow = new QHBoxLayout;
    auto* settingLabel = new QLabel("Setting:", this);
    settingRow->addWidget(settingLabel);
    setting_->setObjectName("SettingText");
    setting_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setting_->setPlaceholderText("serial:/dev/ttyACM0?baud=1000000, tcp:HOST:PORT?window=16, ...");
    setting_->setToolTip(
        "emulator, serial:PATH, tcp:HOST:PORT, hid:VID:PID[:SERIAL] or "
        "usb:VID:PID[:OUT-EP:IN-EP], optionally followed by ?window=N and (serial) ?baud=N");
    settingLabel->setBuddy(setting_);
    settingRow->addWidget(setting_, 1);
    auto* refresh = new QPushButton("Refresh", this);
    refresh->setObjectName("RefreshButton");
    refresh->setToolTip("List the programmers found on this machine again");
    refresh->setEnabled(static_cast<bool>(lister_));
    settingRow->addWidget(refresh);
    layout->addLayout(settingRow);
    problem_->setObjectName("SettingProblem");
    problem_->setStyleSheet("color: rgb(192, 0, 0);");
    problem_->setWordWrap(true);
    layout->addWidget(problem_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("ProgrammerButtons");
    connect(buttons, &QDialogButtonBox::accepted, this, &ProgrammerDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &ProgrammerDialog::accept);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || row >= static_cast<int>(choices_.size())) return;
        setting_->setText(QString::fromStdString(choices_[static_cast<std::size_t>(row)].setting));
    });
    connect(setting_, &QLineEdit::textEdited, problem_, &QLabel::clear);
    connect(refresh, &QPushButton::clicked, this, [this] {
        if (!lister_) return;
        const std::string typed = setting_->text().toStdString();
        choices_ = lister_();
        Fill(typed);
    });
    layout->addWidget(buttons);
    Fill(current);
    resize(640, 320);
}

void ProgrammerDialog::Fill(const std::string& current) {
    const QSignalBlocker blocker(list_);
    list_->clear();
    for (std::size_t i = 0; i < choices_.size(); ++i) {
        list_->addItem(QString::fromStdString(choices_[i].text));
        const bool isCurrent =
            choices_[i].setting == current ||
            (IsEmulatorSetting(current) && IsEmulatorSetting(choices_[i].setting));
        if (isCurrent) list_->setCurrentRow(static_cast<int>(i));
    }
    const int row = list_->currentRow();
    setting_->setText(QString::fromStdString(
        current.empty() && row >= 0 ? choices_[static_cast<std::size_t>(row)].setting : current));
}

std::optional<std::string> ProgrammerDialog::Selected() const {
    const std::string setting = setting_->text().trimmed().toStdString();
    if (setting.empty()) return std::nullopt;
    return setting;
}

void ProgrammerDialog::accept() {
    const auto setting = Selected();
    const auto problem = setting ? DriverSettingProblem(*setting)
                                 : std::optional<std::string>("type a setting or choose a line");
    if (problem) {
        problem_->setText(QString::fromStdString(*problem));
        setting_->setFocus();
        return;
    }
    QDialog::accept();
}

std::optional<std::string> QtProgrammerChooser::Choose(const std::vector<ProgrammerChoice>& choices,
                                                       const std::string& current) {
    ProgrammerDialog dialog(choices, current, parent_, lister_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Selected();
}

}  // namespace tamro
