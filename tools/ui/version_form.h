#pragma once
// The version window TAMRO_VERFORM ("Harlon V3"): program and firmware versions
// and the maker's home page. Modal, created for each showing.

#include <QDialog>
#include <string>

#include "common/platform.h"
#include "tools/desktop_launch.h"

class QLabel;
class QPushButton;

namespace tamro {

// The program's version as the window shows it (the revision is not shown).
inline constexpr int kProgramVersionMajor = TAMRO_VERSION_MAJOR;
inline constexpr int kProgramVersionMinor = TAMRO_VERSION_MINOR;

// "Firmware version " + the 7th character + "." + the 8th character of the
// firmware identification; missing characters are left out.
std::string FirmwareVersionText(const std::string& firmwareText);

// "Version " + major + "." + minor, each number with its sign position
// ("Version  2. 2").
std::string ProgramVersionText(int major, int minor);

class TAMRO_VERFORM final : public QDialog {
    Q_OBJECT
  public:
    // `homePage` is the address Label5 shows and Label3 opens.
    TAMRO_VERFORM(const std::string& firmwareText, std::string homePage, DesktopLauncher& launcher,
                  MessageBoxes& messages, QWidget* parent = nullptr);

    void Command1_Click();
    void Label3_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FitTexts();

    std::string homePage_;
    DesktopLauncher& launcher_;
    MessageBoxes& messages_;
    QLabel* Picture1_;
    QLabel* Label1_;
    QLabel* Label2_;
    QLabel* Label3_;
    QLabel* Label4_;
    QLabel* Label5_;
    QLabel* Label6_;
    QPushButton* Command1_;
};

}  // namespace tamro
