#include "instruments/ui/logic_analyzer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "instruments/ui/instrument_widgets.h"
#include "instruments/ui/logic_capture_view.h"
#include "instruments/ui/logic_picture.h"
#include "tools/ui/file_dialogs.h"

namespace tamro {

namespace {

QPlainTextEdit* MakeTextBox(QWidget* parent, const char* name, int left, int top, int width,
                            int height) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    PlaceTwips(box, left, top, width, height);
    return box;
}

}  // namespace

LA::LA(ProgrammerSession& session, MessageBoxes& messages, EventPump& pump, QWidget* parent)
    : QWidget(parent, Qt::Window), logic_(session, messages, pump), messages_(messages) {
    setWindowTitle("LOGIC VIEW");
    setAutoFillBackground(true);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(windowPalette);

    Picture1 = new LogicPicture(5265, 2000, this);
    Picture1->setObjectName("Picture1");
    PlaceTwips(Picture1, 165, 75, 5265, 2000);

    auto* clear = MakeControl<QPushButton>(this, "Command9", "CLEAR", 5625, 90, 915, 375);
    Shape2 = new LampShape(LampShape::Kind::Rectangle, kBusyIdle, this);
    Shape2->setObjectName("Shape2");
    PlaceTwips(Shape2, 5625, 525, 915, 105);
    auto* trig = MakeControl<QPushButton>(this, "Command7", "TRIG", 5625, 630, 915, 375);
    trig->setToolTip("TRIG Go!");
    Option1 = MakeControl<QRadioButton>(this, "Option1", "POS", 5760, 1080, 735, 195);
    Option2 = MakeControl<QRadioButton>(this, "Option2", "NEG", 5760, 1305, 735, 195);
    MakeControl<QLabel>(this, "Label9", "Sample ", 5625, 1665, 855, 255);
    MakeControl<QLabel>(this, "Label1", "Time", 5625, 1935, 585, 255);
    STIME = MakeControl<QLineEdit>(this, "STIME", "1", 6075, 1890, 450, 270);
    STIME->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    STIME->setToolTip("Sample Time");
    MakeControl<QLabel>(this, "Label2", "x0.1mS", 5670, 2205, 900, 255);
    auto* exit = MakeControl<QPushButton>(this, "Command6", "EXIT", 270, 2160, 915, 375);
    SetTextColour(MakeControl<QLabel>(this, "Label4", "100 Sample /div", 1320, 2160, 2055, 195),
                  Rgb{64, 64, 64});

    Text1 = MakeTextBox(this, "Text1", 6840, 165, 2415, 975);
    auto* dataSet = MakeControl<QPushButton>(this, "Command25", "DATA SET", 6900, 1245, 1095, 375);
    Text3 = MakeTextBox(this, "Text3", 7005, 3675, 2535, 1335);
    Text3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* sampleDisplay =
        MakeControl<QPushButton>(this, "Command10", "SAMPLE DISPLAY", 7020, 5130, 1920, 375);

    // Beyond the grid's own controls: the capture on a time axis, and its export.
    auto* view = MakeControl<QPushButton>(this, "ViewButton", "VIEW", 3480, 2160, 600, 375);
    view->setToolTip("Capture on a time axis, with zoom and cursors");
    auto* vcd = MakeControl<QPushButton>(this, "ExportVcdButton", "VCD", 4140, 2160, 600, 375);
    vcd->setToolTip("Save the capture as a VCD file");
    auto* csv = MakeControl<QPushButton>(this, "ExportCsvButton", "CSV", 4800, 2160, 600, 375);
    csv->setToolTip("Save the capture as a CSV file");
    // Tab moves on from the maintenance boxes instead of typing a tab.
    Text1->setTabChangesFocus(true);
    Text3->setTabChangesFocus(true);

    connect(trig, &QPushButton::clicked, this, &LA::Command7_Click);
    connect(view, &QPushButton::clicked, this, &LA::ShowCaptureView);
    connect(vcd, &QPushButton::clicked, this, [this] { ExportCapture(CaptureFileFormat::Vcd); });
    connect(csv, &QPushButton::clicked, this, [this] { ExportCapture(CaptureFileFormat::Csv); });
    connect(clear, &QPushButton::clicked, this, &LA::Command9_Click);
    connect(dataSet, &QPushButton::clicked, this, &LA::Command25_Click);
    connect(sampleDisplay, &QPushButton::clicked, this, &LA::Command10_Click);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);

    logic_.SetDisplay(this);
    Form_Load();
}

void LA::Form_Load() {
    SetFixedOuterSize(this, kLogicViewSize);
    Text1->setPlainText(kDemoPattern);
    Option1->setChecked(true);
    logic_.Load();
}

void LA::SAMPLEDSP() {
    Picture1->Clear();
    Picture1->Draw(GridLines());
    Picture1->Draw(GridLabels());
    DRAWPIC(logic_.Samples());
    if (captureView_) captureView_->SetCapture(CurrentCapture());
}

void LA::DRAWPIC(const LogicSampleArray& samples) {
    Picture1->Draw(tamro::DRAWPIC(samples));
}

void LA::Command7_Click() {
    triggeredSampleTime_ = SampleTimeFromText(STIME->text().toStdString());
    triggeredRisingEdge_ = Option1->isChecked();
    logic_.Trigger(STIME->text().toStdString(), Option1->isChecked());
}

LogicCapture LA::CurrentCapture() const {
    if (triggeredSampleTime_) {
        return CaptureFromSamples(logic_.Samples(), triggeredSampleTime_->value,
                                  triggeredRisingEdge_);
    }
    return CaptureFromSamples(logic_.Samples(),
                              SampleTimeFromText(STIME->text().toStdString()).value,
                              Option1->isChecked());
}

void LA::ShowCaptureView() {
    if (!captureView_) captureView_ = new LogicCaptureView(this);
    captureView_->SetCapture(CurrentCapture());
    captureView_->show();
    captureView_->raise();
    captureView_->activateWindow();
}

void LA::ExportCapture(CaptureFileFormat format) {
    if (!fileDialogs_) {
        if (!ownDialogs_) ownDialogs_ = std::make_unique<QtFileDialogs>(this);
        fileDialogs_ = ownDialogs_.get();
    }
    const bool vcd = format == CaptureFileFormat::Vcd;
    std::string path = fileDialogs_->SaveFileName(vcd ? "VCD files|*.vcd|ALL FILES|*.*|"
                                                      : "CSV files|*.csv|ALL FILES|*.*|");
    if (path.empty()) return;
    const std::string extension = vcd ? ".vcd" : ".csv";
    const std::size_t slash = path.find_last_of('/');
    if (path.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos) {
        path += extension;
    }
    const CaptureFileResult written = WriteCaptureFile(CurrentCapture(), format, path);
    if (!written.written) messages_.Show(MessageIcon::Critical, "FILE ERROR", written.error);
}

void LA::Command9_Click() {
    logic_.Clear();
}

void LA::Command25_Click() {
    logic_.SetPattern(Text1->toPlainText().toStdString());
}

void LA::Command10_Click() {
    Text3->clear();
    Text3->insertPlainText(QString::fromStdString(SampleDisplayText(logic_.Samples())));
}

void LA::ShowBusyLamp(Rgb colour) {
    Shape2->SetFill(colour);
}

void LA::ShowSampleTimeText(const std::string& text) {
    STIME->setText(QString::fromStdString(text));
}

}  // namespace tamro
