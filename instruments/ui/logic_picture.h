#pragma once
// The logic analyzer's drawing surface: lines and texts given in twips are
// drawn into a retained image, so covering and uncovering the window needs no
// redraw from the samples.

#include <QImage>
#include <QWidget>
#include <vector>

#include "instruments/logic_analyzer_logic.h"

class QPainter;

namespace tamro {

void RenderLines(QPainter& painter, const std::vector<TwipLine>& lines);
void RenderTexts(QPainter& painter, const std::vector<TwipText>& texts);

class LogicPicture final : public QWidget {
    Q_OBJECT
  public:
    LogicPicture(int widthTwips, int heightTwips, QWidget* parent);

    // Cls: the white background again.
    void Clear();
    void Draw(const std::vector<TwipLine>& lines);
    void Draw(const std::vector<TwipText>& texts);
    const QImage& Image() const { return image_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage image_;
};

}  // namespace tamro
