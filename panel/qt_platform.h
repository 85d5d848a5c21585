#pragma once
// The platform interfaces as Qt gives them.

#include <QString>
#include <set>
#include <string>

#include "common/platform.h"

class QWidget;

namespace tamro {

// Real modal QMessageBox: an OK button, or Yes and No for a question.
class QtMessageBoxes final : public MessageBoxes {
  public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    void Show(MessageIcon icon, const std::string& title, const std::string& text) override;
    bool AskYesNo(const std::string& title, const std::string& text) override;
    void Beep() override;
    SaveChoice AskSaveDiscardCancel(const std::string& title, const std::string& text) override;

  private:
    QWidget* parent_;
};

// INI files per application: application "TAMRO18" is
// <configFolder>/TAMRO18/TAMRO18.conf (without a folder, ~/.config/...); the
// section is the INI group. A file that is not a regular one of at most
// kMaxSettingsFileBytes (a FIFO, a device, a huge file) is neither read nor
// written: the defaults are used, and `messages` warns once per file.
class IniSettingsStore final : public SettingsStore {
  public:
    IniSettingsStore(std::string configFolder, MessageBoxes& messages)
        : configFolder_(std::move(configFolder)), messages_(messages) {}
    std::string Read(const std::string& application, const std::string& section,
                     const std::string& key) override;
    void Write(const std::string& application, const std::string& section, const std::string& key,
               const std::string& value) override;

    QString FileFor(const std::string& application) const;

  private:
    // Whether the application's file may be handed to QSettings.
    bool Usable(const std::string& application);

    std::string configFolder_;
    MessageBoxes& messages_;
    std::set<std::string> refused_;  // warned about once each
};

// QCoreApplication::processEvents.
class QtEventPump final : public EventPump {
  public:
    void ProcessPendingEvents() override;
};

}  // namespace tamro
