#pragma once

#include "tunefile/TuneFile.h"
#include "tunefile/frmTransferSplash.h"

#include <QPointer>

#include <functional>

class QProgressBar;

namespace tunefile {

// The menu commands' transactions: the window system's pending events run
// between the attempts of a request, so a unit that stops answering leaves
// the windows painted while its attempts run out (up to 50 s for a read)
// instead of freezing them. Once `stop` says so (a Cancel), nothing more is
// sent and the request fails.
Transact TransactKeepingWindowsAlive(std::function<bool()> stop = {});

// What a tune transfer shows while it runs: its progress window, the main
// window's progress bar and the busy pointers. When it ends, however it
// ends, the bar is back at 0, the window closed and the pointers arrows.
class TransferProgress {
public:
    TransferProgress();
    ~TransferProgress();
    TransferProgress(const TransferProgress&) = delete;
    TransferProgress& operator=(const TransferProgress&) = delete;

    // Shows the progress window without waiting, the bar at 0, hourglasses.
    void showSplash(frmTransferSplash::Kind kind);
    void closeSplash();
    void setBusy(bool busy);
    void setProgress(int handled);
    // The window's caption, for a second stage of one transfer.
    void setCaption(const QString& caption);
    // Cancel was pressed: the transfer stops before its next request.
    bool cancelled() const;
    // After each data line: the bar moves and the windows repaint.
    Progress advance();

private:
    QPointer<QProgressBar> bar_;
    QPointer<frmTransferSplash> splash_;
};

} // namespace tunefile
