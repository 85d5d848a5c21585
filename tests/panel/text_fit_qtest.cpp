// Every window at the default font: each caption, label and read-out shows
// whole in its control, also for the longest text the control can be given,
// and no control lies under a sibling drawn over it.

#include <QCheckBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOption>
#include <QTextDocument>
#include <QtTest>
#include <functional>
#include <memory>

#include "convertor/ui/data_conv.h"
#include "instruments/meter_logic.h"
#include "instruments/ui/event_counter.h"
#include "instruments/ui/frequency_counter.h"
#include "instruments/ui/logic_analyzer.h"
#include "instruments/ui/logic_capture_view.h"
#include "instruments/ui/volt_meter.h"
#include "panel/eliding_label.h"
#include "panel/main_window.h"
#include "panel/programmer_dialog.h"
#include "programming/device.h"
#include "tests/panel/panel_fakes.h"
#include "tests/tools/toolrun_fakes.h"
#include "tools/ui/editor.h"
#include "tools/ui/error_view.h"
#include "tools/ui/help_form.h"
#include "tools/ui/setup_form.h"
#include "tools/ui/version_form.h"
#include "views/ui/buffer_viewers.h"

using namespace tamro;

namespace {

// The room a control gives its text and the room the text takes, in pixels.
struct TextRoom {
    QSize needed;
    QSize room;
};

QSize PlainTextSize(const QFontMetrics& metrics, const QString& text) {
    return metrics.size(Qt::TextShowMnemonic, text);
}

std::optional<TextRoom> RoomOf(const QWidget& control, const QString& text) {
    const QFontMetrics metrics(control.font());
    QStyle* style = control.style();
    if (auto* edit = qobject_cast<const QLineEdit*>(&control)) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.rect = edit->rect();
        option.lineWidth =
            edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
        const QRect contents = style->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                                   .marginsRemoved(edit->textMargins());
        // A line edit keeps two pixels clear at either side of its text, and the
        // cursor takes one more.
        return TextRoom{{metrics.horizontalAdvance(text) + 1, metrics.height()},
                        {contents.width() - 4, contents.height()}};
    }
    if (auto* button = qobject_cast<const QPushButton*>(&control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = text;
        const QRect contents =
            style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        return TextRoom{PlainTextSize(metrics, text), contents.size()};
    }
    if (qobject_cast<const QRadioButton*>(&control) || qobject_cast<const QCheckBox*>(&control)) {
        QStyleOptionButton option;
        option.initFrom(&control);
        option.text = text;
        const auto element = qobject_cast<const QRadioButton*>(&control)
                                 ? QStyle::SE_RadioButtonContents
                                 : QStyle::SE_CheckBoxContents;
        const QRect contents = style->subElementRect(element, &option, &control);
        return TextRoom{PlainTextSize(metrics, text), contents.size()};
    }
    if (auto* label = qobject_cast<const QLabel*>(&control)) {
        if (!label->pixmap().isNull() || text.isEmpty()) return std::nullopt;
        const QRect contents = label->contentsRect().marginsRemoved(
            QMargins(label->margin(), label->margin(), label->margin(), label->margin()));
        if (label->wordWrap() || Qt::mightBeRichText(text)) {
            QTextDocument document;
            document.setDefaultFont(label->font());
            document.setDocumentMargin(0);
            if (Qt::mightBeRichText(text)) {
                document.setHtml(text);
            } else {
                document.setPlainText(text);
            }
            if (label->wordWrap()) document.setTextWidth(contents.width());
            const QSize needed(qCeil(document.idealWidth()), qCeil(document.size().height()));
            return TextRoom{needed, contents.size()};
        }
        return TextRoom{metrics.boundingRect(QRect(0, 0, 100000, 100000), 0, text).size(),
                        contents.size()};
    }
    if (auto* box = qobject_cast<const QGroupBox*>(&control)) {
        if (text.isEmpty()) return std::nullopt;
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = text;
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        if (box->isCheckable()) option.subControls |= QStyle::SC_GroupBoxCheckBox;
        const QRect title =
            style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
        return TextRoom{QSize(title.right() + 1, 0), QSize(box->width(), 0)};
    }
    return std::nullopt;
}

QString TextOf(const QWidget& control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(&control)) return edit->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(&control)) return button->text();
    if (auto* label = qobject_cast<const QLabel*>(&control)) return label->text();
    if (auto* box = qobject_cast<const QGroupBox*>(&control)) return box->title();
    return {};
}

QString Describe(const QWidget& control, const QString& text, const TextRoom& room) {
    return QString("%1 \"%2\": needs %3x%4 px, has %5x%6")
        .arg(control.objectName(), text)
        .arg(room.needed.width())
        .arg(room.needed.height())
        .arg(room.room.width())
        .arg(room.room.height());
}

// The fonts Debian installs for Japanese text (scripts/setup.sh installs
// them). A text outside Latin-1 is measured with each of them as well as with
// the control's own font, so that the result does not hang on which fallback
// font the machine picks; where they are missing only the control's font counts.
QStringList JapaneseFontFamilies() {
    static const QStringList families = [] {
        QStringList found;
        for (const char* path : {"/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf",
                                 "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
                                 "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc"}) {
            if (!QFileInfo::exists(path)) continue;
            for (const QString& family :
                 QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFont(path))) {
                if ((family.contains("Droid") || family.endsWith(" JP")) &&
                    !found.contains(family)) {
                    found << family;
                }
            }
        }
        return found;
    }();
    return families;
}

void CheckOneFont(const QWidget& control, const QString& text, QStringList& faults) {
    const auto room = RoomOf(control, text);
    if (room && (room->needed.width() > room->room.width() ||
                 room->needed.height() > room->room.height())) {
        faults << Describe(control, text, *room) + " in " + control.font().family();
    }
}

void CheckText(QWidget& control, const QString& text, QStringList& faults) {
    if (auto* eliding = dynamic_cast<ElidingLabel*>(&control)) {
        // It shows what fits and the whole text in its tool tip.
        const QString before = eliding->text();
        eliding->setText(text);
        CheckOneFont(control, eliding->ShownText(), faults);
        if (eliding->ShownText() != text && eliding->toolTip() != text) {
            faults << control.objectName() + " elides \"" + text + "\" without a tool tip";
        }
        eliding->setText(before);
        return;
    }
    CheckOneFont(control, text, faults);
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xFF; })) return;
    const QFont own = control.font();
    for (const QString& family : JapaneseFontFamilies()) {
        QFont font = own;
        font.setFamilies({family});
        control.setFont(font);
        CheckOneFont(control, text, faults);
    }
    control.setFont(own);
}

// The part of its parent a control paints: a label or a radio button without
// a background of its own paints only its text (and indicator).
QRect PaintedArea(const QWidget& control) {
    if (control.autoFillBackground()) return control.geometry();
    const QString text = TextOf(control);
    if (auto* label = qobject_cast<const QLabel*>(&control)) {
        const auto room = RoomOf(control, text);
        if (!room) return label->pixmap().isNull() ? QRect() : control.geometry();
        return QStyle::alignedRect(label->layoutDirection(), label->alignment(), room->needed,
                                   label->contentsRect())
            .translated(label->pos())
            .intersected(label->geometry());
    }
    if (qobject_cast<const QRadioButton*>(&control) || qobject_cast<const QCheckBox*>(&control)) {
        const auto room = RoomOf(control, text);
        const int indicator = control.width() - (room ? room->room.width() : 0);
        const int height =
            std::max(room ? room->needed.height() : 0,
                     control.style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight));
        return QRect(control.x(), control.y() + (control.height() - height) / 2,
                     indicator + (room ? room->needed.width() : 0), height);
    }
    return control.geometry();
}

// Visible controls that a later sibling (drawn over them) covers in part.
void CheckCovered(const QWidget& parent, QStringList& faults) {
    QList<QWidget*> siblings;
    for (QObject* child : parent.children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow() && widget->isVisible()) siblings << widget;
    }
    for (qsizetype below = 0; below < siblings.size(); ++below) {
        const QWidget& lower = *siblings[below];
        if (RoomOf(lower, TextOf(lower)) || qobject_cast<const QProgressBar*>(&lower)) {
            for (qsizetype above = below + 1; above < siblings.size(); ++above) {
                if (PaintedArea(lower).intersects(PaintedArea(*siblings[above]))) {
                    faults << QString("%1 lies under %2")
                                  .arg(lower.objectName(), siblings[above]->objectName());
                }
            }
        }
        CheckCovered(lower, faults);
    }
}

// A control of a window and the texts it can be given beyond its present one.
struct LongestTexts {
    const char* control;
    QStringList texts;
};

// Checks every visible control's present text and the longest texts listed.
// Controls that show paths and command lines of any length are left out.
QStringList TextFaults(QWidget& window, const std::vector<LongestTexts>& longest,
                       const QStringList& anyLength) {
    QStringList faults;
    window.show();
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (control->isVisible() && !anyLength.contains(control->objectName())) {
            CheckText(*control, TextOf(*control), faults);
        }
    }
    for (const LongestTexts& entry : longest) {
        auto* control = window.findChild<QWidget*>(entry.control);
        if (!control) {
            faults << QString("no control %1").arg(entry.control);
            continue;
        }
        for (const QString& text : entry.texts) CheckText(*control, text, faults);
    }
    CheckCovered(window, faults);
    return faults;
}

// The converter boxes' texts of the volt meter's maintenance mode, longest
// first, for every count the converter can give.
std::vector<LongestTexts> ConverterTexts() {
    std::vector<LongestTexts> longest = {{"Text1", {}}, {"Text2", {}}, {"Text3", {}}};
    for (unsigned count = 0; count <= 0xFFFF; ++count) {
        const VoltReadout readout = ComputeVoltReadout(count >> 8, count & 0xFF, 4.4f);
        const std::string* texts[] = {&readout.converterSingle, &readout.converterDouble,
                                      &readout.rawCount};
        for (std::size_t box = 0; box < longest.size(); ++box) {
            const QString text = QString::fromStdString(*texts[box]);
            QStringList& kept = longest[box].texts;
            if (!kept.isEmpty() && kept.first().size() < text.size()) kept.clear();
            if (kept.isEmpty() || kept.first().size() == text.size()) kept << text;
        }
    }
    return longest;
}

QStringList DeviceTexts() {
    QStringList texts;
    for (unsigned id = 0; id <= 0xFFFF; id += 0x10) {
        if (const auto name = DeviceTableName(static_cast<std::uint16_t>(id))) {
            texts << QString::fromStdString(*name) + QString("  (%1)").arg(id, 0, 16).toUpper();
        }
    }
    return texts;
}

// What the label beside PIC Select can name: every device of the table.
QStringList TargetDeviceTexts() {
    QStringList texts{"no target", "unknown"};
    for (const devices::Device& device : devices::Table().Devices()) {
        texts << QString::fromStdString(device.name);
    }
    return texts;
}

// Every window with the fakes it needs.
struct Windows : testing::PanelFakes {
    Windows() { driver.responder = testing::EmulatorResponder(); }
    testing::RecordingDriver driver;
    ProgrammerSession session{driver, messages, store};
    ToolFiles files;
    testing::FakeToolRunHost host{files};
    ToolSettings toolSettings;
    std::unique_ptr<LA> logicView;
};

struct WindowCase {
    const char* name;
    std::function<std::unique_ptr<QWidget>(Windows&)> make;
    std::vector<LongestTexts> longest;
    QStringList anyLength = {};
};

// Presses the window's buttons of these names, in order.
void Press(QWidget& window, const QStringList& buttons) {
    for (const QString& name : buttons) testing::Control<QPushButton>(window, name)->click();
}

// With TAMRO_SCREENSHOT_DIR set, each window as shown goes into a PNG file
// there (the README's pictures).
void SaveScreenshot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("TAMRO_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QString file = name;
    file.replace(' ', '-');
    QVERIFY(window.grab().save(folder + "/" + file + ".png"));
}

const QString kEightHexDigits = "FFFFFFFF";
const QString kTenDecimalDigits = "4294967295";

}  // namespace

class TextFitTest : public QObject {
    Q_OBJECT
  private slots:
    void everyTextShowsWhole_data() {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < Cases().size(); ++i) {
            QTest::newRow(Cases()[i].name) << int(i);
        }
    }

    void everyTextShowsWhole() {
        QFETCH(int, index);
        const WindowCase& windowCase = Cases()[std::size_t(index)];
        Windows windows;
        const auto window = windowCase.make(windows);
        const QStringList faults = TextFaults(*window, windowCase.longest, windowCase.anyLength);
        SaveScreenshot(*window, windowCase.name);
        if (!faults.isEmpty()) QFAIL(qPrintable(faults.join("\n")));
    }

    // The progress bar shows whole while an operation runs: nothing is drawn over it.
    void progressBarShowsWholeDuringAnOperation() {
        Windows windows;
        windows.driver.responder = [](const Packet&) { return Packet{'E', 'M', 'U', 'L'}; };
        TAMRO18_form form(windows.Platform(windows.driver));
        form.show();
        auto* bar = testing::Control<QProgressBar>(form, "ProgressBar");
        bar->setRange(0, 10);
        bar->show();
        QStringList faults;
        CheckCovered(*bar->parentWidget(), faults);
        faults = faults.filter("ProgressBar lies under");
        if (!faults.isEmpty()) QFAIL(qPrintable(faults.join("\n")));
        QVERIFY(bar->parentWidget()->rect().contains(bar->geometry()));
    }

  private:
    static const std::vector<WindowCase>& Cases() {
        static const std::vector<WindowCase> cases = {
            {"main window",
             [](Windows& w) -> std::unique_ptr<QWidget> {
                 auto form = std::make_unique<TAMRO18_form>(w.Platform(w.driver));
                 form->Form_Load();
                 // The test panel, with the link's and the target's read-outs.
                 for (int click = 0; click < 2; ++click) {
                     QTest::mouseClick(testing::Control<QWidget>(*form, "kage"), Qt::LeftButton);
                 }
                 return form;
             },
             {{"USBMSG",
               {"Read OK!:", "Write NG!:", "Driver Open:NG(-8)",
                "Driver Open:NG(ドライバをオープンしていない)"}},
              {"Text_Device", DeviceTexts()},
              {"Text_ADMON", {"32767  255"}},
              {"TargetDeviceLabel", TargetDeviceTexts()},
              {"NotesLabel",
               {QString::fromStdString(DeviceMismatchText(DeviceGroup::Pic18F4520, 0x0427)),
                QString::fromStdString(GroupSwitchText(DeviceGroup::Pic18F4520, 0x1087)),
                "Stopped: Vpp 0 V, supply off"}},
              {"Text_AD", {"22.0"}},
              {"StartAddrText", {"FFFFFF"}},
              {"LastAddrText", {"FFFFFF"}},
              {"CurrentAddrText", {"FFFFFF"}}},
             {"Label7", "Label9", "FilenameTextbox", "TEST"}},
            {"data convertor",
             [](Windows&) -> std::unique_ptr<QWidget> { return std::make_unique<DataConv>(); },
             {{"Text1", {kTenDecimalDigits, "-2147483648", "305419896"}},
              {"Text2", {kEightHexDigits, "12345678"}},
              {"Text3", {"W", "@"}},
              {"Text4", {"FFFF"}}}},
            {"program buffer",
             [](Windows&) -> std::unique_ptr<QWidget> { return std::make_unique<DATAVIEW>(); },
             {}},
            {"eeprom buffer",
             [](Windows&) -> std::unique_ptr<QWidget> { return std::make_unique<EEVIEW>(); },
             {}},
            {"volt meter",
             [](Windows& w) -> std::unique_ptr<QWidget> {
                 auto meter = std::make_unique<VM>(w.session, w.store);
                 Press(*meter, {"Command_READ"});
                 return meter;
             },
             [] {
                 auto longest = ConverterTexts();
                 longest.push_back({"VMtext", {"22.0", "OL"}});
                 return longest;
             }()},
            {"frequency counter",
             [](Windows& w) -> std::unique_ptr<QWidget> {
                 auto counter = std::make_unique<Form_FCNT>(w.session);
                 Press(*counter, {"Command_READ"});
                 return counter;
             },
             {{"VMtext", {"1310.710", "131071", "OVER"}},
              {"Option_GATEA", {"Auto 100mS", "Auto 1S"}}}},
            {"event counter",
             [](Windows& w) -> std::unique_ptr<QWidget> {
                 auto counter = std::make_unique<Form_CNT>(w.session);
                 Press(*counter, {"Command_RESET", "Command_START", "Command_READ"});
                 return counter;
             },
             {{"VMtext", {"131071"}}}},
            {"logic view",
             [](Windows& w) -> std::unique_ptr<QWidget> {
                 auto view = std::make_unique<LA>(w.session, w.messages, w.pump);
                 Press(*view, {"Command7"});
                 return view;
             },
             {}},
            {"capture view",
             [](Windows& w) -> std::unique_ptr<QWidget> {
                 w.logicView = std::make_unique<LA>(w.session, w.messages, w.pump);
                 Press(*w.logicView, {"Command7", "ViewButton"});
                 return std::unique_ptr<QWidget>(w.logicView->CaptureView());
             },
             {}},
            {"version",
             [](Windows& w) -> std::unique_ptr<QWidget> {
                 return std::make_unique<TAMRO_VERFORM>(
                     "EMUL18FF", "file:///usr/share/doc/tamro18/README.md", w.launcher, w.messages);
             },
             {{"Label1", {"Firmware version W.W"}}}},
            {"help",
             [](Windows& w) -> std::unique_ptr<QWidget> {
                 return std::make_unique<HELP_FORM>("/no/such/folder", w.messages, nullptr,
                                                    std::vector<std::string>{});
             },
             {}},
            {"setup",
             [](Windows& w) -> std::unique_ptr<QWidget> {
                 return std::make_unique<Setup_Form>(w.toolSettings, w.store, ToolSettings{});
             },
             {}},
            {"editor",
             [](Windows& w) -> std::unique_ptr<QWidget> {
                 return std::make_unique<EditorWindow>(w.host, w.files, w.messages, w.dialogs);
             },
             {}},
            {"programmer",
             [](Windows&) -> std::unique_ptr<QWidget> {
                 return std::make_unique<ProgrammerDialog>(ProgrammerChoices({}), "emulator");
             },
             {}},
            {"error view",
             [](Windows&) -> std::unique_ptr<QWidget> {
                 return std::make_unique<ErrorViewWindow>();
             },
             {}},
        };
        return cases;
    }
};

QTEST_MAIN(TextFitTest)
#include "text_fit_qtest.moc"
