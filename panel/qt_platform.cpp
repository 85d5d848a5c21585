#include "panel/qt_platform.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>

#include "common/file_io.h"

namespace tamro {

void QtMessageBoxes::Show(MessageIcon icon, const std::string& title, const std::string& text) {
    QMessageBox::Icon qtIcon = QMessageBox::Critical;
    if (icon == MessageIcon::Exclamation) qtIcon = QMessageBox::Warning;
    if (icon == MessageIcon::Information) qtIcon = QMessageBox::Information;
    QMessageBox box(qtIcon, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok, parent_);
    box.exec();
}

bool QtMessageBoxes::AskYesNo(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtMessageBoxes::Beep() {
    QApplication::beep();
}

SaveChoice QtMessageBoxes::AskSaveDiscardCancel(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(title),
                    QString::fromStdString(text),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent_);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    const int answer = box.exec();
    if (answer == QMessageBox::Save) return SaveChoice::Save;
    if (answer == QMessageBox::Discard) return SaveChoice::Discard;
    return SaveChoice::Cancel;
}

QString IniSettingsStore::FileFor(const std::string& application) const {
    QString base = QString::fromStdString(configFolder_);
    if (base.isEmpty()) base = QDir::homePath() + "/.config";
    const QString name = QString::fromStdString(application);
    return base + "/" + name + "/" + name + ".conf";
}

bool IniSettingsStore::Usable(const std::string& application) {
    // QSettings would wait on a FIFO for ever and read a huge file whole.
    const std::string path = FileFor(application).toStdString();
    const FileResult checked = CheckReadableFile(path, kMaxSettingsFileBytes);
    if (checked.ok() || checked.problem == FileProblem::Missing) return true;
    if (refused_.insert(path).second) {
        messages_.Show(MessageIcon::Exclamation, "Settings",
                       "The settings file " + path + " cannot be used (" + checked.reason +
                           ").\nThe defaults are used, and changed settings are not saved.");
    }
    return false;
}

std::string IniSettingsStore::Read(const std::string& application, const std::string& section,
                                   const std::string& key) {
    if (!Usable(application)) return "";
    QSettings settings(FileFor(application), QSettings::IniFormat);
    settings.beginGroup(QString::fromStdString(section));
    return settings.value(QString::fromStdString(key)).toString().toStdString();
}

void IniSettingsStore::Write(const std::string& application, const std::string& section,
                             const std::string& key, const std::string& value) {
    if (!Usable(application)) return;
    QSettings settings(FileFor(application), QSettings::IniFormat);
    settings.beginGroup(QString::fromStdString(section));
    settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
    settings.endGroup();
    settings.sync();
}

void QtEventPump::ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

}  // namespace tamro
