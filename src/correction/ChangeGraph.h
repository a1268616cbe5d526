#pragma once

#include "correction/CorrectionCells.h"

#include <QWidget>

#include <optional>

// The change graph above the sliders: every entry of the table as a filled
// circle, red below zero and green at or above it, on a black ground with
// the zero line and a grey grid of one column per slider cell and ten rows.
// Drawn from the window's table whenever the window system asks, so it is
// right after any resize or uncovering; a changed entry repaints only its
// own narrow strip.
//
// Graph units: entry j sits at x = 40 j + 200 - offset, y = 100 + value, so
// cell i's column is x = 320 + 400 i to 720 + 400 i whatever the offset, and
// y runs downwards like the sliders (lean above the zero line, rich below).
class ChangeGraph final : public QWidget {
    Q_OBJECT
public:
    // The units the widget's width spans: the 25 cell columns, with room for
    // the entries beyond the first and last cell at either end.
    static constexpr double UnitsWide = 10640.0;
    static constexpr double ColumnStart = 320.0;
    static constexpr double ColumnWidth = 400.0;

    explicit ChangeGraph(QWidget* parent = nullptr);

    // The table drawn (owned by the window) and the slider offset.
    void setTable(const tuner::Table* table);
    void setSliderOffset(int offset);

    // A table to compare with, such as an auto-tune suggestion: drawn as a
    // yellow line through its entries with a ring at each cell's entry, over
    // the table's circles. None to draw no preview.
    void setPreview(const std::optional<tuner::Table>& preview);
    const std::optional<tuner::Table>& preview() const { return preview_; }

    // Repaints everything, or just the strip of entry j.
    void redrawAll();
    void redrawEntry(int entry);

    // Draws the part of the graph inside `area` (widget pixels).
    void paintArea(QPainter& painter, const QRect& area) const;

    // Widget x of a graph x, and the strip entry j is drawn in.
    double pixelX(double unitsX) const;
    QRect entryStrip(int entry) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double unitsX(int entry) const;
    double pixelY(double unitsY) const;
    double radius() const;

    void paintPreview(QPainter& painter) const;

    const tuner::Table* table_ = nullptr;
    int offset_ = 0;
    std::optional<tuner::Table> preview_;
};
