#pragma once
// The data convertor window: decimal <-> hexadecimal, the low eight bits as a
// bit string, and character <-> Shift_JIS code. A thin layer over
// convertor/conversions.h; it touches neither the hardware nor any file.

#include <QWidget>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;

namespace tamro {

class DataConv final : public QWidget {
    Q_OBJECT
  public:
    explicit DataConv(QWidget* parent = nullptr);

    // Shows the window modeless: a hidden window starts afresh (Form_Load), a
    // visible one is only brought to the front.
    void Open();

    // Shows the low eight bits of `value` in Label_bit.
    void bit_DSP(std::int16_t value);

    void Form_Load();
    void Command1_Click();
    void Command3_Click();
    void Command2_Click();
    void Command4_Click();
    void Text2_Change();
    void EXITButton_Click();

  private:
    void ShowBitsOfHexText();

    QFrame* Shape1_;
    QFrame* Shape2_;
    QLabel* Label2_;
    QLineEdit* Text1_;
    QPushButton* Command1_;
    QPushButton* Command3_;
    QLabel* Label3_;
    QLineEdit* Text2_;
    QLabel* Label_bit_;
    QLabel* Label5_;
    QLineEdit* Text3_;
    QPushButton* Command2_;
    QPushButton* Command4_;
    QLabel* Label4_;
    QLabel* Label6_;
    QLineEdit* Text4_;
    QPushButton* EXITButton_;
};

}  // namespace tamro
