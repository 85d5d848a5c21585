#pragma once
// The file dialogs as Qt gives them.

#include <string>
#include <string_view>

#include "tools/file_dialogs.h"

class QWidget;

namespace tamro {

// "Source Files|*.asm;*.c|ALL FILES|*.*|" becomes
// "Source Files (*.asm *.ASM *.c *.C);;ALL FILES (*)" for Qt's dialogs.
std::string QtFilterFor(std::string_view filter);

// QFileDialog. Each dialog starts in the folder of the last chosen file.
class QtFileDialogs final : public FileDialogs {
  public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    std::string OpenFileName(const std::string& filter) override;
    std::string SaveFileName(const std::string& filter) override;

  private:
    QWidget* parent_;
    std::string lastFolder_;
};

}  // namespace tamro
