#include "tuner/frmAutoTune.h"

#include "correction/AirFuelFormula.h"
#include "logs/LogReader.h"
#include "platform/Dialogs.h"
#include "platform/NumberFormat.h"
#include "platform/Services.h"
#include "tuner/TableKinds.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int CellCount = tuner_cells::CellCount;

enum Column {
    LockColumn,
    VoltsColumn,
    SamplesColumn,
    MedianColumn,
    ErrorColumn,
    CurrentColumn,
    SuggestedColumn,
    NoteColumn,
    ColumnCount
};

const QString ClosedLoopWhy = QStringLiteral(
    "Closed-loop samples are left out unless you switch them on: the engine computer's own trims pull the "
    "mixture back to 14.7 there, so such a log says little about the table. A closed-loop table can only be "
    "tuned with them on.");

QString fixed(double value, const char* pattern)
{
    return number_format::Format(value, QLatin1String(pattern));
}

QTableWidgetItem* readOnly(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

frmAutoTune::frmAutoTune(const Context& context, QWidget* parent) : QDialog(parent), context_(context)
{
    setObjectName(QStringLiteral("frmAutoTune"));
    setWindowTitle(QStringLiteral("AUTO-TUNE - TABLE %1").arg(QLatin1Char(context.table)));
    settings_.table = context.table;
    settings_.target = autotune::DefaultTarget(context.table);
    settings_.breakpointVolts = context.breakpointVolts;
    settings_.eecInjectorSize = context.eecInjectorSize;
    preview_ = context.values;
    buildLayout();
    analyse();
}

void frmAutoTune::buildLayout()
{
    auto* outer = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto* logsBox = new QGroupBox(QStringLiteral("DATA LOGS"), this);
    auto* logsLayout = new QVBoxLayout(logsBox);
    lstLogs_ = new QListWidget(logsBox);
    lstLogs_->setObjectName(QStringLiteral("lstLogs"));
    lstLogs_->setMaximumHeight(90);
    cmdAddLog_ = new QPushButton(QStringLiteral("ADD LOG..."), logsBox);
    cmdAddLog_->setObjectName(QStringLiteral("cmdAddLog"));
    logsLayout->addWidget(lstLogs_);
    logsLayout->addWidget(cmdAddLog_, 0, Qt::AlignLeft);
    top->addWidget(logsBox, 2);

    auto* settingsBox = new QGroupBox(QStringLiteral("SETTINGS"), this);
    auto* form = new QFormLayout(settingsBox);
    txtTarget_ = new QLineEdit(fixed(settings_.target, "#0.0"), settingsBox);
    txtTarget_->setObjectName(QStringLiteral("txtTarget"));
    form->addRow(QStringLiteral("TARGET A/F [:1]"), txtTarget_);
    txtBreakpoint_ = new QLineEdit(fixed(settings_.breakpointVolts, "0.000"), settingsBox);
    txtBreakpoint_->setObjectName(QStringLiteral("txtBreakpoint"));
    form->addRow(QStringLiteral("W.O.T. BREAKPOINT [volts]"), txtBreakpoint_);
    txtLag_ = new QLineEdit(settingsBox);
    txtLag_->setObjectName(QStringLiteral("txtLag"));
    txtLag_->setPlaceholderText(QStringLiteral("from the logs"));
    txtLag_->setToolTip(QStringLiteral("How long after the fuel was metered the wideband reads it, 0 to 3 s. Leave "
                                       "it empty to time it from the logs' throttle tip-ins and lift-offs."));
    form->addRow(QStringLiteral("WIDEBAND DELAY [s]"), txtLag_);
    lblLag_ = new QLabel(settingsBox);
    lblLag_->setObjectName(QStringLiteral("lblLag"));
    lblLag_->setWordWrap(true);
    form->addRow(lblLag_);
    spnCap_ = new QSpinBox(settingsBox);
    spnCap_->setObjectName(QStringLiteral("spnCap"));
    spnCap_->setRange(1, 100);
    spnCap_->setValue(settings_.capPoints);
    form->addRow(QStringLiteral("MOST CHANGE PER PASS [%]"), spnCap_);
    chkSplit_ =
        new QCheckBox(QStringLiteral("Split samples by throttle (open loop above the breakpoint)"), settingsBox);
    chkSplit_->setObjectName(QStringLiteral("chkSplit"));
    chkSplit_->setChecked(true);
    form->addRow(chkSplit_);
    chkClosedLoop_ = new QCheckBox(QStringLiteral("Use closed-loop samples"), settingsBox);
    chkClosedLoop_->setObjectName(QStringLiteral("chkClosedLoop"));
    chkClosedLoop_->setToolTip(ClosedLoopWhy);
    form->addRow(chkClosedLoop_);
    auto* why = new QLabel(ClosedLoopWhy, settingsBox);
    why->setObjectName(QStringLiteral("lblClosedLoopWhy"));
    why->setWordWrap(true);
    form->addRow(why);
    chkSmoothing_ = new QCheckBox(QStringLiteral("Smooth over neighbouring cells"), settingsBox);
    chkSmoothing_->setObjectName(QStringLiteral("chkSmoothing"));
    form->addRow(chkSmoothing_);
    top->addWidget(settingsBox, 3);
    outer->addLayout(top);

    lblAssumption_ = new QLabel(this);
    lblAssumption_->setObjectName(QStringLiteral("lblAssumption"));
    lblAssumption_->setWordWrap(true);
    outer->addWidget(lblAssumption_);

    tblCells_ = new QTableWidget(CellCount, ColumnCount, this);
    tblCells_->setObjectName(QStringLiteral("tblCells"));
    tblCells_->setHorizontalHeaderLabels({QStringLiteral("LOCK"), QStringLiteral("VOLTS"), QStringLiteral("SAMPLES"),
                                          QStringLiteral("MEDIAN A/F"), QStringLiteral("ERROR %"),
                                          QStringLiteral("CURRENT"), QStringLiteral("SUGGESTED"), QString()});
    QStringList rows;
    for (int i = 0; i < CellCount; ++i)
        rows << tuner::CellCaption(i, 0);
    tblCells_->setVerticalHeaderLabels(rows);
    tblCells_->verticalHeader()->setToolTip(QStringLiteral("Click a cell's caption to lock or unlock it"));
    tblCells_->verticalHeader()->setDefaultSectionSize(20);
    tblCells_->setColumnHidden(VoltsColumn, true); // the row's caption says it
    for (int i = 0; i < CellCount; ++i) {
        auto* lock = new QTableWidgetItem;
        lock->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        lock->setCheckState(Qt::Unchecked);
        tblCells_->setItem(i, LockColumn, lock);
    }
    tblCells_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tblCells_->horizontalHeader()->setStretchLastSection(true);
    tblCells_->setMinimumHeight(160);
    outer->addWidget(tblCells_, 1);

    lblSummary_ = new QLabel(this);
    lblSummary_->setObjectName(QStringLiteral("lblSummary"));
    outer->addWidget(lblSummary_);
    lblRejections_ = new QLabel(this);
    lblRejections_->setObjectName(QStringLiteral("lblRejections"));
    lblRejections_->setWordWrap(true);
    outer->addWidget(lblRejections_);

    auto* buttons = new QHBoxLayout;
    cmdApply_ = new QPushButton(QStringLiteral("APPLY"), this);
    cmdApply_->setObjectName(QStringLiteral("cmdApply"));
    cmdCancel_ = new QPushButton(QStringLiteral("CANCEL"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addStretch();
    buttons->addWidget(cmdApply_);
    buttons->addWidget(cmdCancel_);
    outer->addLayout(buttons);
    resize(720, 760);

    connect(cmdAddLog_, &QPushButton::clicked, this, &frmAutoTune::cmdAddLog_Click);
    connect(cmdApply_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(txtTarget_, &QLineEdit::editingFinished, this, &frmAutoTune::analyse);
    connect(txtBreakpoint_, &QLineEdit::editingFinished, this, &frmAutoTune::analyse);
    connect(txtLag_, &QLineEdit::editingFinished, this, &frmAutoTune::analyse);
    connect(spnCap_, &QSpinBox::valueChanged, this, &frmAutoTune::analyse);
    for (QCheckBox* box : {chkSplit_, chkClosedLoop_, chkSmoothing_})
        connect(box, &QCheckBox::toggled, this, &frmAutoTune::analyse);
    connect(tblCells_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!showing_ && item->column() == LockColumn)
            analyse();
    });
    connect(tblCells_->verticalHeader(), &QHeaderView::sectionClicked, this,
            [this](int row) { setLocked(row, tblCells_->item(row, LockColumn)->checkState() != Qt::Checked); });
}

void frmAutoTune::setLocked(int cell, bool locked)
{
    if (cell >= 0 && cell < CellCount)
        tblCells_->item(cell, LockColumn)->setCheckState(locked ? Qt::Checked : Qt::Unchecked);
}

bool frmAutoTune::addLog(const QString& path, QString* error)
{
    logs::ReadResult read = logs::ReadDataLog(path);
    if (!read.log) {
        if (error)
            *error = read.error;
        return false;
    }
    logs_.push_back(std::move(*read.log));
    lstLogs_->addItem(
        QStringLiteral("%1 (%2)").arg(QFileInfo(path).fileName(),
                                      logs::Counted(static_cast<long long>(logs_.back().size()),
                                                    QStringLiteral("sample"), QStringLiteral("samples"))));
    analyse();
    return true;
}

void frmAutoTune::cmdAddLog_Click()
{
    FileDialogRequest request;
    request.title = QStringLiteral("OPEN DATA LOG");
    request.filter = QStringLiteral("Text Files (*.txt);;All Files (*)");
    const QString path = services::dialogs().openFileName(request);
    if (path.isEmpty())
        return;
    QString error;
    if (!addLog(path, &error))
        services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Data Log"), error);
}

bool frmAutoTune::readSettings()
{
    settings_.target = number_format::LeadingNumber(txtTarget_->text());
    const QString lag = txtLag_->text().trimmed();
    bool lagOk = true;
    settings_.lagSeconds.reset();
    if (!lag.isEmpty()) {
        double seconds = QLocale().toDouble(lag, &lagOk);
        if (!lagOk)
            seconds = QLocale::c().toDouble(lag, &lagOk);
        lagOk = lagOk && seconds >= 0 && seconds <= autotune::MaximumLagSeconds;
        if (lagOk)
            settings_.lagSeconds = seconds;
    }
    settings_.breakpointVolts = number_format::LeadingNumber(txtBreakpoint_->text());
    settings_.capPoints = spnCap_->value();
    settings_.splitByThrottle = chkSplit_->isChecked();
    settings_.useClosedLoop = chkClosedLoop_->isChecked();
    settings_.smoothing = chkSmoothing_->isChecked();
    for (int i = 0; i < CellCount; ++i)
        settings_.locked[i] = tblCells_->item(i, LockColumn)->checkState() == Qt::Checked;
    return lagOk;
}

void frmAutoTune::analyse()
{
    const bool lagOk = readSettings();
    const bool targetOk = settings_.target > 10.0 && settings_.target < 20.0;
    if (targetOk && lagOk) {
        std::vector<const logs::DataLog*> pointers;
        for (const logs::DataLog& log : logs_)
            pointers.push_back(&log);
        result_ = autotune::Analyse(pointers, autotune::CellValuesOf(context_.values), settings_);
    } else {
        // Nothing is suggested for a target the wideband cannot read, nor
        // with a delay that is no delay.
        result_ = autotune::Analyse({}, autotune::CellValuesOf(context_.values), settings_);
    }
    preview_ = autotune::SuggestedTable(context_.values, result_);
    showResult();
    if (!targetOk || !lagOk)
        lblLag_->clear();
    if (!targetOk)
        lblSummary_->setText(QStringLiteral("The target A/F must lie between 10 and 20."));
    else if (!lagOk)
        lblSummary_->setText(QStringLiteral("The wideband delay must be a number of seconds from 0 to 3, or empty to "
                                            "time it from the logs."));
    emit previewChanged(preview_);
}

void frmAutoTune::showResult()
{
    showing_ = true;
    int changed = 0;
    for (int i = 0; i < CellCount; ++i) {
        const autotune::CellResult& cell = result_.cells[i];
        tblCells_->setItem(i, VoltsColumn, readOnly(fixed(tuner_cells::CellCaptionVolts(i), "0.00")));
        tblCells_->setItem(i, SamplesColumn, readOnly(QString::number(cell.samples)));
        tblCells_->setItem(i, MedianColumn,
                           readOnly(cell.samples ? fixed(cell.measured, "#0.00") : QStringLiteral("-")));
        tblCells_->setItem(i, ErrorColumn,
                           readOnly(cell.samples ? fixed(cell.errorPercent, "##0.0") : QStringLiteral("-")));
        tblCells_->setItem(i, CurrentColumn, readOnly(QString::number(cell.current)));
        tblCells_->setItem(i, SuggestedColumn, readOnly(QString::number(cell.suggested)));
        QStringList notes;
        if (cell.change != 0)
            notes << (cell.change > 0 ? QStringLiteral("+%1 richer").arg(cell.change)
                                      : QStringLiteral("%1 leaner").arg(cell.change));
        if (const QString why = autotune::CellNote(cell); !why.isEmpty())
            notes << why;
        const QString note = notes.join(QStringLiteral(", "));
        auto* noteItem = readOnly(note);
        noteItem->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        tblCells_->setItem(i, NoteColumn, noteItem);
        changed += cell.change != 0;
    }
    showing_ = false;

    QString assumption = autotune::AssumptionText(settings_);
    if (!autotune::IsOpenLoopTable(settings_.table) && !settings_.useClosedLoop)
        assumption += QStringLiteral(" Closed-loop samples are off: switch them on to tune this table.");
    lblAssumption_->setText(assumption);
    lblLag_->setText(autotune::LagText(result_.lag));
    lblSummary_->setText(QStringLiteral("%1 used of %2; %3 to change. Corrections for %4 lb/hr EEC injectors.")
                             .arg(logs::Counted(result_.accepted, QStringLiteral("sample"), QStringLiteral("samples")))
                             .arg(result_.samples)
                             .arg(logs::Counted(changed, QStringLiteral("cell"), QStringLiteral("cells")))
                             .arg(fixed(air_fuel::ScalingInjectorSize(settings_.eecInjectorSize), "#0")));
    QStringList reasons;
    for (int r = 0; r < autotune::RejectionCount; ++r)
        if (result_.rejected[r] > 0)
            reasons << QStringLiteral("%1: %2")
                           .arg(autotune::RejectionText(static_cast<autotune::Rejection>(r)))
                           .arg(result_.rejected[r]);
    lblRejections_->setText(reasons.isEmpty()
                                ? QStringLiteral("Rejected: none.")
                                : QStringLiteral("Rejected: ") + reasons.join(QStringLiteral("; ")) + '.');
    cmdApply_->setEnabled(changed > 0);
}
