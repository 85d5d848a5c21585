#pragma once
// Setup_Form ("Setup"): edits the tool settings. EXIT takes the boxes into the
// in-memory settings and stores them; the close box keeps nothing.

#include <QWidget>

#include "tools/tool_settings.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tamro {

class Setup_Form final : public QWidget {
    Q_OBJECT
  public:
    // `defaults` is what "Default" puts into the boxes.
    Setup_Form(ToolSettings& settings, SettingsStore& store, ToolSettings defaults,
               QWidget* parent = nullptr);

    QLineEdit* Text_ASM_Folder = nullptr;
    QLineEdit* Text_ASM_Command = nullptr;
    QLineEdit* Text_C_Folder = nullptr;
    QLineEdit* Text_C_Commandline = nullptr;
    QPlainTextEdit* Text_Linker_Commandline = nullptr;
    QLineEdit* Text_Editor_Folder = nullptr;
    QLineEdit* Text_Editor_Filename = nullptr;
    QPushButton* Command_default = nullptr;
    QPushButton* EXTButton = nullptr;

    // The seven boxes as settings (the linker box's lines joined by blanks),
    // and the other way round.
    ToolSettings BoxSettings() const;
    void ShowInBoxes(const ToolSettings& settings);

  protected:
    // Each opening shows the in-memory settings.
    void showEvent(QShowEvent* event) override;

  private:
    void Command_default_Click();
    void EXTButton_Click();

    ToolSettings& settings_;
    SettingsStore& store_;
    ToolSettings defaults_;
};

}  // namespace tamro
