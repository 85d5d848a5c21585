#include "convertor/ui/data_conv.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/twips.h"
#include "convertor/conversions.h"

namespace tamro {
namespace {

constexpr int kClientWidthTwips = 6405;
constexpr int kClientHeightTwips = 2325;

void Place(QWidget* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

QFrame* MakeShape(QWidget* parent, const char* name, const char* rgb, int left, int top, int width,
                  int height) {
    auto* shape = new QFrame(parent);
    Place(shape, name, left, top, width, height);
    shape->setStyleSheet(
        QStringLiteral("QFrame { border: 1px solid rgb(%1); background: transparent; }")
            .arg(QString::fromLatin1(rgb)));
    return shape;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int left, int top,
                  int width, int height) {
    auto* label = new QLabel(caption, parent);
    Place(label, name, left, top, width, height);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return label;
}

QLineEdit* MakeTextBox(QWidget* parent, const char* name, int left, int top, int width,
                       int height) {
    auto* text = new QLineEdit(parent);
    Place(text, name, left, top, width, height);
    text->setAlignment(Qt::AlignCenter);
    QFont font = text->font();
    font.setPointSize(12);
    font.setBold(true);
    text->setFont(font);
    return text;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int left,
                        int top, int width, int height) {
    auto* button = new QPushButton(caption, parent);
    Place(button, name, left, top, width, height);
    button->setAutoDefault(false);
    return button;
}

std::string Utf8(const QLineEdit* text) {
    return text->text().toStdString();
}

}  // namespace

DataConv::DataConv(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("DataConv"));
    setWindowTitle(QStringLiteral("Data Convertor"));
    setFixedSize(Px(kClientWidthTwips), Px(kClientHeightTwips));

    Shape1_ = MakeShape(this, "Shape1", "0, 255, 0", 45, 45, 6315, 870);
    Shape2_ = MakeShape(this, "Shape2", "0, 255, 255", 45, 945, 6315, 870);

    Label2_ = MakeLabel(this, "Label2", QStringLiteral("DEC"), 90, 315, 690, 285);
    Text1_ = MakeTextBox(this, "Text1", 945, 270, 1875, 375);
    Command1_ = MakeButton(this, "Command1", QStringLiteral("CNV>>"), 3075, 180, 780, 285);
    Command3_ = MakeButton(this, "Command3", QStringLiteral("<<CNV"), 3075, 495, 780, 285);
    Label3_ = MakeLabel(this, "Label3", QStringLiteral("HEX"), 3930, 315, 690, 285);
    Text2_ = MakeTextBox(this, "Text2", 4785, 270, 1440, 375);
    Label_bit_ =
        MakeLabel(this, "Label_bit", QString::fromLatin1("0000 0000"), 5040, 690, 1230, 180);
    QFont bitFont = Label_bit_->font();
    bitFont.setPixelSize(Px(150) - 1);
    Label_bit_->setFont(bitFont);

    Label5_ = MakeLabel(this, "Label5", QStringLiteral("Char"), 90, 1215, 690, 285);
    Text3_ = MakeTextBox(this, "Text3", 945, 1170, 735, 375);
    Command2_ = MakeButton(this, "Command2", QStringLiteral("CNV>>"), 3075, 1080, 780, 285);
    Command4_ = MakeButton(this, "Command4", QStringLiteral("<<CNV"), 3075, 1395, 780, 285);
    Label4_ = MakeLabel(this, "Label4", QStringLiteral("ASCII"), 3975, 1230, 735, 285);
    QFont asciiFont = Label4_->font();
    asciiFont.setPointSizeF(11.25);
    Label4_->setFont(asciiFont);
    Label6_ = MakeLabel(this, "Label6", QStringLiteral("(HEX)"), 4110, 1515, 600, 285);
    Text4_ = MakeTextBox(this, "Text4", 4785, 1170, 900, 375);
    EXITButton_ = MakeButton(this, "EXITButton", QStringLiteral("EXIT"), 5355, 1890, 870, 375);

    connect(Command1_, &QPushButton::clicked, this, &DataConv::Command1_Click);
    connect(Command3_, &QPushButton::clicked, this, &DataConv::Command3_Click);
    connect(Command2_, &QPushButton::clicked, this, &DataConv::Command2_Click);
    connect(Command4_, &QPushButton::clicked, this, &DataConv::Command4_Click);
    connect(EXITButton_, &QPushButton::clicked, this, &DataConv::EXITButton_Click);
    connect(Text2_, &QLineEdit::textChanged, this, &DataConv::Text2_Change);

    Form_Load();
}

void DataConv::Open() {
    if (!isVisible()) {
        Form_Load();
        show();
    }
    raise();
    activateWindow();
}

void DataConv::bit_DSP(std::int16_t value) {
    Label_bit_->setText(QString::fromStdString(BitDisplayText(value)));
}

void DataConv::Form_Load() {
    Text1_->clear();
    Text2_->clear();
    Text3_->clear();
    Text4_->clear();
    // Clearing an already empty box is no change; the bit string starts at zero all the same.
    ShowBitsOfHexText();
}

void DataConv::Command1_Click() {
    Text2_->setText(QString::fromStdString(DecimalToHexText(Utf8(Text1_))));
    ShowBitsOfHexText();
}

void DataConv::Command3_Click() {
    Text1_->setText(QString::fromStdString(HexToDecimalText(Utf8(Text2_))));
}

void DataConv::Command2_Click() {
    Text4_->setText(QString::fromStdString(CharacterToCodeText(Utf8(Text3_))));
}

void DataConv::Command4_Click() {
    Text3_->setText(QString::fromStdString(CodeToCharacterText(Utf8(Text4_))));
}

void DataConv::Text2_Change() {
    ShowBitsOfHexText();
}

void DataConv::EXITButton_Click() {
    close();
}

void DataConv::ShowBitsOfHexText() {
    const std::optional<std::int16_t> value = BitDisplayValue(Utf8(Text2_));
    if (value) {
        bit_DSP(*value);
    } else {
        Label_bit_->setText(
            QString::fromLatin1(kNoBitString.data(), static_cast<qsizetype>(kNoBitString.size())));
    }
}

}  // namespace tamro
