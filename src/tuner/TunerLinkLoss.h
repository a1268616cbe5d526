#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

struct GraphicalTuneControls;
class TunerCells;
class TunerReadout;
class TunerSession;
class QLabel;
class QPushButton;
class QWidget;

// The graphical tuner on line through a lost link: the status line and its
// Cancel along the bottom, everything but QUIT (and a running log's STOP)
// held off while the unit is looked for, and once it answers again the
// writes the loss caught settled first, then the unit's table read again
// and compared with the window's (the user decides which copy stays when
// they differ) before the live display goes on.
class TunerLinkLoss final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<char()> tableLetter; // the table the sliders show
        std::function<void()> resumed;     // the unit is back and the table settled
    };
    TunerLinkLoss(GraphicalTuneControls& controls, TunerSession& session, TunerCells& cells, TunerReadout& readout,
                  QWidget* window, Hooks hooks);

    // The link is gone: nothing shown looks live, only QUIT is left, and
    // the session looks for the unit.
    void lost();

private:
    void buildStatus();
    void back();
    // The unit's table compared with the window's; false when the link went again.
    bool reconcileTable();

    GraphicalTuneControls& c_;
    TunerSession& session_;
    TunerCells& cells_;
    TunerReadout& readout_;
    QWidget* window_;
    Hooks hooks_;
    QLabel* status_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QList<QPointer<QWidget>> disabledAtLoss_;
};
