#pragma once
// The windows the main window opens from its buttons and menus. The modeless
// ones are made once and shown again; the meters are modal and talk to the
// programmer, so none opens while a request of the session lets events run.

#include <QPointer>
#include <memory>
#include <string>

#include "panel/panel_platform.h"
#include "programming/programmer_session.h"
#include "tools/tool_runs.h"
#include "tools/tool_settings.h"

class QWidget;

namespace tamro {

class BufferViewers;
class ConfigNamesWindow;
class DataConv;
class DifferenceWindow;
class EditorWindow;
class ErrorViewWindow;
class HELP_FORM;
class LA;
class Setup_Form;

class PanelWindows {
  public:
    PanelWindows(QWidget* mainWindow, ProgrammerSession& session, const PanelPlatform& platform,
                 ToolSettings& toolSettings, ToolFiles& toolFiles, ToolRunHost& host);
    ~PanelWindows();

    void OpenHelp();
    void ShowVersion();
    void OpenConvertor();
    void OpenSetup();
    void OpenVoltMeter();
    void OpenFrequencyCounter();
    void OpenEventCounter();
    void OpenLogicView();
    void OpenCalculator();
    void OpenHomePage();
    std::string HomePage() const;

    // DATAVIEW with the program image (filled anew when it is already shown),
    // EEVIEW with the EEPROM image.
    void ShowProgramBuffer();
    void RefreshProgramBuffer();
    void ShowEepromBuffer();
    // The difference list of the last verify, shown when it found any.
    void ShowDifferences();
    // The configuration by name, shown in front; RefreshConfigNames fills it
    // anew when it is open.
    void ShowConfigNames();
    void RefreshConfigNames();

    ErrorViewWindow& errorView() { return *errorView_; }
    EditorWindow& editor() { return *editor_; }

  private:
    // False, with a beep, while a request of the session runs.
    bool MayOpenMeter();

    QWidget* mainWindow_;
    ProgrammerSession& session_;
    PanelPlatform platform_;
    ToolSettings& toolSettings_;
    std::unique_ptr<BufferViewers> viewers_;
    ErrorViewWindow* errorView_;
    EditorWindow* editor_;
    DataConv* dataConv_ = nullptr;
    DifferenceWindow* differences_ = nullptr;
    ConfigNamesWindow* configNames_ = nullptr;
    HELP_FORM* help_ = nullptr;
    QPointer<Setup_Form> setup_;
    QPointer<LA> logicAnalyzer_;
};

}  // namespace tamro
