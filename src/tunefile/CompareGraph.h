#pragma once

#include "tunefile/Tune.h"

#include <QColor>
#include <QWidget>

#include <array>

// One correction table of two tunes on one graph, drawn as the tuner's
// change graph draws a table: the 256 entries along the MAF voltage axis on
// a black ground, the zero line, a grey grid of one column per slider cell
// and ten rows, lean above the zero line and rich below. The vertical scale
// zooms to the largest entry (10, 20, 50, 100 or 130 percent each way), so a
// change of a few percent shows. The first tune's
// entries are a line in SideColours[0], the second's in SideColours[1], and
// every entry where they differ has a red mark at the foot of the graph.
class CompareGraph final : public QWidget {
    Q_OBJECT
public:
    using Cells = std::array<std::optional<int>, tunefile::TableSize>;

    explicit CompareGraph(QWidget* parent = nullptr);

    // The two tunes' cells (bytes, absent where a tune lacks the entry).
    void setCells(const Cells& first, const Cells& second);

    // The entries where the two differ, in address order.
    QList<int> differingEntries() const;

    // Widget x of an entry, and widget y of a percent value.
    double entryX(int entry) const;
    double valueY(double percent) const;

    QSize sizeHint() const override { return {460, 120}; }
    QSize minimumSizeHint() const override { return {200, 80}; }

    static const QColor SideColours[2];

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Cells cells_[2];
    // The percent at the top (as lean) and bottom (as rich) of the grid.
    int span_ = 10;
};
