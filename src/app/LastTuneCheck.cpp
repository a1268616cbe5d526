#include "app/LastTuneCheck.h"

#include "state/MainWindowServices.h"
#include "state/PublicVars.h"
#include "tunefile/ConnectCheck.h"

#include <utility>

LastTuneCheck::LastTuneCheck(std::function<void(const tunefile::Tune& seen)> compare) : compare_(std::move(compare))
{ }

void LastTuneCheck::run() const
{
    if (!mdlPublicVars::Connected || !mdlPublicVars::OffLineTunePath.isEmpty())
        return;
    const std::optional<connect_check::Check> check =
        connect_check::Run(QString::number(mdlPublicVars::CommPortNumber));
    if (!check || check->outcome.text.isEmpty())
        return;
    if (check->outcome.differing.isEmpty()) {
        mdlMain::ShowStatus(check->outcome.text);
        return;
    }
    // The unit is read whole only when the user asks for the comparison.
    const tunefile::Tune seen = connect_check::SeenTune(check->record);
    mdlMain::ShowStatusLink(check->outcome.text, QStringLiteral("Compare"),
                            [compare = compare_, seen] { compare(seen); });
}
