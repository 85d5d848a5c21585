#include "tools/ui/editor.h"

#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QStringDecoder>
#include <QTextDocument>
#include <algorithm>

#include "common/twips.h"
#include "tools/file_replace.h"

namespace tamro {
namespace {

constexpr int kButtonWidthTwips = 975;
constexpr int kButtonHeightTwips = 375;
constexpr int kInitialWidthTwips = 9000;
constexpr int kInitialHeightTwips = 6600;
constexpr int kFontPointSize = 10;

bool FitsLatin1(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

}  // namespace

std::optional<EditorLayout> EditorLayoutFor(int outerWidthTwips, int outerHeightTwips) {
    if (outerHeightTwips <= 500) return std::nullopt;
    EditorLayout layout;
    layout.textHeight = outerHeightTwips - 500;
    layout.textWidth = std::max(0, outerWidthTwips - 140);
    layout.saveTop = std::max(0, outerHeightTwips - 1200);
    layout.saveLeft = std::max(0, outerWidthTwips - 2500);
    layout.exitTop = std::max(0, outerHeightTwips - 1200);
    layout.exitLeft = std::max(0, outerWidthTwips - 1500);
    return layout;
}

EditorWindow::EditorWindow(ToolRunHost& host, ToolFiles& files, MessageBoxes& messages,
                           FileDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window),
      host_(host),
      files_(files),
      messages_(messages),
      dialogs_(dialogs),
      editorText_(new QPlainTextEdit(this)),
      saveButton_(new QPushButton(QStringLiteral("SAVE"), this)),
      exitButton_(new QPushButton(QStringLiteral("EXIT"), this)) {
    setObjectName(QStringLiteral("TAMRO_Editor"));
    setWindowTitle(QStringLiteral("Editor"));
    editorText_->setObjectName(QStringLiteral("EditorText"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(kFontPointSize);
    editorText_->setFont(font);
    editorText_->setLineWrapMode(QPlainTextEdit::NoWrap);
    editorText_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editorText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editorText_->move(0, 0);
    saveButton_->setObjectName(QStringLiteral("SAVEButton"));
    saveButton_->setToolTip(QStringLiteral("Save to File"));
    exitButton_->setObjectName(QStringLiteral("EXITButton"));
    exitButton_->setToolTip(QStringLiteral("Exit program"));
    for (QPushButton* button : {saveButton_, exitButton_}) {
        button->resize(Px(kButtonWidthTwips), Px(kButtonHeightTwips));
    }
    connect(saveButton_, &QPushButton::clicked, this, &EditorWindow::Save);
    connect(exitButton_, &QPushButton::clicked, this, &QWidget::close);
    auto* saveShortcut = new QShortcut(QKeySequence::Save, this);
    connect(saveShortcut, &QShortcut::activated, this, &EditorWindow::Save);
    const TwipSize client = ClientForOuter(kInitialWidthTwips, kInitialHeightTwips);
    resize(Px(client.width), Px(client.height));
}

bool EditorWindow::Open() {
    if (isVisible()) {
        raise();
        activateWindow();
        return true;
    }
    const std::string path = host_.FilenameText();
    if (path.empty()) {
        editorText_->clear();
        lineEnd_ = LineEnd::Lf;
        finalLineEnd_ = true;
        latin1_ = false;
    } else if (!Load(path)) {
        return false;
    }
    heldFile_ = path;
    editorText_->document()->setModified(false);
    show();
    raise();
    activateWindow();
    return true;
}

bool EditorWindow::Load(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    const SourceText source = SplitSourceText(bytes.toStdString());
    const QByteArray text = QByteArray::fromStdString(source.text);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8.decode(text);
    latin1_ = utf8.hasError();
    if (latin1_) decoded = QString::fromLatin1(text);
    editorText_->setPlainText(decoded);
    lineEnd_ = source.lineEnd;
    finalLineEnd_ = source.finalLineEnd;
    return true;
}

bool EditorWindow::Save() {
    std::string path = host_.FilenameText();
    if (SaveAsksForName(path, heldFile_)) {
        path = dialogs_.SaveFileName(kEditorSaveFilter);
        if (path.empty()) return false;
    }
    if (!Write(path)) {
        messages_.Show(MessageIcon::Critical, "FILE ERROR", "File Error");
        return false;
    }
    // A newly named file becomes the current file and source only once it
    // exists, so that a failed save points the main window at nothing new.
    if (host_.FilenameText() != path) host_.SetFilenameText(path);
    files_.SourceFileName = path;
    heldFile_ = path;
    editorText_->document()->setModified(false);
    return true;
}

bool EditorWindow::ConfirmDiscard() {
    if (!editorText_->document()->isModified()) return true;
    const std::string question =
        heldFile_.empty() ? "Save the new file?" : "Save the changes to " + heldFile_ + "?";
    switch (messages_.AskSaveDiscardCancel("Editor", question)) {
        case SaveChoice::Save:
            return Save();
        case SaveChoice::Discard:
            editorText_->document()->setModified(false);
            return true;
        case SaveChoice::Cancel:
            break;
    }
    return false;
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (ConfirmDiscard()) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool EditorWindow::Write(const std::string& path) {
    // The raw text keeps non-breaking spaces; blocks are separated by U+2029.
    QString text = editorText_->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    const bool asLatin1 = latin1_ && FitsLatin1(text);
    const QByteArray encoded = asLatin1 ? text.toLatin1() : text.toUtf8();
    SourceText source{encoded.toStdString(), lineEnd_, finalLineEnd_};
    return ReplaceFileContents(path, JoinSourceText(source));
}

void EditorWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const TwipSize outer =
        OuterForClient(Twips(event->size().width()), Twips(event->size().height()));
    const std::optional<EditorLayout> layout = EditorLayoutFor(outer.width, outer.height);
    if (!layout) return;
    editorText_->setGeometry(0, 0, Px(layout->textWidth), Px(layout->textHeight));
    saveButton_->move(Px(layout->saveLeft), Px(layout->saveTop));
    exitButton_->move(Px(layout->exitLeft), Px(layout->exitTop));
    saveButton_->raise();
    exitButton_->raise();
}

}  // namespace tamro
