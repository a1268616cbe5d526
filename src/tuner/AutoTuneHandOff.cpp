#include "tuner/AutoTuneHandOff.h"

#include "correction/ChangeGraph.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "tuner/TableEditing.h"
#include "tuner/TunerCells.h"
#include "tuner/TunerSession.h"
#include "tuner/frmAutoTune.h"

#include <QScreen>

using namespace tuner;

AutoTuneHandOff::AutoTuneHandOff(TunerCells& cells, TunerSession& session, ChangeGraph* graph, QWidget* window,
                                 Hooks hooks)
    : QObject(window), cells_(cells), session_(session), graph_(graph), window_(window), hooks_(std::move(hooks))
{ }

frmAutoTune* AutoTuneHandOff::dialog() const
{
    return dialog_;
}

void AutoTuneHandOff::start()
{
    if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    // The analysis groups samples by the cells as they sit without an offset.
    if (cells_.offset() != 0) {
        if (!session_.tell(MsgIcon::Information, QStringLiteral("AUTO-TUNE"),
                           QStringLiteral("AUTO-TUNE works with the slider offset at 0. The offset is now set to 0.")))
            return;
        if (!hooks_.resetOffset())
            return;
    }

    FileDialogRequest request;
    request.title = QStringLiteral("OPEN DATA LOG");
    request.filter = QStringLiteral("Text Files (*.txt);;All Files (*)");
    // The file dialog runs its own event loop: the tuner may be closed meanwhile.
    QPointer<AutoTuneHandOff> self(this);
    const QString path = services::dialogs().openFileName(request);
    if (!self || path.isEmpty() || session_.closing())
        return;

    frmAutoTune::Context context;
    context.table = hooks_.tableLetter();
    context.values = cells_.table();
    context.breakpointVolts = mdlPublicVars::WotBreakpointVolts;
    context.eecInjectorSize = static_cast<int>(mdlPublicVars::EecInjectorSize);
    auto* dialog = new frmAutoTune(context, window_);
    QString error;
    if (!dialog->addLog(path, &error)) {
        delete dialog;
        session_.tell(MsgIcon::Exclamation, QStringLiteral("Data Log"), error);
        return;
    }
    dialog_ = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The preview is the table as Apply will leave it.
    graph_->setPreview(preview(dialog->result()));
    connect(dialog, &frmAutoTune::previewChanged, graph_,
            [this, dialog](const Table&) { graph_->setPreview(preview(dialog->result())); });
    connect(dialog, &QDialog::finished, this, [this, dialog](int outcome) {
        graph_->setPreview(std::nullopt);
        // A copy: the dialog deletes itself while the sliders move.
        const autotune::Result result = dialog->result();
        emit settingsChosen(dialog->settings());
        if (outcome == QDialog::Accepted && !session_.lost() && !session_.closing())
            apply(result);
    });
    // Below the change graph, so the preview stays in sight, as far as the
    // screen allows: wholly on it (title bar and frame included), no larger.
    const QPoint below = graph_->mapToGlobal(QPoint(0, graph_->height() + 4));
    if (const QScreen* screen = graph_->screen()) {
        const QRect room = screen->availableGeometry().adjusted(FrameSide, FrameTop, -FrameSide, -FrameSide);
        const QSize wanted(dialog->width(), std::max(dialog->minimumSizeHint().height(), dialog->height()));
        const QRect near(below, QSize(graph_->width(), wanted.height()));
        dialog->setGeometry(PlaceNear(wanted, near, room));
    } else {
        dialog->move(below);
    }
    // Window-modal: the sliders stay as the suggestion found them until it is
    // applied or cancelled; on line the live display keeps running.
    dialog->open();
}

namespace {

// What each cell moves by: the suggested change of every cell the analysis
// has a suggestion for, nothing for the others.
CellAmounts AmountsOf(const autotune::Result& result, int* moving)
{
    CellAmounts amounts{};
    *moving = 0;
    for (int i = 0; i < CellCount; ++i) {
        const autotune::CellResult& cell = result.cells[i];
        if (cell.outcome == autotune::CellOutcome::Suggested && cell.change != 0) {
            amounts[i] = cell.change;
            ++*moving;
        }
    }
    return amounts;
}

} // namespace

std::optional<Table> AutoTuneHandOff::preview(const autotune::Result& result) const
{
    int moving = 0;
    const CellsMove move = MoveCells(cells_.table(), AmountsOf(result, &moving), cells_.offset());
    Table preview = cells_.table();
    for (const EntryWrite& write : move.writes)
        preview[write.address] = static_cast<qint16>(write.value);
    return preview;
}

void AutoTuneHandOff::apply(const autotune::Result& result)
{
    int moving = 0;
    const CellAmounts amounts = AmountsOf(result, &moving);
    if (moving == 0 || cells_.editRunning())
        return;
    if (session_.onLine()) {
        // The question runs its own event loop: the tuner may be closed meanwhile.
        QPointer<AutoTuneHandOff> self(this);
        const MsgAnswer answer = services::dialogs().askBeforeWriting(
            MsgIcon::Question, QStringLiteral("AUTO-TUNE"),
            QStringLiteral("The suggested values of %1 of table %2 will be written to the unit now.\r\nApply them?")
                .arg(moving == 1 ? QStringLiteral("1 cell") : QStringLiteral("%1 cells").arg(moving))
                .arg(QLatin1Char(hooks_.tableLetter())));
        if (!self || answer != MsgAnswer::Yes || !session_.onLine() || session_.lost() || session_.closing())
            return;
    }
    // Each cell moves by its change and the entries between the cells by
    // changes on a line between theirs, so the detail between them is kept.
    cells_.moveCells(
        amounts,
        [&](const EntryWrite& beyond) {
            session_.tell(MsgIcon::Exclamation, QStringLiteral("AUTO-TUNE"),
                          QStringLiteral("Cannot apply the suggestion. ")
                              + EntryBeyondText(beyond.address, beyond.value)
                              + QStringLiteral("\r\nNothing was changed."));
        },
        QStringLiteral("AUTO-TUNE"));
}
