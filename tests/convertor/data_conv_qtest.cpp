#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/twips.h"
#include "convertor/ui/data_conv.h"

namespace tamro {

class DataConvTest : public QObject {
    Q_OBJECT

  private:
    QLineEdit* Text(DataConv& window, const char* name) {
        return window.findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    QString Bits(DataConv& window) {
        return window.findChild<QLabel*>(QStringLiteral("Label_bit"))->text();
    }
    void Click(DataConv& window, const char* name) {
        QTest::mouseClick(window.findChild<QPushButton*>(QString::fromLatin1(name)),
                          Qt::LeftButton);
    }

  private slots:
    void controlsAtTheirPlaces() {
        DataConv window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Data Convertor"));
        QCOMPARE(window.size(), QSize(Px(6405), Px(2325)));
        const struct {
            const char* name;
            QString caption;
            QRect twips;
        } buttons[] = {
            {"Command1", "CNV>>", {3075, 180, 780, 285}},
            {"Command3", "<<CNV", {3075, 495, 780, 285}},
            {"Command2", "CNV>>", {3075, 1080, 780, 285}},
            {"Command4", "<<CNV", {3075, 1395, 780, 285}},
            {"EXITButton", "EXIT", {5355, 1890, 870, 375}},
        };
        for (const auto& expected : buttons) {
            auto* button = window.findChild<QPushButton*>(QString::fromLatin1(expected.name));
            QVERIFY(button);
            QCOMPARE(button->text(), expected.caption);
            QCOMPARE(button->geometry(),
                     QRect(Px(expected.twips.x()), Px(expected.twips.y()),
                           Px(expected.twips.width()), Px(expected.twips.height())));
        }
        QCOMPARE(Text(window, "Text2")->geometry(), QRect(Px(4785), Px(270), Px(1440), Px(375)));
        QVERIFY(Text(window, "Text4")->font().bold());
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Label4"))->text(),
                 QStringLiteral("ASCII"));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Label6"))->text(),
                 QStringLiteral("(HEX)"));
        QCOMPARE(Bits(window), QStringLiteral("0000 0000"));
    }

    void decimalToHexadecimalAndBack() {
        DataConv window;
        Text(window, "Text1")->setText(QStringLiteral("255"));
        Click(window, "Command1");
        QCOMPARE(Text(window, "Text2")->text(), QStringLiteral("FF"));
        QCOMPARE(Bits(window), QStringLiteral("1111 1111"));

        Text(window, "Text1")->setText(QStringLiteral("-1"));
        Click(window, "Command1");
        QCOMPARE(Text(window, "Text2")->text(), QStringLiteral("FFFFFFFF"));
        QCOMPARE(Bits(window), QStringLiteral("1111 1111"));

        Text(window, "Text2")->setText(QStringLiteral("FFFF"));
        Click(window, "Command3");
        QCOMPARE(Text(window, "Text1")->text(), QStringLiteral("-1"));
        Text(window, "Text2")->setText(QStringLiteral("10000"));
        Click(window, "Command3");
        QCOMPARE(Text(window, "Text1")->text(), QStringLiteral("65536"));
        QCOMPARE(Bits(window), QStringLiteral("0000 0000"));
    }

    void outOfRangeValuesShowEmptyOrMarkedResults() {
        DataConv window;
        Text(window, "Text1")->setText(QStringLiteral("5000000000"));
        Click(window, "Command1");
        QCOMPARE(Text(window, "Text2")->text(), QString());
        QCOMPARE(Bits(window), QStringLiteral("0000 0000"));

        Text(window, "Text2")->setText(QStringLiteral("123456789"));
        QCOMPARE(Bits(window), QStringLiteral("---- ----"));
        Text(window, "Text1")->setText(QStringLiteral("7"));
        Click(window, "Command3");
        QCOMPARE(Text(window, "Text1")->text(), QString());
    }

    void bitStringFollowsEveryKeystroke() {
        DataConv window;
        window.show();
        QLineEdit* text2 = Text(window, "Text2");
        text2->setFocus();
        QStringList seen;
        QTest::keyClick(text2, Qt::Key_1);
        seen << Bits(window);
        QTest::keyClick(text2, Qt::Key_A);
        seen << Bits(window);
        QTest::keyClick(text2, Qt::Key_5);
        seen << Bits(window);
        QCOMPARE(seen, (QStringList{"0000 0001", "0001 1010", "1010 0101"}));
        QTest::keyClick(text2, Qt::Key_Backspace);
        QCOMPARE(Bits(window), QStringLiteral("0001 1010"));
    }

    void charactersAndCodes() {
        DataConv window;
        Text(window, "Text3")->setText(QStringLiteral("A"));
        Click(window, "Command2");
        QCOMPARE(Text(window, "Text4")->text(), QStringLiteral("41"));
        Text(window, "Text3")->setText(QString(QChar(0x3042)));
        Click(window, "Command2");
        QCOMPARE(Text(window, "Text4")->text(), QStringLiteral("82A0"));

        Text(window, "Text4")->setText(QStringLiteral("41"));
        Click(window, "Command4");
        QCOMPARE(Text(window, "Text3")->text(), QStringLiteral("A"));
        Text(window, "Text4")->setText(QStringLiteral("82A0"));
        Click(window, "Command4");
        QCOMPARE(Text(window, "Text3")->text(), QString(QChar(0x3042)));

        Text(window, "Text3")->clear();
        Click(window, "Command2");
        QCOMPARE(Text(window, "Text4")->text(), QString());
        Text(window, "Text4")->setText(QStringLiteral("FFFF"));
        Click(window, "Command4");
        QCOMPARE(Text(window, "Text3")->text(), QString());
    }

    void reopeningStartsAfresh() {
        DataConv window;
        window.Open();
        Text(window, "Text1")->setText(QStringLiteral("12"));
        Text(window, "Text2")->setText(QStringLiteral("FF"));
        window.Open();  // still open: nothing changes
        QCOMPARE(Text(window, "Text1")->text(), QStringLiteral("12"));
        Click(window, "EXITButton");
        QVERIFY(!window.isVisible());
        window.Open();
        QVERIFY(window.isVisible());
        QCOMPARE(Text(window, "Text1")->text(), QString());
        QCOMPARE(Text(window, "Text2")->text(), QString());
        QCOMPARE(Bits(window), QStringLiteral("0000 0000"));
    }
};

}  // namespace tamro

QTEST_MAIN(tamro::DataConvTest)
#include "data_conv_qtest.moc"
