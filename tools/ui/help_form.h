#pragma once
// The help window HELP_FORM: shows the help text file, modeless and single.

#include <QWidget>
#include <string>
#include <vector>

#include "common/platform.h"

class QPlainTextEdit;
class QPushButton;

namespace tamro {

class HELP_FORM final : public QWidget {
    Q_OBJECT
  public:
    // `folder` is the setting F_ASM; the fallbacks are the copies tried when the
    // file under it is missing.
    HELP_FORM(std::string folder, MessageBoxes& messages, QWidget* parent = nullptr,
              std::vector<std::string> fallbacks = DefaultFallbacks());

    // The folder for the next opening (the settings may change meanwhile).
    void SetFolder(std::string folder) { folder_ = std::move(folder); }

    // Shows the window: a hidden one reads the file anew, a visible one is only
    // brought to the front.
    void Open();

    void EXITButton_Click();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    static std::vector<std::string> DefaultFallbacks();
    void LoadText();

    std::string folder_;
    MessageBoxes& messages_;
    std::vector<std::string> fallbacks_;
    QPlainTextEdit* Text1_;
    QPushButton* EXITButton_;
};

}  // namespace tamro
