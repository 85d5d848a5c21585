#pragma once
// The common open and save file dialogs, behind an interface so that tests
// never block on a modal dialog.

#include <string>
#include <string_view>

class QWidget;

namespace tamro {

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // `filter` is given as "Caption|patterns|Caption|patterns|", patterns
    // separated by ";". Both return the chosen path, or "" when cancelled.
    virtual std::string OpenFileName(const std::string& filter) = 0;
    virtual std::string SaveFileName(const std::string& filter) = 0;
};

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
