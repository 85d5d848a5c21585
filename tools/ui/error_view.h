#pragma once
// The error view TAMRO_ERRVIEW: shows a tool's error file, modeless.

#include <QWidget>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace tamro {

// Positions in twips for a window of the given outer size. Sizes that would
// come out negative on a very small window are clamped to 0.
struct ErrorViewLayout {
    int textWidth = 0;
    int textHeight = 0;
    int exitLeft = 0;
    int exitTop = 0;
    friend bool operator==(const ErrorViewLayout&, const ErrorViewLayout&) = default;
};
ErrorViewLayout ErrorViewLayoutFor(int outerWidthTwips, int outerHeightTwips);

// Reads a text file for showing: UTF-8 when it is valid UTF-8, otherwise
// Latin-1; CR LF, LF and CR line ends all become line breaks. False when the
// file cannot be read.
bool ReadTextForView(const std::string& path, QString& text);

class ErrorViewWindow final : public QWidget {
    Q_OBJECT
  public:
    explicit ErrorViewWindow(QWidget* parent = nullptr);

    // Reads the error file into ErrText and shows the window in front. The
    // text is read again on every call, so a later run's errors replace those
    // of an earlier one even while the window stays open. False (window
    // untouched) when the file cannot be read.
    bool ShowFile(const std::string& path);
    // Shows `text` (what a tool printed) in the same way.
    void ShowText(const std::string& text);

    QPlainTextEdit* ErrText() const { return errText_; }
    QPushButton* ExitButton() const { return exitButton_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QPlainTextEdit* errText_;
    QPushButton* exitButton_;
};

}  // namespace tamro
