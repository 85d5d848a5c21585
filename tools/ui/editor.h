#pragma once
// The built-in text editor TAMRO_Editor: edits the file named in the main
// window's FilenameTextbox, saves it back (asking for a name for a new file or
// when the file box has since named another file), makes a newly named file
// the current source, and never drops unsaved text without asking.

#include <QWidget>
#include <optional>
#include <string>

#include "common/platform.h"
#include "tools/file_dialogs.h"
#include "tools/source_text.h"
#include "tools/tool_runs.h"

class QPlainTextEdit;
class QPushButton;

namespace tamro {

// Positions in twips for a window of the given outer size; none while the
// window is 500 twips high or lower (the layout then stays as it was).
struct EditorLayout {
    int textWidth = 0;
    int textHeight = 0;
    int saveLeft = 0;
    int saveTop = 0;
    int exitLeft = 0;
    int exitTop = 0;
    friend bool operator==(const EditorLayout&, const EditorLayout&) = default;
};
std::optional<EditorLayout> EditorLayoutFor(int outerWidthTwips, int outerHeightTwips);

class EditorWindow final : public QWidget {
    Q_OBJECT
  public:
    EditorWindow(ToolRunHost& host, ToolFiles& files, MessageBoxes& messages, FileDialogs& dialogs,
                 QWidget* parent = nullptr);

    // Shows the editor. An editor already open comes to the front as it is;
    // otherwise the file named in FilenameTextbox is read (none: a new file).
    // False, with the window not shown, when that file cannot be read.
    bool Open();
    // SAVEButton and Ctrl+S: writes the text to the file the editor holds
    // (the one it opened or last saved). When FilenameTextbox is empty, names
    // another file or a HEX file, it asks for a name first. The file is
    // replaced only once the whole text is written; on failure it stays as it
    // was and the text stays here. True when the text was saved.
    bool Save();
    // Before the text goes away (EXIT, the close box, the main window's
    // closing): with unsaved changes, asks Save / Discard / Cancel. True when
    // the text may go.
    bool ConfirmDiscard();

    QPlainTextEdit* EditorText() const { return editorText_; }
    QPushButton* SaveButton() const { return saveButton_; }
    QPushButton* ExitButton() const { return exitButton_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    bool Load(const std::string& path);
    bool Write(const std::string& path);

    ToolRunHost& host_;
    ToolFiles& files_;
    MessageBoxes& messages_;
    FileDialogs& dialogs_;
    QPlainTextEdit* editorText_;
    QPushButton* saveButton_;
    QPushButton* exitButton_;
    std::string heldFile_;  // the file the text came from or went to; "" for a new one
    LineEnd lineEnd_ = LineEnd::Lf;
    bool finalLineEnd_ = true;
    bool latin1_ = false;  // the file was not valid UTF-8 and is written back as read
};

}  // namespace tamro
