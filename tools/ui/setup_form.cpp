#include "tools/ui/setup_form.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <utility>

#include "common/twips.h"

namespace tamro {
namespace {

QString ToQ(const std::string& text) {
    return QString::fromStdString(text);
}
std::string FromQ(const QString& text) {
    return text.toStdString();
}

QLineEdit* AddLine(QFormLayout* form, const char* caption, const char* name) {
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    box->setMinimumWidth(Px(6000));
    form->addRow(QString::fromLatin1(caption), box);
    return box;
}

}  // namespace

Setup_Form::Setup_Form(ToolSettings& settings, SettingsStore& store, ToolSettings defaults,
                       QWidget* parent)
    : QWidget(parent, Qt::Window),
      settings_(settings),
      store_(store),
      defaults_(std::move(defaults)) {
    setObjectName(QStringLiteral("Setup_Form"));
    setWindowTitle(QStringLiteral("Setup"));

    auto* form = new QFormLayout;
    Text_ASM_Folder = AddLine(form, "Assembler / HELP Folder", "Text_ASM_Folder");
    Text_ASM_Command = AddLine(form, "Assembler Command line", "Text_ASM_Command");
    Text_C_Folder = AddLine(form, "C compiler Folder", "Text_C_Folder");
    Text_C_Commandline = AddLine(form, "C compiler command line", "Text_C_Commandline");
    Text_Linker_Commandline = new QPlainTextEdit;
    Text_Linker_Commandline->setObjectName(QStringLiteral("Text_Linker_Commandline"));
    Text_Linker_Commandline->setFixedHeight(Px(900));
    form->addRow(QStringLiteral("Linker command line"), Text_Linker_Commandline);
    Text_Editor_Folder = AddLine(form, "Editor Folder", "Text_Editor_Folder");
    Text_Editor_Filename = AddLine(form, "Editor File name", "Text_Editor_Filename");

    Command_default = new QPushButton(QStringLiteral("Default"));
    Command_default->setObjectName(QStringLiteral("Command_default"));
    EXTButton = new QPushButton(QStringLiteral("EXIT"));
    EXTButton->setObjectName(QStringLiteral("EXTButton"));
    EXTButton->setToolTip(QStringLiteral("Exit"));
    connect(Command_default, &QPushButton::clicked, this, &Setup_Form::Command_default_Click);
    connect(EXTButton, &QPushButton::clicked, this, &Setup_Form::EXTButton_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command_default);
    buttons->addWidget(EXTButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    ShowInBoxes(settings_);
}

ToolSettings Setup_Form::BoxSettings() const {
    ToolSettings settings;
    settings.F_ASM = FromQ(Text_ASM_Folder->text());
    settings.CMD_ASM = FromQ(Text_ASM_Command->text());
    settings.F_C = FromQ(Text_C_Folder->text());
    settings.CMD_C = FromQ(Text_C_Commandline->text());
    // The command line is one line: line breaks typed in the box separate
    // words like blanks.
    settings.CMD_Lkr = FromQ(Text_Linker_Commandline->toPlainText()
                                 .replace(QLatin1Char('\r'), QLatin1Char('\n'))
                                 .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                 .join(QLatin1Char(' ')));
    settings.F_EDIT = FromQ(Text_Editor_Folder->text());
    settings.CMD_EDIT = FromQ(Text_Editor_Filename->text());
    return settings;
}

void Setup_Form::ShowInBoxes(const ToolSettings& settings) {
    Text_ASM_Folder->setText(ToQ(settings.F_ASM));
    Text_ASM_Command->setText(ToQ(settings.CMD_ASM));
    Text_C_Folder->setText(ToQ(settings.F_C));
    Text_C_Commandline->setText(ToQ(settings.CMD_C));
    Text_Linker_Commandline->setPlainText(ToQ(settings.CMD_Lkr));
    Text_Editor_Folder->setText(ToQ(settings.F_EDIT));
    Text_Editor_Filename->setText(ToQ(settings.CMD_EDIT));
}

void Setup_Form::showEvent(QShowEvent* event) {
    // A window coming back from minimized keeps what the user typed.
    if (!event->spontaneous()) ShowInBoxes(settings_);
    QWidget::showEvent(event);
}

void Setup_Form::Command_default_Click() {
    ShowInBoxes(defaults_);
}

void Setup_Form::EXTButton_Click() {
    settings_ = BoxSettings();
    StoreToolSettings(store_, settings_);
    close();
}

}  // namespace tamro
