#include "tunefile/frmCompareTunes.h"

#include "memory/TableListing.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/MainWindowServices.h"
#include "tunefile/Backups.h"
#include "tunefile/CompareGraph.h"
#include "tunefile/TuneCopy.h"
#include "tunefile/TuneDifferences.h"
#include "tunefile/TuneTransfer.h"
#include "tunefile/UnitCopyReport.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

using namespace tunefile;

const QString SideNames[frmCompareTunes::SideCount] = {QStringLiteral("A"), QStringLiteral("B")};
const QString CopyFailureTitle = QStringLiteral("Copy Failure");

void tell(MsgIcon icon, const QString& title, const QString& text)
{
    services::dialogs().message(icon, title, text);
}

QString tableCaption(char table)
{
    return cells::ListingHeading(table, {}) + QStringLiteral(" (") + QLatin1Char(table) + QLatin1Char(')');
}

// A read-only grid whose values fit their columns and whose wide column
// (the volts or the meaning) takes the room left.
QTableWidget* table(QWidget* parent, const char* name, const QStringList& headings, int wideColumn)
{
    auto* grid = new QTableWidget(0, static_cast<int>(headings.size()), parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setHorizontalHeaderLabels(headings);
    grid->verticalHeader()->setVisible(false);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grid->horizontalHeader()->setSectionResizeMode(wideColumn, QHeaderView::Stretch);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->setWordWrap(false);
    return grid;
}

void setRow(QTableWidget* grid, int row, const QStringList& texts, bool bold = false)
{
    for (int column = 0; column < texts.size(); ++column) {
        auto* item = new QTableWidgetItem(texts.at(column));
        // A narrow window cuts long texts short; the whole text is at hand.
        item->setToolTip(texts.at(column));
        if (bold) {
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
        }
        grid->setItem(row, column, item);
    }
}

QString entriesDiffer(int count)
{
    if (count == 0)
        return QStringLiteral("the same");
    return count == 1 ? QStringLiteral("1 entry differs") : QStringLiteral("%1 entries differ").arg(count);
}

// While the window talks to the unit the windows are repainted between
// requests, so its controls are shut out and it refuses to close: a second
// click would start a second conversation, a close would pull the window
// from under the one running.
class UnitConversation {
public:
    UnitConversation(QWidget& window, bool& busy) : window_(window), busy_(busy)
    {
        busy_ = true;
        window_.setEnabled(false);
    }
    ~UnitConversation()
    {
        busy_ = false;
        window_.setEnabled(true);
    }
    UnitConversation(const UnitConversation&) = delete;
    UnitConversation& operator=(const UnitConversation&) = delete;

private:
    QWidget& window_;
    bool& busy_;
};

} // namespace

frmCompareTunes::frmCompareTunes(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmCompareTunes"));
    setWindowTitle(QStringLiteral("Compare Tunes"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildSides());
    layout->addWidget(buildGraphs(), 1);
    layout->addWidget(buildLists(), 1);
    layout->addWidget(buildCopyRow());
    showComparison();
}

QWidget* frmCompareTunes::buildSides()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int side = 0; side < SideCount; ++side) {
        const QString index = QString::number(side);
        auto* source = new QLabel(box);
        source->setObjectName(QStringLiteral("lblSource_") + index);
        source->setTextFormat(Qt::PlainText);
        QPalette palette = source->palette();
        palette.setColor(QPalette::WindowText, CompareGraph::SideColours[side].darker(side == 0 ? 150 : 130));
        source->setPalette(palette);
        QFont bold = source->font();
        bold.setBold(true);
        source->setFont(bold);
        lblSource_[side] = source;

        auto* open = new QPushButton(QStringLiteral("Open File &%1...").arg(SideNames[side]), box);
        open->setObjectName(QStringLiteral("cmdOpenFile_") + index);
        open->setToolTip(QStringLiteral("Compare a tune file as %1").arg(SideNames[side]));
        connect(open, &QPushButton::clicked, this, [this, side] { cmdOpenFile_Click(side); });
        cmdOpenFile_[side] = open;

        auto* unit = new QPushButton(QStringLiteral("Read Unit as %1").arg(SideNames[side]), box);
        unit->setObjectName(QStringLiteral("cmdReadUnit_") + index);
        unit->setToolTip(QStringLiteral("Read the connected unit's whole tune, as an export reads it"));
        connect(unit, &QPushButton::clicked, this, [this, side] { cmdReadUnit_Click(side); });
        cmdReadUnit_[side] = unit;

        grid->addWidget(open, side, 0);
        grid->addWidget(unit, side, 1);
        grid->addWidget(source, side, 2);
    }
    grid->setColumnStretch(2, 1);
    return box;
}

QWidget* frmCompareTunes::buildGraphs()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int t = 0; t < TableCount; ++t) {
        auto* frame = new QGroupBox(box);
        frame->setObjectName(QStringLiteral("fraTable_%1").arg(t));
        auto* inner = new QVBoxLayout(frame);
        inner->setContentsMargins(4, 4, 4, 4);
        auto* graph = new CompareGraph(frame);
        graph->setObjectName(QStringLiteral("pctCompareGraph_%1").arg(t));
        inner->addWidget(graph);
        tableFrames_[t] = frame;
        graphs_[t] = graph;
        grid->addWidget(frame, t / 2, t % 2);
    }
    return box;
}

// The two lists share one place, each with the window's whole width: the
// registers' meanings and values are long.
QWidget* frmCompareTunes::buildLists()
{
    tabLists_ = new QTabWidget(this);
    tabLists_->setObjectName(QStringLiteral("tabLists"));

    lstDifferences_ = table(tabLists_, "lstDifferences",
                            {QStringLiteral("Table"), QStringLiteral("Address"), QStringLiteral("MAF volts / register"),
                             QStringLiteral("A"), QStringLiteral("B")},
                            2);
    tabLists_->addTab(lstDifferences_, QStringLiteral("&Differences"));

    auto* registers = new QWidget(tabLists_);
    auto* column = new QVBoxLayout(registers);
    chkOnlyDifferences_ = new QCheckBox(QStringLiteral("&Only differences"), registers);
    chkOnlyDifferences_->setObjectName(QStringLiteral("chkOnlyDifferences"));
    connect(chkOnlyDifferences_, &QCheckBox::clicked, this, [this] { chkOnlyDifferences_Click(); });
    column->addWidget(chkOnlyDifferences_);
    grdRegisters_ =
        table(registers, "grdRegisters", {QStringLiteral("Register"), QStringLiteral("A"), QStringLiteral("B")}, 0);
    grdRegisters_->setRowCount(RegisterCount);
    column->addWidget(grdRegisters_);
    tabLists_->addTab(registers, QStringLiteral("&Registers"));
    return tabLists_;
}

QWidget* frmCompareTunes::buildCopyRow()
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("Copy table:"), box));
    cmbCopyTable_ = new QComboBox(box);
    cmbCopyTable_->setObjectName(QStringLiteral("cmbCopyTable"));
    for (const char letter : TableLetters)
        cmbCopyTable_->addItem(tableCaption(letter), QChar::fromLatin1(letter));
    row->addWidget(cmbCopyTable_);
    cmdCopyToB_ = new QPushButton(QStringLiteral("A's table to B  >>"), box);
    cmdCopyToB_->setObjectName(QStringLiteral("cmdCopyToB"));
    connect(cmdCopyToB_, &QPushButton::clicked, this, [this] { cmdCopyToB_Click(); });
    row->addWidget(cmdCopyToB_);
    cmdCopyToA_ = new QPushButton(QStringLiteral("<<  B's table to A"), box);
    cmdCopyToA_->setObjectName(QStringLiteral("cmdCopyToA"));
    connect(cmdCopyToA_, &QPushButton::clicked, this, [this] { cmdCopyToA_Click(); });
    row->addWidget(cmdCopyToA_);
    lblStatus_ = new QLabel(box);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setTextFormat(Qt::PlainText);
    row->addWidget(lblStatus_, 1);
    auto* quit = new QPushButton(QStringLiteral("QUIT"), box);
    quit->setObjectName(QStringLiteral("cmdQUIT"));
    connect(quit, &QPushButton::clicked, this, [this] { cmdQUIT_Click(); });
    row->addWidget(quit);
    return box;
}

void frmCompareTunes::setTune(int side, const Tune& tune)
{
    tunes_.at(side) = tune;
    showComparison();
}

QString frmCompareTunes::sourceText(int side) const
{
    const QString name = SideNames[side] + QStringLiteral(": ");
    const std::optional<Tune>& tune = tunes_.at(side);
    if (!tune)
        return name + QStringLiteral("no tune yet (open a tune file or read the unit)");
    switch (tune->origin.kind) {
    case TuneOrigin::Kind::File:
    case TuneOrigin::Kind::Backup:
        return name + QFileInfo(tune->origin.path).fileName() + QStringLiteral(" (") + tune->stamp + QLatin1Char(')');
    case TuneOrigin::Kind::Unit:
        if (!tune->origin.path.isEmpty())
            return name
                + QStringLiteral("%1 open off line, read at %2")
                      .arg(QFileInfo(tune->origin.path).fileName(),
                           tune->origin.when.toString(QStringLiteral("HH:mm:ss")));
        return name
            + QStringLiteral("the connected unit (port %1), read at %2")
                  .arg(tune->origin.port, tune->origin.when.toString(QStringLiteral("HH:mm:ss")));
    case TuneOrigin::Kind::None:
        break;
    }
    return name + tune->stamp;
}

char frmCompareTunes::copyTable() const
{
    return cmbCopyTable_->currentData().toChar().toLatin1();
}

void frmCompareTunes::showComparison()
{
    const bool both = tunes_[0] && tunes_[1];
    for (int side = 0; side < SideCount; ++side) {
        lblSource_[side]->setText(sourceText(side));
        lblSource_[side]->setToolTip(tunes_[side] ? QDir::toNativeSeparators(tunes_[side]->origin.path) : QString());
    }

    const Tune none;
    const Tune& a = tunes_[0] ? *tunes_[0] : none;
    const Tune& b = tunes_[1] ? *tunes_[1] : none;
    const QList<Difference> differences = both ? Differences(a, b) : QList<Difference>();
    for (int t = 0; t < TableCount; ++t) {
        const char letter = TableLetters[t];
        graphs_[t]->setCells(a.table(letter), b.table(letter));
        tableFrames_[t]->setTitle(both ? tableCaption(letter) + QStringLiteral(": ")
                                          + entriesDiffer(TableDifferenceCount(differences, letter))
                                       : tableCaption(letter));
    }

    const QList<DifferenceRow> rows = both ? DifferenceRows(a, b) : QList<DifferenceRow>();
    tabLists_->setTabText(0,
                          both ? QStringLiteral("&Differences (%1)").arg(rows.size()) : QStringLiteral("&Differences"));
    lstDifferences_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const DifferenceRow& row = rows.at(r);
        setRow(lstDifferences_, r, {row.table, row.address, row.where, row.left, row.right});
    }
    showRegisters();

    const auto copyable = [this](int to) {
        const std::optional<Tune>& target = tunes_[to];
        return target
            && (target->origin.kind == TuneOrigin::Kind::File || target->origin.kind == TuneOrigin::Kind::Unit);
    };
    cmdCopyToB_->setEnabled(both && copyable(1));
    cmdCopyToA_->setEnabled(both && copyable(0));
    cmbCopyTable_->setEnabled(both);
    if (both)
        lblStatus_->setText(rows.isEmpty()
                                ? QStringLiteral("A and B hold the same entries.")
                                : QStringLiteral("%1 (registers: %2).")
                                      .arg(entriesDiffer(static_cast<int>(rows.size())),
                                           QString::number(TableDifferenceCount(differences, RegisterLetter))));
    else
        lblStatus_->clear();
}

void frmCompareTunes::showRegisters()
{
    const Tune none;
    const Tune& a = tunes_[0] ? *tunes_[0] : none;
    const Tune& b = tunes_[1] ? *tunes_[1] : none;
    const bool both = tunes_[0] && tunes_[1];
    for (int reg = 0; reg < RegisterCount; ++reg) {
        const Entry entry{RegisterLetter, reg};
        const bool differs = both && a.value(entry) != b.value(entry);
        const QString meaning = RegisterMeaning(reg);
        setRow(grdRegisters_, reg,
               {meaning.isEmpty() ? EntryName(entry) : EntryName(entry) + QStringLiteral("  ") + meaning,
                tunes_[0] ? RegisterValueText(a, reg) : QString(), tunes_[1] ? RegisterValueText(b, reg) : QString()},
               differs);
        grdRegisters_->setRowHidden(reg, chkOnlyDifferences_->isChecked() && !differs);
    }
}

// --- handlers ------------------------------------------------------------------

void frmCompareTunes::cmdOpenFile_Click(int side)
{
    FileDialogRequest request;
    request.title = QStringLiteral("COMPARE TUNES: ") + SideNames[side];
    request.filter = QStringLiteral("Ventrix Tune Files (*.tun)");
    const QString path = services::dialogs().openFileName(request);
    if (path.isEmpty())
        return;
    const LoadedTune loaded = LoadTuneFile(path);
    if (!loaded.tune) {
        tell(MsgIcon::Exclamation, QStringLiteral("Compare Failure"), loaded.error);
        return;
    }
    setTune(side, *loaded.tune);
}

void frmCompareTunes::cmdReadUnit_Click(int side)
{
    if (talkingToUnit_ || unitInUse())
        return;
    std::optional<Tune> tune;
    {
        const UnitConversation talking(*this, talkingToUnit_);
        tune = ReadUnitTune();
    }
    if (tune)
        setTune(side, *tune);
}

void frmCompareTunes::chkOnlyDifferences_Click()
{
    showRegisters();
}

void frmCompareTunes::cmdCopyToB_Click()
{
    copyTable(0, 1);
}

void frmCompareTunes::cmdCopyToA_Click()
{
    copyTable(1, 0);
}

void frmCompareTunes::cmdQUIT_Click()
{
    mdlMain::UnloadChild(this);
}

void frmCompareTunes::closeEvent(QCloseEvent* event)
{
    if (talkingToUnit_)
        event->ignore();
    else
        QWidget::closeEvent(event);
}

// --- copying a table -------------------------------------------------------------

bool frmCompareTunes::unitInUse() const
{
    // A device window, a transfer or the port search shuts out the Tune
    // menu while it talks to the unit.
    if (!mdlMain::MainWindow() || mdlMain::IsControlEnabled(QStringLiteral("mnuMemory")))
        return false;
    tell(MsgIcon::Exclamation, QStringLiteral("Unit In Use"),
         QStringLiteral("Another window is talking to the unit. Close it and try again."));
    return true;
}

void frmCompareTunes::copyTable(int from, int to)
{
    if (!tunes_[from] || !tunes_[to])
        return;
    const char letter = copyTable();
    if (TableLines(*tunes_[from], letter).lines.isEmpty()) {
        tell(MsgIcon::Exclamation, CopyFailureTitle,
             QStringLiteral("Tune %1 holds no entry of table %2: there is nothing to copy.")
                 .arg(SideNames[from], QString(QLatin1Char(letter))));
        return;
    }
    if (tunes_[to]->origin.kind == TuneOrigin::Kind::Unit)
        copyIntoUnit(from, to, letter);
    else
        copyIntoFile(from, to, letter);
}

void frmCompareTunes::copyIntoFile(int from, int to, char letter)
{
    Tune& target = *tunes_[to];
    QString error;
    if (!CopyTableIntoFile(*tunes_[from], letter, target, &error)) {
        tell(MsgIcon::Exclamation, CopyFailureTitle,
             QStringLiteral("Table %1 could not be saved into the file:\n%2\n%3")
                 .arg(QString(QLatin1Char(letter)), QDir::toNativeSeparators(target.origin.path), error));
        return;
    }
    // The same file open on the other side holds the same tune now.
    const std::optional<Tune>& other = tunes_[from];
    if (other->origin.kind == TuneOrigin::Kind::File && other->origin.path == target.origin.path)
        tunes_[from] = target;
    showComparison();
    lblStatus_->setText(
        QStringLiteral("Table %1 copied from %2 into %3.")
            .arg(QString(QLatin1Char(letter)), SideNames[from], QFileInfo(target.origin.path).fileName()));
}

void frmCompareTunes::copyIntoUnit(int from, int to, char letter)
{
    if (talkingToUnit_ || !mdlMain::ConnectionGuard() || unitInUse())
        return;
    const FileLines lines = TableLines(*tunes_[from], letter);
    const QString table{QLatin1Char(letter)};
    // Off line the "unit" is the tune file opened in its place: say which.
    const QString& offLinePath = tunes_[to]->origin.path;
    const QString where = offLinePath.isEmpty()
        ? QStringLiteral("the unit")
        : QStringLiteral("the tune open off line (%1)").arg(QFileInfo(offLinePath).fileName());
    if (services::dialogs().askBeforeWriting(
            MsgIcon::Exclamation, QStringLiteral("WARNING"),
            QStringLiteral("Copying table %1 will OVERWRITE %2 entries in %3.\nWould you like to continue?")
                .arg(table)
                .arg(lines.lines.size())
                .arg(where))
        != MsgAnswer::Yes)
        return;
    if (!BackUpUnitBeforeOverwrite())
        return;

    UnitCopyResult result;
    const int steps = 2 * static_cast<int>(lines.lines.size());
    {
        const UnitConversation talking(*this, talkingToUnit_);
        RunLockedTransfer([&](const Transact& transact, const Progress& progress) {
            // The bar counts the writes and the read-back as one run.
            result = CopyTableToUnit(transact, lines, [&](int handled) { progress(handled * DataLineCount / steps); });
        });
    }
    ApplyUnitCopy(*tunes_[to], lines, result);
    showComparison();

    const QString failure = UnitCopyFailureText(letter, lines, result);
    if (!failure.isEmpty()) {
        tell(MsgIcon::Exclamation, CopyFailureTitle, failure);
        return;
    }
    lblStatus_->setText(UnitCopyDoneText(letter, lines, where));
}
