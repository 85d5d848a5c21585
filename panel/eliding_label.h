#pragma once
#include <QLabel>
#include <QPainter>
#include <QStyle>

namespace tamro {

// A one-line status label that never cuts its text: a text longer than the
// label shows its beginning and "…", and the whole text is the tool tip.
// text() stays the whole text.
class ElidingLabel final : public QLabel {
    Q_OBJECT

  public:
    using QLabel::QLabel;

    void setText(const QString& text) {
        QLabel::setText(text);
        UpdateToolTip();
    }
    void clear() { setText({}); }

    // What the label shows of its text.
    QString ShownText() const {
        return fontMetrics().elidedText(text(), Qt::ElideRight, TextRect().width());
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        UpdateToolTip();
    }
    void paintEvent(QPaintEvent* event) override {
        const QString shown = ShownText();
        if (shown == text()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        drawFrame(&painter);
        style()->drawItemText(&painter, TextRect(), int(alignment()), palette(), isEnabled(), shown,
                              foregroundRole());
    }

  private:
    QRect TextRect() const {
        const int m = margin();
        return contentsRect().adjusted(m + std::max(indent(), 0), m, -m, -m);
    }
    void UpdateToolTip() { setToolTip(ShownText() == text() ? QString() : text()); }
};

}  // namespace tamro
