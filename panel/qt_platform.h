#pragma once
// The platform interfaces as Qt gives them.

#include <QString>

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
// section is the INI group.
class IniSettingsStore final : public SettingsStore {
  public:
    explicit IniSettingsStore(std::string configFolder) : configFolder_(std::move(configFolder)) {}
    std::string Read(const std::string& application, const std::string& section,
                     const std::string& key) override;
    void Write(const std::string& application, const std::string& section, const std::string& key,
               const std::string& value) override;

    QString FileFor(const std::string& application) const;

  private:
    std::string configFolder_;
};

// QCoreApplication::processEvents.
class QtEventPump final : public EventPump {
  public:
    void ProcessPendingEvents() override;
};

}  // namespace tamro
