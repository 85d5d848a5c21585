#include "tools/ui/version_form.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <algorithm>
#include <utility>

#include "common/number_text.h"
#include "common/twips.h"

namespace tamro {
namespace {

constexpr int kClientWidthTwips = 5400;
constexpr int kClientHeightTwips = 3000;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  int width, int height) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(Px(left), Px(top), Px(width), Px(height));
    return label;
}

}  // namespace

std::string FirmwareVersionText(const std::string& firmwareText) {
    std::string text = "Firmware version ";
    if (firmwareText.size() >= 7) text += firmwareText[6];
    text += ".";
    if (firmwareText.size() >= 8) text += firmwareText[7];
    return text;
}

std::string ProgramVersionText(int major, int minor) {
    return "Version " + SignedDecimalText(major) + "." + SignedDecimalText(minor);
}

TAMRO_VERFORM::TAMRO_VERFORM(const std::string& firmwareText, std::string homePage,
                             DesktopLauncher& launcher, MessageBoxes& messages, QWidget* parent)
    : QDialog(parent), homePage_(std::move(homePage)), launcher_(launcher), messages_(messages) {
    setObjectName(QStringLiteral("TAMRO_VERFORM"));
    setWindowTitle(QStringLiteral("Harlon V3"));
    setModal(true);
    setFixedSize(Px(kClientWidthTwips), Px(kClientHeightTwips));

    Picture1_ = MakeLabel(this, "Picture1", QString(), 240, 240, 960, 960);
    Picture1_->setPixmap(style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(Px(960), Px(960)));

    Label2_ =
        MakeLabel(this, "Label2", QStringLiteral("PIC Tamro Control Panel"), 1440, 240, 3900, 375);
    QFont titleFont = Label2_->font();
    titleFont.setPointSize(12);
    titleFont.setBold(true);
    Label2_->setFont(titleFont);
    Label4_ = MakeLabel(
        this, "Label4",
        QString::fromStdString(ProgramVersionText(kProgramVersionMajor, kProgramVersionMinor)),
        1440, 690, 3900, 285);
    // The identification is eight single-byte characters.
    Label1_ =
        MakeLabel(this, "Label1", QString::fromLatin1(FirmwareVersionText(firmwareText).c_str()),
                  1440, 990, 3900, 285);
    Label3_ = MakeLabel(this, "Label3", QString::fromUtf8(kMakerName), 1440, 1410, 3900, 285);
    QFont linkFont = Label3_->font();
    linkFont.setUnderline(true);
    Label3_->setFont(linkFont);
    Label3_->setStyleSheet(QStringLiteral("color: rgb(0, 0, 255);"));
    Label3_->setCursor(Qt::PointingHandCursor);
    Label3_->installEventFilter(this);
    Label5_ = MakeLabel(this, "Label5", QString::fromStdString(homePage_), 1440, 1710, 3900, 285);
    Label5_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label6_ = MakeLabel(this, "Label6", QStringLiteral("USB programmers for PIC microcontrollers"),
                        1440, 2010, 3900, 285);

    Command1_ = new QPushButton(QStringLiteral("OK"), this);
    Command1_->setObjectName(QStringLiteral("Command1"));
    Command1_->setGeometry(Px(4065), Px(2475), Px(1095), Px(375));
    Command1_->setDefault(true);
    connect(Command1_, &QPushButton::clicked, this, &TAMRO_VERFORM::Command1_Click);
    FitTexts();
}

void TAMRO_VERFORM::FitTexts() {
    // A Linux font can be wider than the one the window was laid out for, and
    // the home page is any address: the texts grow to the right, the window and
    // the OK button with them.
    int right = Command1_->geometry().right() + 1;
    for (QLabel* label : {Label2_, Label4_, Label1_, Label3_, Label5_, Label6_}) {
        const int needed = label->fontMetrics().horizontalAdvance(label->text()) + 2;
        const int height = std::max(label->height(), label->fontMetrics().height());
        label->resize(std::max(label->width(), needed), height);
        right = std::max(right, label->geometry().right() + 1);
    }
    const int width = std::max(Px(kClientWidthTwips), right + Px(240));
    Command1_->move(width - Px(kClientWidthTwips - 4065), Command1_->y());
    setFixedSize(width, Px(kClientHeightTwips));
}

void TAMRO_VERFORM::Command1_Click() {
    accept();
}

void TAMRO_VERFORM::Label3_Click() {
    OpenHomePage(launcher_, messages_, homePage_);
}

bool TAMRO_VERFORM::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label3_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label3_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tamro
