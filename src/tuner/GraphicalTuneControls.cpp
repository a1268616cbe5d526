#include "tuner/GraphicalTuneControls.h"

#include "config/TwipsLayout.h"
#include "correction/ChangeGraph.h"
#include "correction/CorrectionCells.h"
#include "platform/Colours.h"
#include "platform/Twips.h"
#include "tuner/CellSlider.h"
#include "tuner/TableKinds.h"
#include "tuner/TunerSettings.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace tuner;
using twips_layout::Label;

namespace {

constexpr int ContentWidth = 14400;
constexpr int ContentHeight = 9060; // the last row: the live auto-tune

// The graph spans the 25 cell columns (510 twips each) plus 0.8 of a column
// at either end.
constexpr int GraphLeft = 690;
constexpr int GraphTop = 90;
constexpr int GraphWidth = 13566;
constexpr int GraphHeight = 1500;

constexpr int DeltaTop = 1635;
constexpr int DeltaWidth = 450;
constexpr int DeltaHeight = 285;
constexpr int SliderTop = 1965;
constexpr int SliderWidth = 300;
constexpr int SliderHeight = 2250;
constexpr int CaptionTop = 4245;
constexpr int CaptionWidth = 510;
constexpr int CaptionHeight = 270;

constexpr int MonitorTop = 4800;
// The ENGINE MONITOR: readouts at least this wide; status boxes this far apart.
constexpr int ValueWidth = 1050;
constexpr int BoxPitch = 2340;
constexpr int PanelLeft = 11880;
constexpr int PanelWidth = 2400;
constexpr int LowerTop = 6270;

const QColor DarkGreen(0, 128, 0);

QFont sized(const QWidget* like, int points, bool bold = false)
{
    QFont font = like->font();
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

QGroupBox* Frame(QWidget* parent, const char* name, const QString& title, int left, int top, int width, int height)
{
    auto* frame = new QGroupBox(title, parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setGeometry(Twips(left, parent), Twips(top, parent), Twips(width, parent), Twips(height, parent));
    return frame;
}

QScrollBar* Bar(QWidget* parent, const char* name, Qt::Orientation orientation, int left, int top, int width,
                int height)
{
    auto* bar = new QScrollBar(orientation, parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setGeometry(Twips(left, parent), Twips(top, parent), Twips(width, parent), Twips(height, parent));
    return bar;
}

QLineEdit* ReadOnlyBox(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height)
{
    QLineEdit* box = twips_layout::TextBox(parent, QString::fromLatin1(name), text, left, top, width, height);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

QLineEdit* Square(QWidget* parent, const char* name, int left, int top)
{
    QLineEdit* box = ReadOnlyBox(parent, name, QString(), left, top, 300, 300);
    box->setEnabled(false);
    colours::SetButtonFace(box);
    return box;
}

} // namespace

void GraphicalTuneControls::build(QWidget* window)
{
    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(window);
    scroll_->setObjectName(QStringLiteral("scrollArea"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(false);
    outer->addWidget(scroll_);

    content_ = new QWidget;
    content_->setObjectName(QStringLiteral("content"));
    content_->setFixedSize(Twips(ContentWidth, window), Twips(ContentHeight, window));
    buildCells(content_);
    buildMonitor(content_);
    buildControls(content_);
    scroll_->setWidget(content_);
}

void GraphicalTuneControls::buildCells(QWidget* area)
{
    graph_ = new ChangeGraph(area);
    graph_->setGeometry(Twips(GraphLeft, area), Twips(GraphTop, area), Twips(GraphWidth, area),
                        Twips(GraphHeight, area));

    // Each cell centred on its column of the graph.
    const QFont captionFont = sized(area, 10);
    for (int i = 0; i < CellCount; ++i) {
        const double centre =
            graph_->x() + graph_->pixelX(ChangeGraph::ColumnStart + (i + 0.5) * ChangeGraph::ColumnWidth);
        const auto place = [&](QWidget* w, int widthTwips, int top, int height) {
            const int width = Twips(widthTwips, area);
            w->setGeometry(static_cast<int>(std::lround(centre - width / 2.0)), Twips(top, area), width,
                           Twips(height, area));
        };

        auto* delta = new QLineEdit(area);
        delta->setObjectName(QStringLiteral("txtDelta_%1").arg(i));
        delta->setReadOnly(true);
        delta->setFocusPolicy(Qt::NoFocus);
        delta->setAlignment(Qt::AlignCenter);
        delta->setTextMargins(0, 0, 0, 0);
        delta->setText(QStringLiteral("0"));
        colours::SetBackground(delta, QColor(255, 255, 255));
        place(delta, DeltaWidth, DeltaTop, DeltaHeight);
        deltas_[i] = delta;

        auto* slider = new CellSlider(Qt::Vertical, area);
        slider->setObjectName(QStringLiteral("VScroll1_%1").arg(i));
        slider->setRange(SliderMinimum, SliderMaximum);
        slider->setSingleStep(1);
        slider->setPageStep(5);
        slider->setValue(0);
        place(slider, SliderWidth, SliderTop, SliderHeight);
        sliders_[i] = slider;

        auto* caption = new QLabel(area);
        caption->setObjectName(QStringLiteral("lblRPM_%1").arg(i));
        caption->setFont(captionFont);
        caption->setAlignment(Qt::AlignCenter);
        colours::SetButtonFace(caption);
        place(caption, CaptionWidth, CaptionTop, CaptionHeight);
        captions_[i] = caption;
    }

    // The scale beside the sliders.
    const int scaleWidth = GraphLeft + 300;
    const auto scale = [&](const char* name, const char* text, int top) {
        QLabel* label = Label(area, QString::fromLatin1(name), QString::fromLatin1(text), 0, top, scaleWidth, 255);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };
    scale("lblChange", "Change[%]", DeltaTop + 15);
    scale("lblMinus100", "-100", SliderTop);
    scale("lblZero", "0", SliderTop + SliderHeight / 2 - 128);
    scale("lblPlus100", "+100", SliderTop + SliderHeight - 255);
    QLabel* lean = scale("lblLean", "LEAN", SliderTop + SliderHeight / 4 - 128);
    lean->setFont(sized(area, 8, true));
    colours::SetTextColour(lean, colours::Red);
    QLabel* rich = scale("lblRich", "RICH", SliderTop + 3 * SliderHeight / 4 - 128);
    rich->setFont(sized(area, 8, true));
    colours::SetTextColour(rich, DarkGreen);
    QLabel* row = Label(area, QStringLiteral("lblMAFOutputVoltage"), QStringLiteral("MAF Output Voltage [volts]"),
                        GraphLeft, CaptionTop + CaptionHeight + 15, GraphWidth, 255);
    row->setAlignment(Qt::AlignCenter);
}

void GraphicalTuneControls::buildMonitor(QWidget* area)
{
    QGroupBox* frame =
        Frame(area, "fraEngineMonitor", QStringLiteral("ENGINE MONITOR"), 120, MonitorTop, ContentWidth - 240, 1410);
    const QFont captionFont = sized(frame, 7);
    const QFont valueFont = sized(frame, 11, true);
    const auto caption = [&](const QString& name, const QString& text, int left, int top, int width) {
        QLabel* label = Label(frame, name, text, left, top, width, 240);
        label->setFont(captionFont);
        label->setTextFormat(Qt::PlainText);
        return label;
    };

    // Eleven readouts side by side, each as wide as its caption needs and at
    // least wide enough for its value; what is left is shared out.
    const char* const captions[] = {
        "VOLTAGE FROM MAF", "VOLTAGE TO PCM", "MEAS. FLOW", "CORR. FLOW",   "A/F CHANGE", "",
        "A/F RATIO",        "TPS VOLTAGE",    "TP ANGLE",   "ENGINE SPEED", "ACTIVE TUNE"};
    constexpr int Readouts = 11;
    const QFontMetrics captionMetrics(captionFont);
    const int gap = Twips(60, area);
    const int inner = Twips(ContentWidth - 240 - 240, area);
    int widths[Readouts];
    int used = 0;
    for (int r = 0; r < Readouts; ++r) {
        widths[r] =
            std::max(Twips(ValueWidth, area), captionMetrics.horizontalAdvance(QString::fromLatin1(captions[r])) + 4);
        used += widths[r] + gap;
    }
    const int spare = std::max(0, inner - used) / Readouts;
    int lefts[Readouts];
    int left = Twips(120, area);
    for (int r = 0; r < Readouts; ++r) {
        widths[r] += spare;
        lefts[r] = left;
        left += widths[r] + gap;
        QLabel* label = new QLabel(QString::fromLatin1(captions[r]), frame);
        label->setObjectName(QStringLiteral("Label_monitor_%1").arg(r));
        label->setFont(captionFont);
        label->setGeometry(lefts[r], Twips(240, area), widths[r], Twips(240, area));
    }
    const auto place = [&](QWidget* value, int r) {
        value->setGeometry(lefts[r], Twips(480, area), widths[r], Twips(390, area));
    };
    const auto readout = [&](const char* name, const char* text, int r) {
        auto* value = new QLabel(QString::fromLatin1(text), frame);
        value->setObjectName(QString::fromLatin1(name));
        value->setFont(valueFont);
        value->setTextFormat(Qt::PlainText);
        value->setAlignment(Qt::AlignCenter);
        value->setFrameShape(QFrame::Panel);
        value->setFrameShadow(QFrame::Sunken);
        value->setAutoFillBackground(true);
        place(value, r);
        return value;
    };
    const auto box = [&](const char* name, int r) {
        QLineEdit* value = ReadOnlyBox(frame, name, QString(), 0, 0, ValueWidth, 390);
        value->setFont(valueFont);
        value->setEnabled(false);
        colours::SetButtonFace(value);
        place(value, r);
        return value;
    };

    lblMAFVoltage = readout("lblMAFVoltage", "0.00", 0);
    lblPCMVoltage = readout("lblPCMVoltage", "0.00", 1);
    lblInputFlow = readout("lblInputFlow", "0", 2);
    lblOutputFlow = readout("lblOutputFlow", "0", 3);
    lblDelta_F = readout("lblDelta_F", "0", 4);
    txtRichOrLean = box("txtRichOrLean", 5);
    lblAirFuelRatio = readout("lblAirFuelRatio", "XXX", 6);
    lblTPSVoltage = readout("lblTPSVoltage", "0", 7);
    lblTPangle = readout("lblTPangle", "0", 8);
    lblEngineSpeed = readout("lblEngineSpeed", "0", 9);
    txtLoopMode = box("txtLoopMode", 10);

    // The status boxes, each beside its name.
    struct Box {
        const char* name;
        const char* caption;
        QLineEdit** into;
    };
    const Box boxes[] = {
        {"txtHeartbeat", "ACTIVITY", &txtHeartbeat},     {"txtWOT", "W.O.T.", &txtWOT},
        {"txtMultiSpark", "MULTISPARK", &txtMultiSpark}, {"txtWastedSpark", "WASTED SPARK", &txtWastedSpark},
        {"txtRPMandWOT", "RPM & W.O.T.", &txtRPMandWOT}, {"txtWindowSwitch", "RPM SWITCH", &txtWindowSwitch},
    };
    for (int b = 0; b < 6; ++b) {
        const int boxLeft = 120 + b * BoxPitch;
        *boxes[b].into = Square(frame, boxes[b].name, boxLeft, 960);
        caption(QStringLiteral("Label_") + QString::fromLatin1(boxes[b].name), QString::fromLatin1(boxes[b].caption),
                boxLeft + 390, 990, BoxPitch - 450);
    }
}

void GraphicalTuneControls::buildControls(QWidget* area)
{
    QGroupBox* select = Frame(area, "fraTuneSelect", QStringLiteral("TUNE SELECT"), 120, LowerTop, 1980, 1620);
    for (int i = 0; i < TableKindCount; ++i) {
        options_[i] = twips_layout::Option(select, QStringLiteral("optTableSelect_%1").arg(i),
                                           QString::fromLatin1(TableKindAt(i).caption), 120, 300 + 320 * i, 1740);
    }
    options_[0]->setChecked(true);

    const auto button = [&](const char* name, const char* caption, int left, int top, int width) {
        return twips_layout::Button(area, QString::fromLatin1(name), QString::fromLatin1(caption), left, top, width,
                                    435);
    };
    cmdONLINE = button("cmdONLINE", "ONLINE", 2220, LowerTop + 60, 1560);
    cmdOFFLINE = button("cmdOFFLINE", "OFFLINE", 2220, LowerTop + 60, 1560);
    cmdOFFLINE->hide();
    cmdOFFLINE->setEnabled(false);
    cmdSaveChanges = button("cmdSaveChanges", "SAVE TABLE", 2220, LowerTop + 555, 1560);
    cmdLoadTable = button("cmdLoadTable", "LOAD TABLE", 2220, LowerTop + 1050, 1560);
    cmdQUIT = button("cmdQUIT", "QUIT", 2220, LowerTop + 1545, 1560);
    cmdLean = button("cmdLean", "5% LEAN", 3900, LowerTop + 60, 1260);
    cmdRich = button("cmdRich", "5% RICH", 3900, LowerTop + 555, 1260);
    cmdZero = button("cmdZero", "ZERO", 3900, LowerTop + 1050, 1260);
    cmdAutoTune = button("cmdAutoTune", "AUTO-TUNE...", 3900, LowerTop + 1545, 1260);
    // Below TUNE SELECT: the edit history's two steps.
    cmdUndo = button("cmdUndo", "UNDO", 120, LowerTop + 1740, 930);
    cmdRedo = button("cmdRedo", "REDO", 1170, LowerTop + 1740, 930);
    cmdUndo->setEnabled(false);
    cmdRedo->setEnabled(false);

    QGroupBox* injectors = Frame(area, "fraInjectors", QStringLiteral("INJECTORS"), 5280, LowerTop, 2040, 1620);
    Label(injectors, QStringLiteral("lblInjectors"), QStringLiteral("INJECTORS"), 120, 300, 1800, 255);
    cmbInjectors = new QComboBox(injectors);
    cmbInjectors->setObjectName(QStringLiteral("cmbInjectors"));
    cmbInjectors->setGeometry(Twips(120, area), Twips(570, area), Twips(1800, area), Twips(345, area));
    Label(injectors, QStringLiteral("lblEECInjectors"), QStringLiteral("PCM - INJECTORS"), 120, 960, 1800, 255);
    cmbEECInjectors = new QComboBox(injectors);
    cmbEECInjectors->setObjectName(QStringLiteral("cmbEECInjectors"));
    cmbEECInjectors->setGeometry(Twips(120, area), Twips(1230, area), Twips(1800, area), Twips(345, area));

    QGroupBox* points = Frame(area, "fraBreakpointAndSwitch", QStringLiteral("W.O.T. BREAKPOINT / RPM SWITCH"), 7440,
                              LowerTop, 4320, 2100);
    const auto pointRow = [&](const char* caption, const char* barName, const char* boxName, const char* unit, int top,
                              QScrollBar*& bar, QLineEdit*& box) {
        Label(points, QStringLiteral("Label_") + QString::fromLatin1(barName), QString::fromLatin1(caption), 120, top,
              2700, 240);
        bar = Bar(points, barName, Qt::Horizontal, 120, top + 270, 2520, 255);
        box = ReadOnlyBox(points, boxName, QStringLiteral("0"), 2760, top + 210, 720, 345);
        Label(points, QStringLiteral("Label_") + QString::fromLatin1(boxName), QString::fromLatin1(unit), 3540,
              top + 255, 720, 255);
    };
    pointRow("TPS W.O.T. BREAKPOINT", "HScroll1", "txtTPSBreakpoint", "[volts]", 270, HScroll1, txtTPSBreakpoint);
    pointRow("RPM SWITCH ON", "HScroll2", "txtRPMON", "[rpm]", 870, HScroll2, txtRPMON);
    pointRow("RPM SWITCH OFF", "HScroll3", "txtRPMOFF", "[rpm]", 1470, HScroll3, txtRPMOFF);
    txtTPSBreakpoint->setText(QStringLiteral("0.000"));
    HScroll1->setRange(0, BreakpointMaximum);
    HScroll1->setSingleStep(5);
    HScroll1->setPageStep(20);
    for (QScrollBar* bar : {HScroll2, HScroll3}) {
        bar->setRange(0, SwitchMaximum);
        bar->setSingleStep(40);
        bar->setPageStep(400);
    }
    HScroll3->setValue(SwitchMaximum);
    txtRPMOFF->setText(SwitchText(SwitchMaximum));

    QGroupBox* fine =
        Frame(area, "fraFineTune", QStringLiteral("FINE TUNE CONTROL"), PanelLeft, LowerTop, PanelWidth, 1320);
    QLabel* offsetCaption = Label(fine, QStringLiteral("lblSliderOffset"), QStringLiteral("SLIDER OFFSET"), 120, 270,
                                  PanelWidth - 240, 240);
    offsetCaption->setAlignment(Qt::AlignCenter);
    HScroll4 = Bar(fine, "HScroll4", Qt::Horizontal, 120, 540, PanelWidth - 240, 255);
    HScroll4->setRange(-OffsetLimit, OffsetLimit);
    HScroll4->setSingleStep(OffsetPerEntry);
    HScroll4->setPageStep(OffsetPerEntry);
    // The offset acts on the value let go of, not on every step of a drag.
    HScroll4->setTracking(false);
    const QFont marks = sized(fine, 7);
    QLabel* middle =
        Label(fine, QStringLiteral("lblOffsetZero"), QStringLiteral("-  0  +"), 120, 810, PanelWidth - 240, 240);
    middle->setFont(marks);
    middle->setAlignment(Qt::AlignHCenter);
    Label(fine, QStringLiteral("lblOffsetMinus"), QStringLiteral("- 0.10 VOLTS"), 120, 1020, 1080, 240)->setFont(marks);
    QLabel* plus = Label(fine, QStringLiteral("lblOffsetPlus"), QStringLiteral("+ 0.10 VOLTS"), PanelWidth - 1200, 1020,
                         1080, 240);
    plus->setFont(marks);
    plus->setAlignment(Qt::AlignRight);

    QGroupBox* logger =
        Frame(area, "fraDatalogger", QStringLiteral("DATALOGGER"), PanelLeft, LowerTop + 1380, PanelWidth, 780);
    cmdDatalog =
        twips_layout::Button(logger, QStringLiteral("cmdDatalog"), QStringLiteral("START"), 120, 270, 1200, 435);
    Label(logger, QStringLiteral("lblLog"), QStringLiteral("LOG"), 1410, 360, 420, 255);
    txtLOG = ReadOnlyBox(logger, "txtLOG", QStringLiteral("OFF"), 1800, 270, 480, 435);
    txtLOG->setEnabled(false);
    colours::SetButtonFace(txtLOG);
}

QSize GraphicalTuneControls::fittedSize(const QWidget* window, QSize fallback) const
{
    QSize wanted = content_ ? content_->size() : fallback;
    const auto* frame = qobject_cast<const QMdiSubWindow*>(window->parentWidget());
    if (!frame || !frame->mdiArea())
        return wanted;
    // Room for the sub-window's own border and title bar.
    const QSize room = frame->mdiArea()->viewport()->size() - QSize(12, 36);
    const int bar = window->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    QSize fitted = wanted.boundedTo(room);
    if (fitted.width() < wanted.width())
        fitted.rheight() = std::min(wanted.height() + bar, room.height());
    if (fitted.height() < wanted.height())
        fitted.rwidth() = std::min(wanted.width() + bar, room.width());
    return fitted;
}
