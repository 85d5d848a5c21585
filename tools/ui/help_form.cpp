#include "tools/ui/help_form.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>

#include "common/twips.h"
#include "tools/help_file.h"

namespace tamro {
namespace {

constexpr int kOuterWidthTwips = 10200;
constexpr int kOuterHeightTwips = 7500;
constexpr int kExitWidthTwips = 1095;
constexpr int kExitHeightTwips = 375;

}  // namespace

std::vector<std::string> HELP_FORM::DefaultFallbacks() {
    // The installed copy beside the program (whatever prefix the package used)
    // comes first, then the configured prefix and the source tree.
    std::vector<std::string> fallbacks = {
        (QCoreApplication::applicationDirPath() + "/../share/tamro18/TAMRO18.TXT").toStdString()};
    for (std::string& path : DefaultHelpFallbacks()) fallbacks.push_back(std::move(path));
    return fallbacks;
}

HELP_FORM::HELP_FORM(std::string folder, MessageBoxes& messages, QWidget* parent,
                     std::vector<std::string> fallbacks)
    : QWidget(parent, Qt::Window),
      folder_(std::move(folder)),
      messages_(messages),
      fallbacks_(std::move(fallbacks)) {
    setObjectName(QStringLiteral("HELP_FORM"));
    setWindowTitle(QStringLiteral("HELP"));

    Text1_ = new QPlainTextEdit(this);
    Text1_->setObjectName(QStringLiteral("Text1"));
    Text1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1_->setReadOnly(true);
    Text1_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Text1_->move(0, 0);

    EXITButton_ = new QPushButton(QStringLiteral("EXIT"), this);
    EXITButton_->setObjectName(QStringLiteral("EXITButton"));
    EXITButton_->setToolTip(QStringLiteral("Exit Program"));
    EXITButton_->resize(Px(kExitWidthTwips), Px(kExitHeightTwips));
    connect(EXITButton_, &QPushButton::clicked, this, &HELP_FORM::EXITButton_Click);

    const TwipSize client = ClientForOuter(kOuterWidthTwips, kOuterHeightTwips);
    resize(Px(client.width), Px(client.height));
}

void HELP_FORM::Open() {
    if (!isVisible()) {
        LoadText();
        show();
    }
    raise();
    activateWindow();
}

void HELP_FORM::EXITButton_Click() {
    close();
}

void HELP_FORM::LoadText() {
    Text1_->clear();
    const HelpReading reading = ReadHelpFile(folder_, fallbacks_);
    Text1_->setPlainText(QString::fromStdString(HelpText(reading.lines)));
    if (!reading.ok) messages_.Show(MessageIcon::Critical, "FILE ERROR", "File not found");
}

void HELP_FORM::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const TwipSize outer = OuterForClient(Twips(width()), Twips(height()));
    const std::optional<HelpLayout> layout = HelpFormLayout(outer.width, outer.height);
    if (!layout) return;
    Text1_->resize(Px(layout->textWidth), Px(layout->textHeight));
    EXITButton_->move(Px(layout->exitLeft), Px(layout->exitTop));
    EXITButton_->raise();
}

}  // namespace tamro
