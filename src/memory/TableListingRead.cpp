#include "memory/TableListingRead.h"

#include "memory/CellAccess.h"
#include "memory/CellConversions.h"
#include "memory/TableListing.h"
#include "memory/frmTableRead.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "state/MainWindowServices.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>

namespace cells {

ListingEnd ListTableInViewer(const ListingRequest& request)
{
    const char table = request.table;
    frmTableRead* viewer = frmTableRead::Load();
    viewer->Show();
    viewer->setFileMenuEnabled(false);
    viewer->CommonDialog1().defaultName = ListingFileName(table);
    viewer->setText(ListingHeader(table, services::clock().currentDateTime(), request.calibrationCaption));
    viewer->setBold(true);
    mdlMain::SetBusyPointer(true);
    viewer->setCursor(Qt::WaitCursor);

    QPointer<frmTableRead> shown(viewer);
    bool windowGone = false;
    bool viewerGone = false;
    const int listed = ReadTableBytes(table, [&](int cell, int byte) {
        if (request.afterRead)
            request.afterRead();
        viewer->appendText(ListingLine(table, cell, byte, request.ratio) + LineEnd);

        // The listing shows as it grows, and the windows can close between two cells.
        QCoreApplication::processEvents();
        windowGone = request.windowAlive && !request.windowAlive();
        viewerGone = !shown || shown->isClosing();
        return !windowGone && !viewerGone;
    });
    if (windowGone || viewerGone) {
        // The read ends here: nothing more is sent and neither closed
        // window is touched; only the main window gets its pointer back.
        mdlMain::SetBusyPointer(false);
        return windowGone ? ListingEnd::WindowGone : ListingEnd::ViewerGone;
    }
    viewer->setFileMenuEnabled(true);
    mdlMain::SetBusyPointer(false);
    viewer->unsetCursor();
    return listed < CellCount ? ListingEnd::Failed : ListingEnd::Complete;
}

} // namespace cells
