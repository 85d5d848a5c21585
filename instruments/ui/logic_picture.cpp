#include "instruments/ui/logic_picture.h"

#include <QFont>
#include <QPainter>

#include "instruments/ui/instrument_widgets.h"

namespace tamro {

namespace {

// 96 dots per inch, so that point sizes in the image match the screen's.
constexpr int kDotsPerMeter = 3780;

}  // namespace

void RenderLines(QPainter& painter, const std::vector<TwipLine>& lines) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const TwipLine& line : lines) {
        painter.setPen(QPen(ToQColor(line.colour), 1));
        painter.drawLine(Px(line.x1), Px(line.y1), Px(line.x2), Px(line.y2));
    }
}

void RenderTexts(QPainter& painter, const std::vector<TwipText>& texts) {
    painter.setFont(QFont("Arial", 9));
    for (const TwipText& text : texts) {
        painter.setPen(ToQColor(text.colour));
        const QRect box(Px(text.left), Px(text.top), 10000, 10000);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(text.text));
    }
}

LogicPicture::LogicPicture(int widthTwips, int heightTwips, QWidget* parent)
    : QWidget(parent), image_(Px(widthTwips), Px(heightTwips), QImage::Format_RGB32) {
    image_.setDotsPerMeterX(kDotsPerMeter);
    image_.setDotsPerMeterY(kDotsPerMeter);
    image_.fill(Qt::white);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LogicPicture::Clear() {
    image_.fill(Qt::white);
    update();
}

void LogicPicture::Draw(const std::vector<TwipLine>& lines) {
    QPainter painter(&image_);
    RenderLines(painter, lines);
    update();
}

void LogicPicture::Draw(const std::vector<TwipText>& texts) {
    QPainter painter(&image_);
    RenderTexts(painter, texts);
    update();
}

void LogicPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(0, 0, image_);
}

}  // namespace tamro
