#include "panel/panel_windows.h"

#include "convertor/ui/data_conv.h"
#include "instruments/ui/event_counter.h"
#include "instruments/ui/frequency_counter.h"
#include "instruments/ui/logic_analyzer.h"
#include "instruments/ui/volt_meter.h"
#include "panel/config_names_window.h"
#include "panel/difference_window.h"
#include "tools/ui/desktop_launch.h"
#include "tools/ui/editor.h"
#include "tools/ui/error_view.h"
#include "tools/ui/help_form.h"
#include "tools/ui/process_runner.h"
#include "tools/ui/setup_form.h"
#include "tools/ui/version_form.h"
#include "views/ui/buffer_viewers.h"

namespace tamro {
namespace {

void ShowOnTop(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

PanelWindows::PanelWindows(QWidget* mainWindow, ProgrammerSession& session,
                           const PanelPlatform& platform, ToolSettings& toolSettings,
                           ToolFiles& toolFiles, ToolRunHost& host)
    : mainWindow_(mainWindow),
      session_(session),
      platform_(platform),
      toolSettings_(toolSettings),
      viewers_(std::make_unique<BufferViewers>(mainWindow, kProgramWords)),
      errorView_(new ErrorViewWindow(mainWindow)),
      editor_(new EditorWindow(host, toolFiles, platform.messages, platform.dialogs, mainWindow)) {}

PanelWindows::~PanelWindows() = default;

void PanelWindows::OpenHelp() {
    if (!help_) {
        help_ = new HELP_FORM(toolSettings_.F_ASM, platform_.messages, mainWindow_);
    } else {
        help_->SetFolder(toolSettings_.F_ASM);
    }
    help_->Open();
}

void PanelWindows::ShowVersion() {
    TAMRO_VERFORM version(session_.firmwareText(), HomePage(), platform_.launcher,
                          platform_.messages, mainWindow_);
    version.exec();
}

void PanelWindows::OpenConvertor() {
    if (!dataConv_) dataConv_ = new DataConv(mainWindow_);
    dataConv_->Open();
}

void PanelWindows::OpenSetup() {
    if (!setup_) {
        setup_ = new Setup_Form(toolSettings_, platform_.settings,
                                InstalledToolSettings(QtProcessRunner::FindProgram), mainWindow_);
    }
    ShowOnTop(setup_);
}

bool PanelWindows::MayOpenMeter() {
    if (!session_.Busy()) return true;
    platform_.messages.Beep();
    return false;
}

void PanelWindows::OpenVoltMeter() {
    if (!MayOpenMeter()) return;
    VM meter(session_, platform_.settings, mainWindow_);
    meter.exec();
}

void PanelWindows::OpenFrequencyCounter() {
    if (!MayOpenMeter()) return;
    Form_FCNT counter(session_, mainWindow_);
    counter.exec();
}

void PanelWindows::OpenEventCounter() {
    if (!MayOpenMeter()) return;
    Form_CNT counter(session_, mainWindow_);
    counter.exec();
}

void PanelWindows::OpenLogicView() {
    if (!logicAnalyzer_) {
        logicAnalyzer_ = new LA(session_, platform_.messages, platform_.events, mainWindow_);
        logicAnalyzer_->setAttribute(Qt::WA_DeleteOnClose);
    }
    ShowOnTop(logicAnalyzer_);
}

void PanelWindows::ShowDifferences() {
    if (session_.Differences().empty()) return;
    if (!differences_) differences_ = new DifferenceWindow(mainWindow_);
    differences_->ShowDifferences(session_.Differences());
}

void PanelWindows::ShowConfigNames() {
    if (!configNames_) configNames_ = new ConfigNamesWindow(session_, mainWindow_);
    configNames_->Refresh();
    configNames_->show();
    configNames_->raise();
    configNames_->activateWindow();
}

void PanelWindows::RefreshConfigNames() {
    if (configNames_ && configNames_->isVisible()) configNames_->Refresh();
}

void PanelWindows::OpenCalculator() {
    RunCalculator(platform_.launcher, platform_.messages);
}

std::string PanelWindows::HomePage() const {
    return HomePageAddress(platform_.settings, InstalledDocumentationFiles());
}

void PanelWindows::OpenHomePage() {
    tamro::OpenHomePage(platform_.launcher, platform_.messages, HomePage());
}

void PanelWindows::ShowProgramBuffer() {
    viewers_->ShowProgramView();
    viewers_->FillProgramGrid(session_.images());
}

void PanelWindows::RefreshProgramBuffer() {
    if (viewers_->ProgramViewVisible()) viewers_->FillProgramGrid(session_.images());
}

void PanelWindows::ShowEepromBuffer() {
    viewers_->ShowEepromView();
    viewers_->FillEepromGrid(session_.images());
}

}  // namespace tamro
