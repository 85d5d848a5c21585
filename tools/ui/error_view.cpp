#include "tools/ui/error_view.h"

#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStringDecoder>
#include <algorithm>

#include "common/twips.h"

namespace tamro {
namespace {

constexpr int kButtonWidthTwips = 975;
constexpr int kButtonHeightTwips = 375;
constexpr int kInitialWidthTwips = 8000;
constexpr int kInitialHeightTwips = 4800;

}  // namespace

ErrorViewLayout ErrorViewLayoutFor(int outerWidthTwips, int outerHeightTwips) {
    ErrorViewLayout layout;
    layout.textHeight = std::max(0, outerHeightTwips - 500);
    layout.textWidth = std::max(0, outerWidthTwips - 140);
    layout.exitTop = std::max(0, outerHeightTwips - 1000);
    layout.exitLeft = std::max(0, outerWidthTwips - 1500);
    return layout;
}

bool ReadTextForView(const std::string& path, QString& text) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8.decode(bytes);
    if (utf8.hasError()) decoded = QString::fromLatin1(bytes);
    decoded.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    decoded.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text = decoded;
    return true;
}

ErrorViewWindow::ErrorViewWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      errText_(new QPlainTextEdit(this)),
      exitButton_(new QPushButton(QStringLiteral("EXIT"), this)) {
    setObjectName(QStringLiteral("TAMRO_ERRVIEW"));
    setWindowTitle(QStringLiteral("Error view"));
    errText_->setObjectName(QStringLiteral("ErrText"));
    errText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    errText_->setFont(font);
    errText_->move(0, 0);
    exitButton_->setObjectName(QStringLiteral("EXITButton"));
    exitButton_->setToolTip(QStringLiteral("Exit Program"));
    exitButton_->resize(Px(kButtonWidthTwips), Px(kButtonHeightTwips));
    connect(exitButton_, &QPushButton::clicked, this, &QWidget::close);
    const TwipSize client = ClientForOuter(kInitialWidthTwips, kInitialHeightTwips);
    resize(Px(client.width), Px(client.height));
}

bool ErrorViewWindow::ShowFile(const std::string& path) {
    QString text;
    if (!ReadTextForView(path, text)) return false;
    errText_->setPlainText(text);
    show();
    raise();
    activateWindow();
    return true;
}

void ErrorViewWindow::ShowText(const std::string& text) {
    const QByteArray bytes = QByteArray::fromStdString(text);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8.decode(bytes);
    if (utf8.hasError()) decoded = QString::fromLatin1(bytes);
    errText_->setPlainText(decoded);
    show();
    raise();
    activateWindow();
}

void ErrorViewWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const TwipSize outer =
        OuterForClient(Twips(event->size().width()), Twips(event->size().height()));
    const ErrorViewLayout layout = ErrorViewLayoutFor(outer.width, outer.height);
    errText_->setGeometry(0, 0, Px(layout.textWidth), Px(layout.textHeight));
    exitButton_->move(Px(layout.exitLeft), Px(layout.exitTop));
    exitButton_->raise();
}

}  // namespace tamro
