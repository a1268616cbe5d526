#include "tuner/frmGraphicalTune.h"

#include "correction/ChangeGraph.h"
#include "link/Commands.h"
#include "link/RegisterMap.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/NumberFormat.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "tunefile/Backups.h"
#include "tuner/AutoTuneHandOff.h"
#include "tuner/CellSlider.h"
#include "tuner/GraphicalTuneShared.h"
#include "tuner/TableKinds.h"
#include "tuner/TunerCells.h"
#include "tuner/TunerClosing.h"
#include "tuner/TunerLinkLoss.h"
#include "tuner/TunerTableSave.h"
#include "tuner/TunerLive.h"
#include "tuner/TunerReadout.h"
#include "tuner/TunerSession.h"
#include "tuner/TunerSettings.h"
#include "tuner/TunerSettingsPanel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>

using namespace mdlPublicVars;
using namespace tuner;
using namespace graphical_tune;

frmGraphicalTune::frmGraphicalTune(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmGraphicalTune"));
    setWindowTitle(QStringLiteral("VentrixTM - GRAPHICAL TUNER"));
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    build(this);
    session_ = new TunerSession(this);
    cells_ = new TunerCells(*this, *session_, this,
                            {[this] {
                                 takeTableLetter(false);
                                 return tableLetter_;
                             },
                             [this] {
                                 Connected = false;
                                 connectionLost();
                             }});
    keys_ = new TunerKeys(*this, *cells_, *session_, this);
    readout_ = new TunerReadout(*this, *session_, this);
    linkLoss_ = new TunerLinkLoss(*this, *session_, *cells_, *readout_, this,
                                  {[this] { return tableLetter_; },
                                   [this] {
                                       sampling_->startHeartbeat();
                                       session_->startLive();
                                   }});
    saving_ = new TunerTableSave(*this, *session_, *cells_, this,
                                 {[this] { return selectedTable(); },
                                  [this](char letter) {
                                      tableLetter_ = letter;
                                      openLoopTable_ = TableKindAt(std::max(0, TableIndexOf(letter))).openLoop ? 1 : 0;
                                  },
                                  [this](int index) {
                                      // The written table's option, and what the unit now holds;
                                      // the history goes with the table it belongs to.
                                      {
                                          const QSignalBlocker quiet(options_[index]);
                                          options_[index]->setChecked(true);
                                      }
                                      if (index != shownTable_)
                                          cells_->dropHistory();
                                      LoadTable();
                                  }});
    closing_ = new TunerClosing(*this, *session_, *cells_, *readout_, *saving_, this);
    settings_ = new TunerSettingsPanel(*this, *session_, *cells_, this,
                                       {[this] { return selectedTable(); }, [this] { LoadTable(); }});
    autoTune_ = new AutoTuneHandOff(
        *cells_, *session_, graph_, this,
        {[this] { return settings_->resetOffset(); }, [this] { return TableKindAt(selectedTable()).letter; }});
    graph_->setTable(&cells_->table());
    live_ = new LiveTunePanel(*this, *cells_, *session_, *autoTune_, content_,
                              {[this] { return tableLetter_; }, [this] { return settings_->resetOffset(); }});

    sampling_ = new TunerSampling(*this, *session_, *cells_, *readout_, *live_, this,
                                  {[this] { return openLoopTable_ == 1; }, [this] { connectionLost(); }});
    connect(session_->timer(), &QTimer::timeout, this, &frmGraphicalTune::Timer1_Timer);
    for (int i = 0; i < TableKindCount; ++i)
        connect(options_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optTableSelect_Click(i);
        });
    connect(cmdLoadTable, &QPushButton::clicked, this, &frmGraphicalTune::cmdLoadTable_Click);
    connect(cmdSaveChanges, &QPushButton::clicked, this, &frmGraphicalTune::cmdSaveChanges_Click);
    connect(cmdONLINE, &QPushButton::clicked, this, &frmGraphicalTune::cmdONLINE_Click);
    connect(cmdOFFLINE, &QPushButton::clicked, this, &frmGraphicalTune::cmdOFFLINE_Click);
    connect(cmdDatalog, &QPushButton::clicked, this, &frmGraphicalTune::cmdDatalog_Click);
    connect(cmdLean, &QPushButton::clicked, this, &frmGraphicalTune::cmdLean_Click);
    connect(cmdRich, &QPushButton::clicked, this, &frmGraphicalTune::cmdRich_Click);
    connect(cmdZero, &QPushButton::clicked, this, &frmGraphicalTune::cmdZero_Click);
    connect(cmdQUIT, &QPushButton::clicked, this, &frmGraphicalTune::cmdQUIT_Click);
    connect(cmdAutoTune, &QPushButton::clicked, this, &frmGraphicalTune::cmdAutoTune_Click);
    connect(cmdUndo, &QPushButton::clicked, this, &frmGraphicalTune::cmdUndo_Click);
    connect(cmdRedo, &QPushButton::clicked, this, &frmGraphicalTune::cmdRedo_Click);
    connect(cells_, &TunerCells::historyChanged, this, &frmGraphicalTune::showHistory);
    const auto shortcut = [this](const QKeySequence& keys, void (frmGraphicalTune::*handler)()) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, handler);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), &frmGraphicalTune::cmdUndo_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &frmGraphicalTune::cmdRedo_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), &frmGraphicalTune::cmdRedo_Click);
    shortcut(QKeySequence(Qt::Key_F5), &frmGraphicalTune::SwitchMode);
    // The lists and bars act on the user's choices and moves only; the
    // program's own settings (the load, a refused compensation) write nothing.
    connect(cmbInjectors, &QComboBox::activated, this, &frmGraphicalTune::cmbInjectors_Click);
    connect(cmbEECInjectors, &QComboBox::activated, this, &frmGraphicalTune::cmbEECInjectors_Click);
    OnUserMove(HScroll1, this, [this] { HScroll1_Change(); });
    OnUserMove(HScroll2, this, [this] { HScroll2_Change(); });
    OnUserMove(HScroll3, this, [this] { HScroll3_Change(); });
    OnUserMove(HScroll4, this, [this] { HScroll4_Change(); });
}

frmGraphicalTune::~frmGraphicalTune()
{
    // No key reaches the log while the window goes.
    qApp->removeEventFilter(readout_);
}

QScrollBar* frmGraphicalTune::VScroll1(int cell) const
{
    return sliders_.at(cell);
}

QSize frmGraphicalTune::sizeHint() const
{
    return fittedSize(this, QWidget::sizeHint());
}

// --- opening and loading --------------------------------------------------------

int frmGraphicalTune::selectedTable() const
{
    for (int i = 0; i < TableKindCount; ++i)
        if (options_[i]->isChecked())
            return i;
    return 0;
}

void frmGraphicalTune::takeTableLetter(bool setOpenLoop)
{
    const TableKind& kind = TableKindAt(selectedTable());
    tableLetter_ = kind.letter;
    if (setOpenLoop)
        openLoopTable_ = kind.openLoop ? 1 : 0;
}

bool frmGraphicalTune::tell(MsgIcon icon, const QString& title, const QString& text)
{
    return session_->tell(icon, title, text);
}

void frmGraphicalTune::Form_Load()
{
    SetBusy(this, true);
    cells_->arm(false);
    cells_->setOffset(0);

    Indicate(txtWastedSpark, IgnitionTypeIs(WasteSparkIgnition));
    Indicate(txtRPMandWOT, RpmModeIs(RpmAndWotMode));

    for (QWidget* control :
         std::initializer_list<QWidget*>{options_[2], options_[3], HScroll2, HScroll3, txtRPMON, txtRPMOFF})
        control->setEnabled(IsPlusStage);
    if (IsPlusStage) {
        HScroll2->setValue(0);
        HScroll3->setValue(0);
        txtRPMON->setText(SwitchText(0));
        txtRPMOFF->setText(SwitchText(0));
    }

    takeTableLetter(true);

    settings_->fillInjectorLists();

    for (int i = 0; i <= LastCell; ++i) {
        captions_[i]->setText(CellCaption(i, 0));
        deltas_[i]->setText(WholeNumber(sliders_[i]->value()));
        deltas_[i]->setFrame(true);
    }
    LoadTable();
    // The cell cursor on cell 0, the keys going to the sliders.
    if (session_ && !session_->closing())
        keys_->focusCursor();
}

void frmGraphicalTune::loadFailed(const QString& text)
{
    if (tell(MsgIcon::Exclamation, ReadFailureTitle, text))
        SetBusy(this, false);
}

void frmGraphicalTune::LoadTable()
{
    cells_->arm(false);
    graph_->redrawAll();
    SetBusy(this, true);
    takeTableLetter(false);
    const char letter = tableLetter_;
    shownTable_ = selectedTable();
    loaded_ = tunefile::Tune();
    Table& table = cells_->table();

    for (int j = 0; j < TableSize; ++j) {
        SetProgress(static_cast<int>(std::lround(j / 255.0 * 100.0)));
        const std::optional<int> byte = session_->readEntry(letter, j);
        if (!byte) {
            loadFailed(QStringLiteral("Unable to load slider values from VentrixTM. Please try manual update."));
            return;
        }
        table[j] = static_cast<qint16>(DecodeEntry(*byte));
        loaded_.setValue({letter, j}, *byte);
        graph_->redrawEntry(j);
    }

    if (!settings_->load(loaded_, selectedTable()))
        return;

    SetBusy(this, false);
    cells_->placeSliders();
    cells_->showSelection();
    cells_->arm(true);
    cells_->markSaved();
    SetProgress(0);
}

bool frmGraphicalTune::mayDropTable()
{
    const bool unsaved = cells_->unsaved();
    if (!unsaved && cells_->history().empty())
        return true;
    const QString text = unsaved
        ? QStringLiteral("The table has off-line changes that are not saved.\r\nLoad the table from VentrixTM and "
                         "lose them?")
        : QStringLiteral("Loading the table ends the undo history of the one shown.\r\nLoad it anyway?");
    // The box runs its own event loop: the window may be closed meanwhile.
    QPointer<frmGraphicalTune> self(this);
    const MsgAnswer answer =
        services::dialogs().askBeforeWriting(MsgIcon::Question, QStringLiteral("Discard Changes?"), text);
    return self && !session_->closing() && answer == MsgAnswer::Yes;
}

void frmGraphicalTune::optTableSelect_Click(int index)
{
    if (index == shownTable_ && cells_->armed())
        return;
    if (!mayDropTable()) {
        // The option of the table still shown comes back.
        if (options_[shownTable_]) {
            const QSignalBlocker quiet(options_[shownTable_]);
            options_[shownTable_]->setChecked(true);
        }
        return;
    }
    cells_->dropHistory();
    LoadTable();
}

void frmGraphicalTune::cmdLoadTable_Click()
{
    // On line the table is what the unit holds: its history stays true.
    if (!session_->onLine()) {
        if (!mayDropTable())
            return;
        cells_->dropHistory();
    }
    LoadTable();
}

void frmGraphicalTune::cmdUndo_Click()
{
    cells_->undo();
}

void frmGraphicalTune::cmdRedo_Click()
{
    cells_->redo();
}

void frmGraphicalTune::showHistory()
{
    const EditHistory& history = cells_->history();
    const bool usable = !session_->lost() && !session_->closing();
    cmdUndo->setEnabled(usable && history.canUndo());
    cmdRedo->setEnabled(usable && history.canRedo());
    cmdUndo->setToolTip(history.canUndo() ? QStringLiteral("Undo %1 (Ctrl+Z)").arg(history.nextUndo().name)
                                          : QStringLiteral("Nothing to undo"));
    cmdRedo->setToolTip(history.canRedo() ? QStringLiteral("Redo %1 (Ctrl+Y)").arg(history.nextRedo().name)
                                          : QStringLiteral("Nothing to redo"));
}

void frmGraphicalTune::SwitchMode()
{
    if (!cmdONLINE->isHidden() && cmdONLINE->isEnabled())
        cmdONLINE_Click();
    else if (!cmdOFFLINE->isHidden() && cmdOFFLINE->isEnabled())
        cmdOFFLINE_Click();
}

// --- the sliders ----------------------------------------------------------------------

void frmGraphicalTune::VScroll1_Change(int cell)
{
    cells_->userMoved(cell);
}

void frmGraphicalTune::WriteSliderCell(int cell)
{
    cells_->writeSliderCell(cell);
}

// --- saving -------------------------------------------------------------------------

void frmGraphicalTune::cmdSaveChanges_Click()
{
    saving_->save();
}

int frmGraphicalTune::WriteWholeMap(const tunefile::Tune& held)
{
    return saving_->writeWholeMap(tableLetter_, held);
}

// --- on line and off line -------------------------------------------------------------

void frmGraphicalTune::cmdONLINE_Click()
{
    // Each box below runs its own event loop: the window may be closed meanwhile.
    QPointer<frmGraphicalTune> self(this);
    // Yes writes the breakpoint and switch points: Enter and Escape answer No.
    const MsgAnswer answer =
        services::dialogs().askBeforeWriting(MsgIcon::Question, QStringLiteral("Connect to VentrixTM"),
                                             QStringLiteral("Establish link to VentrixTM?\r\n") + OffLineWarning);
    if (!self || answer != MsgAnswer::Yes)
        return;

    session_->goOnLine();
    options_[0]->setEnabled(true);
    options_[1]->setEnabled(true);
    for (QWidget* control : std::initializer_list<QWidget*>{options_[2], options_[3]})
        control->setEnabled(IsPlusStage);
    if (IsPlusStage)
        for (QWidget* control : std::initializer_list<QWidget*>{HScroll2, HScroll3, txtRPMON})
            control->setEnabled(true);
    takeTableLetter(true);
    txtLoopMode->setEnabled(true);
    cmbInjectors->setEnabled(false);
    cmbEECInjectors->setEnabled(false);
    cmdONLINE->setEnabled(false);
    cmdONLINE->hide();
    cmdOFFLINE->setEnabled(true);
    cmdOFFLINE->show();
    cmdSaveChanges->setEnabled(false);

    // The settings shown go to the unit: the switch points (on plus units),
    // then the breakpoint; each refusal is told afterwards.
    if (!settings_->sendShown(IsPlusStage) || session_->closing())
        return;
    sampling_->startHeartbeat();

    LoadTable();
    if (!self || session_->closing() || session_->lost())
        return;
    // The table just read, so that on-line edits can be undone from the
    // backup list (the sliders are armed only once the load read it all).
    if (cells_->armed())
        tunefile::KeepAsBackup(loaded_);
    session_->startLive();
}

void frmGraphicalTune::cmdOFFLINE_Click()
{
    session_->goOffLine();
    live_->wentOffLine();
    options_[0]->setEnabled(true);
    options_[1]->setEnabled(true);
    cmbInjectors->setEnabled(true);
    cmbEECInjectors->setEnabled(true);
    sampling_->drop();
    readout_->clear();
    cmdOFFLINE->setEnabled(false);
    cmdOFFLINE->hide();
    cmdONLINE->setEnabled(true);
    cmdONLINE->show();
    cmdSaveChanges->setEnabled(true);

    tableLetter_ = selectedTable() == 0 ? cmd::OpenLoopTune1 : cmd::ClosedLoopTune1;
    openLoopTable_ = selectedTable() == 0 ? 1 : 0;
    cells_->clearActiveCell();
}

void frmGraphicalTune::Timer1_Timer()
{
    sampling_->tick();
}

void frmGraphicalTune::connectionLost()
{
    // The last sample's values stay on the greyed readouts.
    sampling_->flush();
    // The marked cell goes before the captions are redrawn, so that they
    // are all of one kind.
    linkLoss_->lost();
    live_->linkLost();
}

// --- the user's actions, handed on ----------------------------------------------------

void frmGraphicalTune::cmdDatalog_Click()
{
    readout_->toggle();
}
void frmGraphicalTune::UserTimestamp()
{
    readout_->stamp();
}
void frmGraphicalTune::cmbInjectors_Click()
{
    settings_->compensate(true);
}
void frmGraphicalTune::cmbEECInjectors_Click()
{
    settings_->compensate(false);
}
void frmGraphicalTune::cmdLean_Click()
{
    cells_->shiftAll(-ShiftStep);
}
void frmGraphicalTune::cmdRich_Click()
{
    cells_->shiftAll(ShiftStep);
}
void frmGraphicalTune::cmdZero_Click()
{
    cells_->zeroAll();
}
void frmGraphicalTune::HScroll1_Change()
{
    settings_->sendBreakpoint();
}
void frmGraphicalTune::HScroll2_Change()
{
    settings_->sendSwitchOn();
}
void frmGraphicalTune::HScroll3_Change()
{
    settings_->sendSwitchOff();
}
void frmGraphicalTune::HScroll4_Change()
{
    settings_->offsetMoved();
}
void frmGraphicalTune::cmdAutoTune_Click()
{
    autoTune_->start();
}

// --- closing -----------------------------------------------------------------------

void frmGraphicalTune::cmdQUIT_Click()
{
    closing_->quit();
}

void frmGraphicalTune::closeEvent(QCloseEvent* event)
{
    // Closed without QUIT (the program's exit): the log is closed with what
    // it holds and the main window still gets its commands back.
    if (!session_->closing())
        closing_->release();
    event->accept();
}
