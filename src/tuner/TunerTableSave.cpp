#include "tuner/TunerTableSave.h"

#include "platform/FrozenControls.h"
#include "platform/Services.h"
#include "state/PublicVars.h"
#include "tunefile/Backups.h"
#include "tunefile/TuneTransfer.h"
#include "tunefile/frmTableSaveSelection.h"
#include "tuner/GraphicalTuneControls.h"
#include "tuner/GraphicalTuneShared.h"
#include "tuner/MapWrite.h"
#include "tuner/TableKinds.h"
#include "tuner/TunerCells.h"
#include "tuner/TunerSession.h"

#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>

#include <cmath>
#include <utility>

using namespace mdlPublicVars;
using namespace tuner;
using namespace graphical_tune;

TunerTableSave::TunerTableSave(GraphicalTuneControls& controls, TunerSession& session, TunerCells& cells,
                               QWidget* window, Hooks hooks)
    : QObject(window), c_(controls), session_(session), cells_(cells), window_(window), hooks_(std::move(hooks))
{ }

void TunerTableSave::save()
{
    // The choice and the backup run their own event loops: the window may be closed meanwhile.
    QPointer<QWidget> self(window_);
    // While the choice is open the table shown and the mode stay as they are.
    FrozenControls frozen{c_.cmdONLINE,   c_.cmdSaveChanges, c_.cmdLoadTable, c_.options_[0],
                          c_.options_[1], c_.options_[2],    c_.options_[3]};
    const TuneSelection choice = askForTune();
    if (!self || session_.closing() || choice.cancelled || choice.letter.size() != 1)
        return;

    // What the unit holds is kept before the table overwrites it (the tune
    // opened off line is its own copy); a failed backup the user does not
    // overlook leaves the unit as it is. The controls stay frozen meanwhile.
    tunefile::Tune held;
    const bool backedUp = tunefile::BackUpUnitBeforeOverwrite(&held);
    if (!self || session_.closing())
        return;
    frozen.thaw();
    if (!backedUp)
        return;
    const char letter = choice.letter.at(0).toLatin1();
    hooks_.chosen(letter);
    SetBusy(window_, true);
    const int result = writeWholeMap(letter, held);
    SetBusy(window_, false);
    if (!self)
        return;
    const bool told = result ? session_.tell(MsgIcon::Exclamation, QStringLiteral("Write Successful!"),
                                             QStringLiteral("Map write successful."))
                             : session_.tell(MsgIcon::Exclamation, WriteFailureTitle,
                                             QStringLiteral("Failed to update map. Please try again."));
    if (!told)
        return;
    SetProgress(0);
    // A failed write keeps the edits, so that the save can be tried again.
    if (result)
        hooks_.written(std::max(0, TableIndexOf(letter)));
}

TuneSelection TunerTableSave::askForTune()
{
    TuneSelectionCancelled = false;
    TuneSelectionPending = true;
    auto* window = new frmTableSaveSelection(mdlMain::MainWindow());
    window->Form_Load(hooks_.tableIndex());
    // Beside SAVE TABLE, wholly on the screen.
    QPushButton* saveButton = c_.cmdSaveChanges;
    const QRect button(saveButton->mapToGlobal(QPoint(0, 0)), saveButton->size());
    if (const QScreen* screen = saveButton->screen()) {
        const QRect room = screen->availableGeometry().adjusted(FrameSide, FrameTop, -FrameSide, -FrameSide);
        const QSize size = window->size();
        const QRect beside(QPoint(button.right() + 1, button.center().y() - size.height() / 2), size);
        window->setGeometry(PlaceNear(size, beside, room));
    }
    window->show();
    window->raise();
    window->activateWindow();
    WaitForTuneSelection(window);
    return {TuneSelectionCancelled, SelectedTuneLetter};
}

int TunerTableSave::writeWholeMap(char letter, const tunefile::Tune& held)
{
    MapSettings settings;
    settings.wotBreakpointVolts = WotBreakpointVolts;
    settings.installedInjectorSize = InstalledInjectorSize;
    settings.eecInjectorSize = EecInjectorSize;
    settings.switchOnRpm = c_.HScroll2->value();
    settings.switchOffRpm = c_.HScroll3->value();
    const MapWriteResult result = session_.writeWholeMap(letter, cells_.table(), settings, [](int entry) {
        SetProgress(static_cast<int>(std::lround(entry / 255.0 * 100.0)));
    });
    switch (result) {
    case MapWriteResult::Written: {
        // What the unit holds now: the backup just taken, with what was written.
        tunefile::Tune written = held;
        for (const MapEntryWrite& write : MapWrites(letter, cells_.table(), settings))
            written.setValue({write.table, write.address}, write.byte);
        tunefile::RememberWholeTune(tune_history::Source::SaveTable, written);
        return 1;
    }
    case MapWriteResult::SwitchOnFailed:
        session_.tell(MsgIcon::Exclamation, WriteFailureTitle, SwitchOnFailedText);
        return 0;
    case MapWriteResult::SwitchOffFailed:
        session_.tell(MsgIcon::Exclamation, WriteFailureTitle, SwitchOffFailedText);
        return 0;
    case MapWriteResult::Failed:
        break;
    }
    return 0;
}

void TunerTableSave::cancelChoice()
{
    if (QMainWindow* main = mdlMain::MainWindow())
        if (auto* selection = main->findChild<frmTableSaveSelection*>())
            selection->close();
}
