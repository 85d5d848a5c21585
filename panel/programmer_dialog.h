#pragma once
// The dialog of Function → "Programmer...": the emulated programmer and the
// devices found on this machine, one per line, the current one selected, and
// the setting itself, which the user may type (serial:, tcp:, hid:, usb:, with
// ?window= and ?baud=). OK takes only a setting that names a programmer;
// Refresh lists the devices again.

#include <QDialog>
#include <functional>

#include "programming/programmer_choice.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace tamro {

using ProgrammerLister = std::function<std::vector<ProgrammerChoice>()>;

class ProgrammerDialog : public QDialog {
    Q_OBJECT

  public:
    ProgrammerDialog(const std::vector<ProgrammerChoice>& choices, const std::string& current,
                     QWidget* parent = nullptr, ProgrammerLister lister = {});
    // The setting in the setting box; nullopt when it is empty.
    std::optional<std::string> Selected() const;

    void accept() override;

  private:
    void Fill(const std::string& current);

    std::vector<ProgrammerChoice> choices_;
    ProgrammerLister lister_;
    QListWidget* list_;
    QLineEdit* setting_;
    QLabel* problem_;
};

// Shows the dialog modally.
class QtProgrammerChooser final : public ProgrammerChooser {
  public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    // Where Refresh takes the list from.
    void SetLister(ProgrammerLister lister) { lister_ = std::move(lister); }
    std::optional<std::string> Choose(const std::vector<ProgrammerChoice>& choices,
                                      const std::string& current) override;

  private:
    QWidget* parent_ = nullptr;
    ProgrammerLister lister_;
};

}  // namespace tamro
