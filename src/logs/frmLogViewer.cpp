#include "logs/frmLogViewer.h"

#include "logs/AirFuelScatterView.h"
#include "logs/CellChartView.h"
#include "logs/CellSummary.h"
#include "logs/LogSuggestion.h"
#include "logs/ChannelStripsView.h"
#include "logs/TunerCells.h"
#include "platform/Dialogs.h"
#include "platform/NumberFormat.h"
#include "platform/Services.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using logs::Channel;

namespace {

constexpr double DefaultTargetAirFuel = 14.7;

const std::vector<Channel> FirstShown = {Channel::MafIn, Channel::MafOut, Channel::AirFuel, Channel::ThrottleAngle,
                                         Channel::Rpm};

QString duration(double seconds)
{
    const long long whole = std::llround(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600)
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString decimalsPattern(int decimals)
{
    return decimals <= 0 ? QStringLiteral("###0") : QStringLiteral("#0.") + QString(decimals, QLatin1Char('0'));
}

} // namespace

frmLogViewer::frmLogViewer(logs::DataLog log, const QString& path, QWidget* parent)
    : QWidget(parent), log_(std::move(log)), path_(path)
{
    setObjectName(QStringLiteral("frmLogViewer"));
    setWindowTitle(QStringLiteral("Log - %1").arg(QFileInfo(path).fileName()));

    strips_ = new ChannelStripsView(log_);
    scatter_ = new AirFuelScatterView(log_);
    cellChart_ = new CellChartView;
    cellChart_->setAirFuelRange(scatter_->airFuelRange());

    tabViews_ = new QTabWidget;
    tabViews_->setObjectName(QStringLiteral("tabViews"));
    tabViews_->addTab(buildChannelsTab(), tr("Channels over time"));
    tabViews_->addTab(buildAirFuelTab(), tr("A/F against MAF volts"));
    tabViews_->addTab(buildCellsTab(), tr("Cells"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addWidget(tabViews_, 1);
    layout->addWidget(buildFilterRow());
    layout->addWidget(buildStatusBar());

    connect(strips_, &ChannelStripsView::cursorMoved, this, &frmLogViewer::Cursor_Move);
    connect(strips_, &ChannelStripsView::selectionChanged, this, &frmLogViewer::Filter_Change);
    lstChannels_Change();
    Cursor_Move(0);
    Filter_Change();
    // The cell table is shown whole across, the chart takes the rest.
    tblCells_->resizeColumnsToContents();
    tblCells_->setMinimumWidth(tblCells_->horizontalHeader()->length()
                               + tblCells_->verticalScrollBar()->sizeHint().width() + 2 * tblCells_->frameWidth());
}

frmLogViewer::~frmLogViewer()
{
    // The views read the log this window owns: they go first.
    delete tabViews_;
}

// --- layout ------------------------------------------------------------------

QWidget* frmLogViewer::buildChannelsTab()
{
    auto* tab = new QWidget;
    auto* layout = new QHBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(strips_, 1);

    auto* side = new QWidget;
    side->setFixedWidth(250);
    auto* panel = new QVBoxLayout(side);
    panel->setContentsMargins(4, 4, 4, 4);
    panel->addWidget(new QLabel(tr("Channels shown")));
    lstChannels_ = new QListWidget;
    lstChannels_->setObjectName(QStringLiteral("lstChannels"));
    for (const Channel c : logs::AllChannels()) {
        if (!log_.has(c))
            continue;
        const logs::ChannelInfo& info = logs::Info(c);
        auto* item = new QListWidgetItem(QStringLiteral("%1 [%2]").arg(info.name, info.unit), lstChannels_);
        item->setData(Qt::UserRole, static_cast<int>(c));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(std::find(FirstShown.begin(), FirstShown.end(), c) != FirstShown.end() ? Qt::Checked
                                                                                                   : Qt::Unchecked);
    }
    lstChannels_->setFixedHeight(lstChannels_->sizeHintForRow(0) * lstChannels_->count()
                                 + 2 * lstChannels_->frameWidth() + 4);
    connect(lstChannels_, &QListWidget::itemChanged, this, &frmLogViewer::lstChannels_Change);
    panel->addWidget(lstChannels_);

    auto* readout = new QGroupBox(tr("At the cursor"));
    auto* grid = new QGridLayout(readout);
    grid->setVerticalSpacing(2);
    lblCursorTime_ = new QLabel;
    lblCursorTime_->setObjectName(QStringLiteral("lblCursorTime"));
    grid->addWidget(new QLabel(tr("Time")), 0, 0);
    grid->addWidget(lblCursorTime_, 0, 1, Qt::AlignRight);
    int row = 1;
    for (const Channel c : logs::AllChannels()) {
        if (!log_.has(c))
            continue;
        const logs::ChannelInfo& info = logs::Info(c);
        auto* value = new QLabel;
        value->setObjectName(QStringLiteral("lblReadout%1").arg(static_cast<int>(c)));
        grid->addWidget(new QLabel(QStringLiteral("%1 [%2]").arg(info.name, info.unit)), row, 0);
        grid->addWidget(value, row, 1, Qt::AlignRight);
        lblReadout_[static_cast<int>(c)] = value;
        ++row;
    }
    panel->addWidget(readout);
    auto* hint = new QLabel(tr("Wheel: zoom. Drag: pan. Click: cursor (arrow keys move it). "
                               "Shift+drag or right-drag: choose a stretch for the A/F and cell views. "
                               "Double-click: the whole log."));
    hint->setWordWrap(true);
    hint->setStyleSheet(QStringLiteral("color: #555;"));
    panel->addWidget(hint);
    panel->addStretch(1);
    layout->addWidget(side);
    return tab;
}

QWidget* frmLogViewer::buildCellsTab()
{
    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(cellChart_);

    auto* side = new QWidget;
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    tblCells_ = new QTableWidget(tuner_cells::CellCount, 8);
    tblCells_->setObjectName(QStringLiteral("tblCells"));
    tblCells_->setHorizontalHeaderLabels(logs::CellColumnNames());
    tblCells_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tblCells_->verticalHeader()->hide();
    tblCells_->verticalHeader()->setDefaultSectionSize(tblCells_->fontMetrics().height() + 4);
    tblCells_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblCells_->setSelectionMode(QAbstractItemView::NoSelection);
    tblCells_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(tblCells_, 1);
    lblWithoutReading_ = new QLabel;
    lblWithoutReading_->setObjectName(QStringLiteral("lblWithoutReading"));
    lblWithoutReading_->setWordWrap(true);
    layout->addWidget(lblWithoutReading_);
    split->addWidget(side);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    return split;
}

QWidget* frmLogViewer::buildAirFuelTab()
{
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scatter_, 1);
    auto* row = new QHBoxLayout;
    chkAutoTune_ = new QCheckBox(tr("Auto-tune suggestion for table"));
    chkAutoTune_->setObjectName(QStringLiteral("chkAutoTune"));
    chkAutoTune_->setToolTip(tr("Each cell's median A/F in the stretch shown, and the change auto-tune would make "
                                "to reach the target A/F (from the table as it was when the log was made)"));
    cmbAutoTuneTable_ = new QComboBox;
    cmbAutoTuneTable_->setObjectName(QStringLiteral("cmbAutoTuneTable"));
    cmbAutoTuneTable_->addItems({QStringLiteral("O"), QStringLiteral("C"), QStringLiteral("H"), QStringLiteral("L")});
    // The table's own target, as the tuner's AUTO-TUNE starts with: 12.8 for
    // the open-loop tables, 14.7 for the closed-loop ones.
    txtAutoTuneTarget_ = new QDoubleSpinBox;
    txtAutoTuneTarget_->setObjectName(QStringLiteral("txtAutoTuneTarget"));
    txtAutoTuneTarget_->setRange(10, 20);
    txtAutoTuneTarget_->setDecimals(1);
    txtAutoTuneTarget_->setSingleStep(0.1);
    txtAutoTuneTarget_->setPrefix(tr("to "));
    txtAutoTuneTarget_->setSuffix(QStringLiteral(":1"));
    txtAutoTuneTarget_->setToolTip(tr("The A/F the table should give"));
    txtAutoTuneTarget_->setValue(autotune::DefaultTarget('O'));
    lblAutoTune_ = new QLabel;
    lblAutoTune_->setObjectName(QStringLiteral("lblAutoTune"));
    lblAutoTune_->setWordWrap(true);
    lblAutoTune_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(chkAutoTune_);
    row->addWidget(cmbAutoTuneTable_);
    row->addWidget(txtAutoTuneTarget_);
    row->addWidget(lblAutoTune_, 1);
    layout->addLayout(row);
    connect(chkAutoTune_, &QCheckBox::toggled, this, &frmLogViewer::chkAutoTune_Click);
    connect(cmbAutoTuneTable_, &QComboBox::currentIndexChanged, this, [this] {
        // Setting the table's own target re-runs the suggestion when it differs.
        const double target = autotune::DefaultTarget(cmbAutoTuneTable_->currentText().at(0).toLatin1());
        if (txtAutoTuneTarget_->value() != target)
            txtAutoTuneTarget_->setValue(target);
        else
            chkAutoTune_Click();
    });
    connect(txtAutoTuneTarget_, &QDoubleSpinBox::valueChanged, this, &frmLogViewer::chkAutoTune_Click);
    return tab;
}

QWidget* frmLogViewer::buildFilterRow()
{
    auto* box = new QGroupBox(tr("Samples the A/F and cell views take"));
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 4);
    auto* throttleRow = new QHBoxLayout;
    auto* speedRow = new QHBoxLayout;
    grid->addLayout(throttleRow, 0, 0);
    grid->addLayout(speedRow, 1, 0);

    cmbThrottle_ = new QComboBox;
    cmbThrottle_->setObjectName(QStringLiteral("cmbThrottle"));
    cmbThrottle_->addItems({tr("All throttle"), tr("Below the breakpoint"), tr("Above the breakpoint (W.O.T.)")});
    throttleRow->addWidget(new QLabel(tr("Throttle")));
    throttleRow->addWidget(cmbThrottle_);

    txtBreakpoint_ = new QDoubleSpinBox;
    txtBreakpoint_->setObjectName(QStringLiteral("txtBreakpoint"));
    txtBreakpoint_->setRange(0, 5);
    txtBreakpoint_->setDecimals(3);
    txtBreakpoint_->setSingleStep(0.05);
    txtBreakpoint_->setSuffix(QStringLiteral(" V"));
    txtBreakpoint_->setToolTip(tr("The TPS voltage above which the unit counts the throttle as wide open"));
    if (mdlPublicVars::Connected)
        txtBreakpoint_->setValue(mdlPublicVars::WotBreakpointVolts);
    throttleRow->addWidget(new QLabel(tr("breakpoint")));
    throttleRow->addWidget(txtBreakpoint_);
    auto* unit = new QPushButton(tr("Unit's"));
    unit->setObjectName(QStringLiteral("cmdUnitBreakpoint"));
    unit->setToolTip(tr("The breakpoint of the connected unit"));
    connect(unit, &QPushButton::clicked, this, &frmLogViewer::cmdUnitBreakpoint_Click);
    throttleRow->addWidget(unit);

    txtTargetAirFuel_ = new QDoubleSpinBox;
    txtTargetAirFuel_->setObjectName(QStringLiteral("txtTargetAirFuel"));
    txtTargetAirFuel_->setRange(8, 22);
    txtTargetAirFuel_->setDecimals(1);
    txtTargetAirFuel_->setSingleStep(0.1);
    txtTargetAirFuel_->setValue(DefaultTargetAirFuel);
    throttleRow->addSpacing(16);
    throttleRow->addWidget(new QLabel(tr("Target A/F")));
    throttleRow->addWidget(txtTargetAirFuel_);
    throttleRow->addStretch(1);

    txtMinRpm_ = new QSpinBox;
    txtMinRpm_->setObjectName(QStringLiteral("txtMinRpm"));
    txtMaxRpm_ = new QSpinBox;
    txtMaxRpm_->setObjectName(QStringLiteral("txtMaxRpm"));
    for (QSpinBox* rpm : {txtMinRpm_, txtMaxRpm_}) {
        rpm->setRange(0, logs::HighestRpm);
        rpm->setSingleStep(100);
        rpm->setGroupSeparatorShown(true);
    }
    txtMaxRpm_->setValue(logs::HighestRpm);
    speedRow->addWidget(new QLabel(tr("Engine speed")));
    speedRow->addWidget(txtMinRpm_);
    speedRow->addWidget(new QLabel(tr("to")));
    speedRow->addWidget(txtMaxRpm_);
    speedRow->addWidget(new QLabel(tr("rpm")));
    speedRow->addSpacing(16);
    lblRange_ = new QLabel;
    lblRange_->setObjectName(QStringLiteral("lblRange"));
    speedRow->addWidget(lblRange_, 1);
    auto* whole = new QPushButton(tr("Whole log"));
    whole->setObjectName(QStringLiteral("cmdWholeLog"));
    whole->setToolTip(tr("Forget the stretch of time chosen on the channels view"));
    connect(whole, &QPushButton::clicked, this, &frmLogViewer::cmdWholeLog_Click);
    speedRow->addWidget(whole);

    connect(cmbThrottle_, &QComboBox::currentIndexChanged, this, &frmLogViewer::Filter_Change);
    connect(txtBreakpoint_, &QDoubleSpinBox::valueChanged, this, &frmLogViewer::Filter_Change);
    connect(txtMinRpm_, &QSpinBox::valueChanged, this, &frmLogViewer::Filter_Change);
    connect(txtMaxRpm_, &QSpinBox::valueChanged, this, &frmLogViewer::Filter_Change);
    connect(txtTargetAirFuel_, &QDoubleSpinBox::valueChanged, this, [this](double ratio) {
        scatter_->setTargetAirFuel(ratio);
        cellChart_->setTargetAirFuel(ratio);
    });
    return box;
}

QWidget* frmLogViewer::buildStatusBar()
{
    auto* bar = new QWidget;
    bar->setObjectName(QStringLiteral("statusBar"));
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(4, 2, 4, 2);
    lblStatus_ = new QLabel(statusText());
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    layout->addWidget(lblStatus_, 1);
    auto* skipped = new QPushButton(tr("Skipped lines..."));
    skipped->setObjectName(QStringLiteral("cmdSkippedLines"));
    skipped->setVisible(!log_.rejected.empty());
    connect(skipped, &QPushButton::clicked, this, &frmLogViewer::cmdSkippedLines_Click);
    layout->addWidget(skipped);
    return bar;
}

// --- texts ---------------------------------------------------------------------

QString frmLogViewer::ValueText(const logs::DataLog& log, Channel channel, std::size_t sample)
{
    const double value = log.value(channel, sample);
    if (std::isnan(value))
        return QStringLiteral("XXX");
    if (channel == Channel::Rpm)
        return number_format::Format(value, QStringLiteral("##,##0"));
    return number_format::Format(value, decimalsPattern(log.decimals[static_cast<int>(channel)]));
}

QString frmLogViewer::cursorTimeText() const
{
    return lblCursorTime_->text();
}

QString frmLogViewer::readoutText(Channel channel) const
{
    const QLabel* label = lblReadout_[static_cast<int>(channel)];
    return label ? label->text() : QString();
}

QString frmLogViewer::statusText() const
{
    QString text;
    if (log_.size() == 0) {
        text = tr("No samples in this log.");
    } else {
        const QString samples = log_.size() == 1
            ? tr("1 sample")
            : tr("%1 samples").arg(number_format::Format(static_cast<double>(log_.size()), QStringLiteral("##,##0")));
        text =
            tr("%1 from %2 to %3 (%4), %5")
                .arg(samples, log_.timeOfDay(0), log_.timeOfDay(log_.seconds.back()), duration(log_.seconds.back()),
                     log_.kind == logs::LogKind::Monitor ? tr("the monitor's log") : tr("the graphical tuner's log"));
        if (!log_.stamps.empty())
            text += QStringLiteral(", ")
                + logs::Counted(static_cast<long long>(log_.stamps.size()), tr("user time stamp"),
                                tr("user time stamps"));
        text += QLatin1Char('.');
    }
    if (!log_.rejected.empty())
        text += QLatin1Char(' ')
            + tr("%1 could not be read and skipped.")
                  .arg(logs::Counted(static_cast<long long>(log_.rejected.size()), tr("line"), tr("lines")));
    return text;
}

QString frmLogViewer::rangeText() const
{
    if (!filter_.range)
        return tr("Stretch: the whole log");
    return tr("Stretch: %1 to %2 (%3 s)")
        .arg(log_.timeOfDay(filter_.range->from, true), log_.timeOfDay(filter_.range->to, true))
        .arg(filter_.range->to - filter_.range->from, 0, 'f', 1);
}

// --- handlers --------------------------------------------------------------------

void frmLogViewer::lstChannels_Change()
{
    std::vector<Channel> shown;
    for (int i = 0; i < lstChannels_->count(); ++i) {
        const QListWidgetItem* item = lstChannels_->item(i);
        if (item->checkState() == Qt::Checked)
            shown.push_back(static_cast<Channel>(item->data(Qt::UserRole).toInt()));
    }
    strips_->setChannels(shown);
}

void frmLogViewer::Cursor_Move(std::size_t sample)
{
    if (log_.size() == 0) {
        lblCursorTime_->setText(QStringLiteral("-"));
        return;
    }
    lblCursorTime_->setText(log_.timeOfDay(log_.seconds[sample], true));
    for (const Channel c : logs::AllChannels()) {
        if (QLabel* label = lblReadout_[static_cast<int>(c)])
            label->setText(ValueText(log_, c, sample));
    }
}

void frmLogViewer::Filter_Change()
{
    filter_.range = strips_->selection();
    filter_.throttle = static_cast<logs::ThrottleBand>(cmbThrottle_->currentIndex());
    filter_.breakpointVolts = txtBreakpoint_->value();
    filter_.minRpm = txtMinRpm_->value();
    filter_.maxRpm = txtMaxRpm_->value();
    lblRange_->setText(rangeText());
    scatter_->setFilter(filter_);
    cellTable_ = logs::ComputeCellTable(log_, filter_);
    cellChart_->setTable(cellTable_);
    showCellTable();
    chkAutoTune_Click();
}

void frmLogViewer::chkAutoTune_Click()
{
    cmbAutoTuneTable_->setEnabled(chkAutoTune_->isChecked());
    txtAutoTuneTarget_->setEnabled(chkAutoTune_->isChecked());
    if (!chkAutoTune_->isChecked()) {
        scatter_->setSuggestion({}, {});
        lblAutoTune_->clear();
        return;
    }
    // The analysis takes the stretch alone and applies its own rejections;
    // the throttle and speed filters of the views are its rules' business.
    autotune::Settings settings;
    settings.table = cmbAutoTuneTable_->currentText().at(0).toLatin1();
    settings.target = txtAutoTuneTarget_->value();
    // Without a breakpoint typed in or taken from the unit the analysis keeps
    // its own default, as kestrel-cli and the tuner's dialog do.
    if (filter_.breakpointVolts > 0)
        settings.breakpointVolts = filter_.breakpointVolts;
    const logs::DataLog stretch = autotune::Stretch(log_, filter_.first(log_), filter_.end(log_));
    const autotune::Result result = autotune::Analyse({&stretch}, autotune::CellValues{}, settings);
    QList<QPointF> points;
    for (const autotune::SuggestionPoint& p : autotune::SuggestionPoints(result))
        points.append({p.volts, p.measured});
    scatter_->setSuggestion(points, tr("auto-tune %1: cell medians").arg(QLatin1Char(settings.table)));
    lblAutoTune_->setText(autotune::SuggestionSummary(result, settings));
}

void frmLogViewer::showCellTable()
{
    const QColor faint(140, 140, 140);
    for (int cell = 0; cell < tuner_cells::CellCount; ++cell) {
        const logs::CellStats& stats = cellTable_.cells[cell];
        const QStringList texts = logs::CellRowTexts(cellTable_, cell);
        for (int column = 0; column < texts.size(); ++column) {
            QTableWidgetItem* item = tblCells_->item(cell, column);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                tblCells_->setItem(cell, column, item);
            }
            item->setText(texts[column]);
            item->setForeground(stats.tooFew() ? QBrush(faint) : palette().text());
        }
    }
    lblWithoutReading_->setText(logs::CellTotalsText(cellTable_));
}

void frmLogViewer::cmdUnitBreakpoint_Click()
{
    if (mdlMain::ConnectionGuard())
        txtBreakpoint_->setValue(mdlPublicVars::WotBreakpointVolts);
}

void frmLogViewer::cmdWholeLog_Click()
{
    strips_->setSelection(std::nullopt);
}

void frmLogViewer::cmdSkippedLines_Click()
{
    services::dialogs().message(MsgIcon::Information, tr("Skipped Lines"),
                                tr("Lines of %1 that could not be read:\n").arg(QFileInfo(path_).fileName())
                                    + logs::SkippedLinesList(log_.rejected).join(QLatin1Char('\n')));
}
