// The log viewer on a long log: a drive of the given hours at 20 samples a
// second, written by the monitor's own writer. Prints how long the log takes
// to read, to open in its window (read, build, first picture), and to
// redraw the channels view after a zoom and a pan and the A/F view with
// every point; medians of several rounds. The views are Qt Charts charts.
// Where QCustomPlot's Qt 6 build is installed (Debian's libqcustomplot-dev)
// the same pictures are also drawn with it, for comparison.
//
//   build/bench/log_viewer_bench [hours] [--unthinned]
//
// --unthinned also hands Qt Charts every sample, as the views would without
// thinning: one strip's line and the A/F scatter (slow: a minute or more).
#include "logs/AirFuelScatterView.h"
#include "logs/CellChartView.h"
#include "logs/ChannelStripsView.h"
#include "logs/LogReader.h"
#include "logs/frmLogViewer.h"
#include "logs/PlotDecimation.h"
#include "logs/PlotScale.h"
#include "BenchLog.h"
#include "monitor/Datalog.h"

#ifdef KESTREL_BENCH_QCUSTOMPLOT
#include <qcustomplot.h>
#endif

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

using bench_log::SamplesPerSecond;

// A drive that visits every cell: cruising, stops and pulls to full throttle.
LiveSample sampleAt(int i)
{
    const double t = i / double(SamplesPerSecond);
    const double throttle = std::clamp(45 + 50 * std::sin(t / 17.0) + 10 * std::sin(t / 2.3), 0.0, 90.0);
    LiveSample s;
    s.ThrottleAngle = throttle;
    s.TPSVoltage = 0.5 + throttle / 25.04;
    s.MAFInputVoltage = std::clamp(0.6 + throttle / 90 * 4.2 + 0.05 * std::sin(t * 3), 0.0, 5.0);
    s.OutputVoltage = s.MAFInputVoltage * 1.03;
    s.VoltageChange = 3;
    s.InputFlow = 20 + throttle * 4;
    s.OutputFlow = s.InputFlow * 1.04;
    s.FlowChange = 4;
    s.AirFuelRatio = i % 97 == 0 ? 0.0f : static_cast<float>(14.7 - throttle / 30 + 0.3 * std::sin(t * 5));
    s.EngineSpeed = std::round((900 + throttle * 60) / 40) * 40;
    return s;
}

QString writeLog(const QString& path, double hours)
{
    return bench_log::WriteDriveLog(path, hours, QDateTime(QDate(2026, 3, 14), QTime(22, 30, 0)),
                                    sampleAt); // crosses midnight
}

template <typename View>
void paintOnce(View* view)
{
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    view->paintView(painter);
}

#ifdef KESTREL_BENCH_QCUSTOMPLOT
// The same pictures drawn with QCustomPlot: the five strips as stacked axis
// rectangles sharing the time range, every sample handed over (the library
// thins lines itself), and the A/F scatter as one graph per throttle band,
// first with every point, then with the points the Qt Charts view keeps.
// toPainter lays the plot out and draws every layer, as a replot does on the screen.
void paintPlot(QCustomPlot& plot)
{
    QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
    QCPPainter painter(&image);
    plot.toPainter(&painter, plot.width(), plot.height());
}

void compareQCustomPlot(const QString& path)
{
    using logs::Channel;
    std::printf("\n-- QCustomPlot %s (Qt 6), the same log --\n", QCUSTOMPLOT_VERSION_STR);
    std::unique_ptr<QCustomPlot> strips;
    const std::vector<Channel> shown = {Channel::MafIn, Channel::MafOut, Channel::AirFuel, Channel::ThrottleAngle,
                                        Channel::Rpm};
    logs::DataLog log;
    const double openMs = bench_log::MedianMs(5, [&] {
        log = std::move(*logs::ReadDataLog(path).log);
        strips = std::make_unique<QCustomPlot>();
        strips->resize(1010, 655);
        strips->plotLayout()->clear();
        QVector<double> t(log.seconds.begin(), log.seconds.end());
        QCPAxisRect* last = nullptr;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            auto* rect = new QCPAxisRect(strips.get());
            strips->plotLayout()->addElement(static_cast<int>(i), 0, rect);
            const std::vector<double>& column = log.column(shown[i]);
            QCPGraph* graph = strips->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            graph->setData(t, QVector<double>(column.begin(), column.end()), true);
            graph->rescaleValueAxis();
            rect->axis(QCPAxis::atBottom)->setRange(log.seconds.front(), log.seconds.back());
            if (last)
                QObject::connect(last->axis(QCPAxis::atBottom), qOverload<const QCPRange&>(&QCPAxis::rangeChanged),
                                 rect->axis(QCPAxis::atBottom), qOverload<const QCPRange&>(&QCPAxis::setRange));
            last = rect;
        }
        paintPlot(*strips);
    });
    std::printf("open (read, plot built, first picture): %8.1f ms\n", openMs);
    QCPAxis* time = strips->axisRect(0)->axis(QCPAxis::atBottom);
    const double whole = log.seconds.back();
    const double wholeMs = bench_log::MedianMs(9, [&] { paintPlot(*strips); });
    std::printf("view 1 redraw, whole log:             %8.1f ms\n", wholeMs);
    bool in = true;
    const double zoomMs = bench_log::MedianMs(9, [&] {
        time->scaleRange(in ? 0.8 : 1.25, whole / 2);
        in = !in;
        paintPlot(*strips);
    });
    std::printf("view 1 zoom + redraw:                 %8.1f ms\n", zoomMs);
    time->setRange(whole / 2, whole / 2 + 60);
    double shift = 5;
    const double panMs = bench_log::MedianMs(9, [&] {
        time->moveRange(shift);
        shift = -shift;
        paintPlot(*strips);
    });
    std::printf("view 1 pan + redraw (one minute):     %8.1f ms\n", panMs);

    QCustomPlot scatter;
    scatter.resize(1000, 600);
    const plot_scale::Range airFuel{10, 20};
    std::vector<plot_decimation::GroupedPoint> points;
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (!std::isnan(log.value(Channel::AirFuel, i)))
            points.push_back({log.value(Channel::MafIn, i), log.value(Channel::AirFuel, i),
                              plot_scale::ThrottleBand(log.value(Channel::ThrottleAngle, i))});
    }
    std::vector<QCPGraph*> bands;
    for (int band = 0; band < plot_scale::ThrottleBandCount; ++band) {
        QCPGraph* graph = scatter.addGraph();
        graph->setLineStyle(QCPGraph::lsNone);
        const QColor colour = plot_scale::ThrottleBandColour(band);
        graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, colour, colour, 3));
        bands.push_back(graph);
    }
    auto fill = [&](const std::vector<QList<QPointF>>& perBand) {
        for (std::size_t band = 0; band < bands.size(); ++band) {
            QVector<double> x, y;
            for (const QPointF& p : perBand[band]) {
                x << p.x();
                y << p.y();
            }
            bands[band]->setData(x, y);
        }
    };
    std::vector<QList<QPointF>> every(bands.size());
    for (const auto& p : points)
        every[static_cast<std::size_t>(p.group)].append(QPointF(p.x, p.y));
    fill(every);
    scatter.xAxis->setRange(0, 5);
    scatter.yAxis->setRange(airFuel.lo, airFuel.hi);
    const double everyMs = bench_log::MedianMs(5, [&] { paintPlot(scatter); });
    std::printf("view 2 redraw, %zu points, all drawn: %8.1f ms\n", points.size(), everyMs);
    const double thinMs = bench_log::MedianMs(9, [&] {
        fill(plot_decimation::ThinScatter(points, {0, 5, airFuel.lo, airFuel.hi, 450, 260},
                                          plot_scale::ThrottleBandCount));
        paintPlot(scatter);
    });
    std::printf("view 2 thinned as the Qt Charts view and redrawn: %8.1f ms\n", thinMs);
}
#endif

// Qt Charts handed every sample: one strip's MAF volts as a line, and the A/F
// scatter with every point (as light-marker points on a line series without
// a pen, Qt Charts' quickest way to draw many markers; a QScatterSeries
// makes an item per point and takes far longer still).
void unthinnedQtCharts(const logs::DataLog& log)
{
    using logs::Channel;
    std::printf("\n-- Qt Charts handed every sample (no thinning) --\n");
    auto render = [](QChartView& view) {
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        static_cast<QWidget&>(view).render(&painter);
    };
    {
        auto* chart = new QChart;
        chart->legend()->hide();
        auto* line = new QLineSeries;
        chart->addSeries(line);
        chart->createDefaultAxes();
        QChartView view(chart);
        view.resize(1012, 131);
        view.show();
        QCoreApplication::processEvents();
        QList<QPointF> points;
        for (std::size_t i = 0; i < log.size(); ++i)
            points.append(QPointF(log.seconds[i], log.value(Channel::MafIn, i)));
        QElapsedTimer timer;
        timer.start();
        line->replace(points);
        chart->axes(Qt::Horizontal).first()->setRange(log.seconds.front(), log.seconds.back());
        chart->axes(Qt::Vertical).first()->setRange(0, 5);
        render(view);
        std::printf("one strip, %lld points handed over and drawn: %8.1f ms\n", static_cast<long long>(points.size()),
                    timer.nsecsElapsed() / 1e6);
        const double whole = log.seconds.back();
        bool in = true;
        const double zoomMs = bench_log::MedianMs(5, [&] {
            chart->axes(Qt::Horizontal).first()->setRange(in ? whole * 0.1 : 0, in ? whole * 0.9 : whole);
            in = !in;
            render(view);
        });
        std::printf("one strip, zoom + redraw:             %8.1f ms\n", zoomMs);
    }
    {
        auto* chart = new QChart;
        chart->legend()->hide();
        auto* scatter = new QLineSeries;
        scatter->setPen(Qt::NoPen);
        scatter->setPointsVisible(true);
        QImage marker(3, 3, QImage::Format_ARGB32_Premultiplied);
        marker.fill(Qt::blue);
        scatter->setLightMarker(marker);
        scatter->setMarkerSize(3);
        chart->addSeries(scatter);
        chart->createDefaultAxes();
        chart->axes(Qt::Horizontal).first()->setRange(0, 5);
        chart->axes(Qt::Vertical).first()->setRange(10, 20);
        QChartView view(chart);
        view.resize(1012, 600);
        view.show();
        QCoreApplication::processEvents();
        QList<QPointF> points;
        for (std::size_t i = 0; i < log.size(); ++i) {
            if (!std::isnan(log.value(Channel::AirFuel, i)))
                points.append(QPointF(log.value(Channel::MafIn, i), log.value(Channel::AirFuel, i)));
        }
        QElapsedTimer timer;
        timer.start();
        scatter->replace(points);
        render(view);
        std::printf("A/F scatter, %lld points handed over and drawn: %8.1f ms\n", static_cast<long long>(points.size()),
                    timer.nsecsElapsed() / 1e6);
        const double redrawMs = bench_log::MedianMs(3, [&] { render(view); });
        std::printf("A/F scatter, redraw:                  %8.1f ms\n", redrawMs);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double hours = argc > 1 ? std::max(0.01, atof(argv[1])) : 2.0;
    const bool unthinned = argc > 2 && QByteArray(argv[2]) == "--unthinned";

    QTemporaryDir dir;
    const QString path = writeLog(dir.filePath("MON_Datalog.txt"), hours);
    std::printf("log: %.2f h at %d samples/s, %lld bytes\n", hours, SamplesPerSecond,
                static_cast<long long>(QFileInfo(path).size()));

    std::size_t samples = 0;
    const double readMs = bench_log::MedianMs(5, [&] { samples = logs::ReadDataLog(path).log->size(); });
    std::printf("samples read: %zu\n", samples);
    std::printf("read the log:                         %8.1f ms\n", readMs);

    // Opening: read, build the window, draw the first view.
    frmLogViewer* window = nullptr;
    const double openMs = bench_log::MedianMs(5, [&] {
        delete window;
        logs::ReadResult read = logs::ReadDataLog(path);
        window = new frmLogViewer(std::move(*read.log), path);
        window->resize(1280, 800);
        window->show();
        QCoreApplication::processEvents();
        paintOnce(window->strips());
    });
    std::printf("open (read, window, first picture):   %8.1f ms\n", openMs);

    ChannelStripsView* strips = window->strips();
    std::printf("channels view: %dx%d, %zu strips\n", strips->width(), strips->height(), strips->channels().size());
    const double whole = strips->visibleTo();
    const double wholeMs = bench_log::MedianMs(9, [&] { paintOnce(strips); });
    std::printf("view 1 redraw, whole log:             %8.1f ms\n", wholeMs);
    bool in = true;
    const double zoomMs = bench_log::MedianMs(9, [&] {
        strips->zoom(in ? 0.8 : 1.25, whole / 2);
        in = !in;
        paintOnce(strips);
    });
    std::printf("view 1 zoom + redraw (about %.0f min): %8.1f ms\n", whole * 0.8 / 60, zoomMs);
    const double zoomOnlyMs = bench_log::MedianMs(9, [&] {
        strips->zoom(in ? 0.8 : 1.25, whole / 2);
        in = !in;
    });
    std::printf("  of which the charts' update:        %8.1f ms (%d points to the charts)\n", zoomOnlyMs,
                strips->pointsShown());
    strips->setVisibleRange(whole / 2, whole / 2 + 60);
    double shift = 5;
    const double panMs = bench_log::MedianMs(9, [&] {
        strips->setVisibleRange(strips->visibleFrom() + shift, strips->visibleTo() + shift);
        shift = -shift;
        paintOnce(strips);
    });
    std::printf("view 1 pan + redraw (one minute):     %8.1f ms\n", panMs);
    const auto all = logs::AllChannels();
    strips->setChannels({all.begin(), all.end()});
    strips->showWholeLog();
    const double allMs = bench_log::MedianMs(9, [&] { paintOnce(strips); });
    std::printf("view 1 redraw, whole log, %zu strips: %8.1f ms\n", strips->channels().size(), allMs);

    window->tabViews()->setCurrentIndex(1);
    QCoreApplication::processEvents();
    AirFuelScatterView* scatter = window->scatter();
    const double scatterMs = bench_log::MedianMs(9, [&] { paintOnce(scatter); });
    std::printf("view 2 redraw, %d points (%d to the chart): %8.1f ms\n", scatter->pointsDrawn(),
                scatter->pointsHanded(), scatterMs);
    const logs::SampleFilter filter = window->filter();
    const double rethinMs = bench_log::MedianMs(9, [&] {
        scatter->setFilter(filter);
        paintOnce(scatter);
    });
    std::printf("view 2 every point again and redraw:  %8.1f ms\n", rethinMs);

    const double filterMs = bench_log::MedianMs(9, [&] { window->Filter_Change(); });
    std::printf("filter change (cells recounted):      %8.1f ms\n", filterMs);
    if (unthinned)
        unthinnedQtCharts(window->log());
#ifdef KESTREL_BENCH_QCUSTOMPLOT
    compareQCustomPlot(path);
#else
    std::printf("QCustomPlot (Qt 6 build) not installed: no comparison\n");
#endif
    delete window;
    return 0;
}
