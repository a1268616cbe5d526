// The graphical tuner's AUTO-TUNE...: what the window does around the
// auto-tune dialog. The analysis itself is window-free (logs/AutoTune.h).
#include "tuner/frmGraphicalTune.h"

#include "platform/Services.h"
#include "state/PublicVars.h"
#include "correction/ChangeGraph.h"
#include "tuner/TableKinds.h"
#include "tuner/frmAutoTune.h"

#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

using namespace tuner;

frmAutoTune* frmGraphicalTune::AutoTuneWindow() const
{
    return autoTune_;
}

void frmGraphicalTune::cmdAutoTune_Click()
{
    QPointer<frmGraphicalTune> self(this);
    if (autoTune_) {
        autoTune_->raise();
        autoTune_->activateWindow();
        return;
    }
    // The analysis groups samples by the cells as they sit without an offset.
    if (sliderOffset_ != 0) {
        if (!tell(MsgIcon::Information, QStringLiteral("AUTO-TUNE"),
                  QStringLiteral("AUTO-TUNE works with the slider offset at 0. The offset is now set to 0.")))
            return;
        HScroll4->setValue(0);
        if (!self || closing_ || lost_ || sliderOffset_ != 0)
            return;
    }

    FileDialogRequest request;
    request.title = QStringLiteral("OPEN DATA LOG");
    request.filter = QStringLiteral("Text Files (*.txt);;All Files (*)");
    const QString path = services::dialogs().openFileName(request);
    if (!self || path.isEmpty() || closing_)
        return;

    frmAutoTune::Context context;
    context.table = TableKindAt(selectedTable()).letter;
    context.values = table_;
    context.breakpointVolts = mdlPublicVars::WotBreakpointVolts;
    context.eecInjectorSize = static_cast<int>(mdlPublicVars::EecInjectorSize);
    auto* dialog = new frmAutoTune(context, this);
    QString error;
    if (!dialog->addLog(path, &error)) {
        delete dialog;
        tell(MsgIcon::Exclamation, QStringLiteral("Data Log"), error);
        return;
    }
    autoTune_ = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The preview is the table as Apply will leave it.
    graph_->setPreview(autoTunePreview(dialog->result()));
    connect(dialog, &frmAutoTune::previewChanged, graph_,
            [this, dialog](const Table&) { graph_->setPreview(autoTunePreview(dialog->result())); });
    connect(dialog, &QDialog::finished, this, [this, dialog](int outcome) {
        graph_->setPreview(std::nullopt);
        // A copy: the dialog deletes itself while the sliders move.
        const autotune::Result result = dialog->result();
        if (outcome == QDialog::Accepted && !lost_ && !closing_)
            applyAutoTune(result);
    });
    // Below the change graph, so the preview stays in sight.
    const QPoint below = graph_->mapToGlobal(QPoint(0, graph_->height() + 4));
    dialog->move(below);
    if (const QScreen* screen = graph_->screen()) {
        const int room = screen->availableGeometry().bottom() - below.y();
        dialog->resize(dialog->width(), std::max(dialog->minimumSizeHint().height(), std::min(dialog->height(), room)));
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

std::optional<Table> frmGraphicalTune::autoTunePreview(const autotune::Result& result) const
{
    int moving = 0;
    const CellsMove move = MoveCells(table_, AmountsOf(result, &moving), sliderOffset_);
    Table preview = table_;
    for (const EntryWrite& write : move.writes)
        preview[write.address] = static_cast<qint16>(write.value);
    return preview;
}

void frmGraphicalTune::applyAutoTune(const autotune::Result& result)
{
    QPointer<frmGraphicalTune> self(this);
    int moving = 0;
    const CellAmounts amounts = AmountsOf(result, &moving);
    if (moving == 0 || globalEditRunning_)
        return;
    if (onLine_) {
        const MsgAnswer answer = services::dialogs().askBeforeWriting(
            MsgIcon::Question, QStringLiteral("AUTO-TUNE"),
            QStringLiteral("The suggested values of %1 of table %2 will be written to the unit now.\r\nApply them?")
                .arg(moving == 1 ? QStringLiteral("1 cell") : QStringLiteral("%1 cells").arg(moving))
                .arg(QLatin1Char(tableLetter_)));
        if (!self || answer != MsgAnswer::Yes || !onLine_ || lost_ || closing_)
            return;
    }
    // Each cell moves by its change and the entries between the cells by
    // changes on a line between theirs, so the detail between them is kept.
    moveCells(amounts, [&](const EntryWrite& beyond) {
        tell(MsgIcon::Exclamation, QStringLiteral("AUTO-TUNE"),
             QStringLiteral("Cannot apply the suggestion. ") + EntryBeyondText(beyond.address, beyond.value)
                 + QStringLiteral("\r\nNothing was changed."));
    });
}
