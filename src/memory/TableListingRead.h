#pragma once

#include <QString>

#include <functional>

// A whole table read from the unit into the table viewer: the viewer opens
// with the listing's heading and takes each cell's line as it is read, the
// window system running between two cells. The memory window starts it and
// shows the outcome.
namespace cells {

enum class ListingEnd {
    Complete,
    Failed,     // the unit stopped answering: the viewer keeps what came, its File menu back
    WindowGone, // the window that asked closed meanwhile: nothing more is touched
    ViewerGone, // the viewer closed meanwhile
};

struct ListingRequest {
    char table = 'O';
    double ratio = 1.0;         // the calibration of the transfer function's values
    QString calibrationCaption; // the calibration the heading names
    // After each cell read, before its line is listed (the traffic fields).
    std::function<void()> afterRead;
    // After the window system ran: whether the asking window is still there.
    std::function<bool()> windowAlive;
};

ListingEnd ListTableInViewer(const ListingRequest& request);

} // namespace cells
