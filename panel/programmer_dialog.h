#pragma once
// The dialog of Function → "Programmer...": the emulated programmer and the
// devices found on this machine, one per line, the current one selected.

#include <QDialog>

#include "programming/programmer_choice.h"

class QListWidget;

namespace tamro {

class ProgrammerDialog : public QDialog {
    Q_OBJECT

  public:
    ProgrammerDialog(const std::vector<ProgrammerChoice>& choices, const std::string& current,
                     QWidget* parent = nullptr);
    // The setting of the selected line; nullopt when none is selected.
    std::optional<std::string> Selected() const;

  private:
    std::vector<ProgrammerChoice> choices_;
    QListWidget* list_;
};

// Shows the dialog modally.
class QtProgrammerChooser final : public ProgrammerChooser {
  public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    std::optional<std::string> Choose(const std::vector<ProgrammerChoice>& choices,
                                      const std::string& current) override;

  private:
    QWidget* parent_ = nullptr;
};

}  // namespace tamro
