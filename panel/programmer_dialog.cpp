#include "panel/programmer_dialog.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "link/driver_table.h"

namespace tamro {

ProgrammerDialog::ProgrammerDialog(const std::vector<ProgrammerChoice>& choices,
                                   const std::string& current, QWidget* parent)
    : QDialog(parent), choices_(choices), list_(new QListWidget(this)) {
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
    for (std::size_t i = 0; i < choices_.size(); ++i) {
        list_->addItem(QString::fromStdString(choices_[i].text));
        const bool isCurrent =
            choices_[i].setting == current ||
            (IsEmulatorSetting(current) && IsEmulatorSetting(choices_[i].setting));
        if (isCurrent) list_->setCurrentRow(static_cast<int>(i));
    }
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("ProgrammerButtons");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(640, 300);
}

std::optional<std::string> ProgrammerDialog::Selected() const {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(choices_.size())) return std::nullopt;
    return choices_[static_cast<std::size_t>(row)].setting;
}

std::optional<std::string> QtProgrammerChooser::Choose(const std::vector<ProgrammerChoice>& choices,
                                                       const std::string& current) {
    ProgrammerDialog dialog(choices, current, parent_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Selected();
}

}  // namespace tamro
