#include "tunefile/frmTuneHistory.h"

#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "platform/TextFileSave.h"
#include "state/MainWindowServices.h"
#include "tunefile/TuneTransfer.h"
#include "tunefile/frmCompareTunes.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

using tune_history::Record;

enum Column { Number, Time, Source, Port, Fingerprint, Label, Note, ColumnCount };

const QStringList ColumnNames = {
    QStringLiteral("No."),         QStringLiteral("Time"), QStringLiteral("Source"), QStringLiteral("Port or file"),
    QStringLiteral("Fingerprint"), QStringLiteral("Car"),  QStringLiteral("Note")};

const QString Title = QStringLiteral("Tune History");

// The parts a restore can write, as the list offers them.
const std::pair<const char*, char> Parts[] = {{"Whole tune", '\0'}, {"Table O", 'O'}, {"Table C", 'C'},
                                              {"Table H", 'H'},     {"Table L", 'L'}, {"Registers", 'T'}};

QString timeText(const Record& record)
{
    return record.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// How the compare window names a record's side.
tunefile::Tune comparable(const Record& record, int number)
{
    tunefile::Tune tune = record.tune;
    tune.origin = {};
    tune.stamp = QStringLiteral("history record %1, %2 %3")
                     .arg(number)
                     .arg(timeText(record), tune_history::SourceName(record.source));
    if (!record.note.isEmpty())
        tune.stamp += QStringLiteral(", \"%1\"").arg(record.note);
    return tune;
}

void tell(MsgIcon icon, const QString& text)
{
    services::dialogs().message(icon, Title, text);
}

} // namespace

frmTuneHistory::frmTuneHistory(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmTuneHistory"));
    setWindowTitle(Title);
    setAttribute(Qt::WA_DeleteOnClose);
    buildLayout();
    refresh();
}

void frmTuneHistory::buildLayout()
{
    txtHistorySearch_ = new QLineEdit(this);
    txtHistorySearch_->setObjectName(QStringLiteral("txtHistorySearch"));
    txtHistorySearch_->setPlaceholderText(QStringLiteral("Search notes and cars"));
    connect(txtHistorySearch_, &QLineEdit::textChanged, this, &frmTuneHistory::txtHistorySearch_Change);

    grdHistory_ = new QTableWidget(0, ColumnCount, this);
    grdHistory_->setObjectName(QStringLiteral("grdHistory"));
    grdHistory_->setHorizontalHeaderLabels(ColumnNames);
    grdHistory_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdHistory_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grdHistory_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    grdHistory_->verticalHeader()->hide();
    grdHistory_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grdHistory_->horizontalHeader()->setStretchLastSection(true);
    connect(grdHistory_, &QTableWidget::itemChanged, this, &frmTuneHistory::grdHistory_ItemChanged);

    lblHistoryEmpty_ = new QLabel(this);
    lblHistoryEmpty_->setObjectName(QStringLiteral("lblHistoryEmpty"));
    lblHistoryEmpty_->setWordWrap(true);

    cboRestorePart_ = new QComboBox(this);
    cboRestorePart_->setObjectName(QStringLiteral("cboRestorePart"));
    for (const auto& [name, part] : Parts)
        cboRestorePart_->addItem(QString::fromLatin1(name), QChar(QLatin1Char(part)));

    const auto button = [this](const char* name, const QString& caption, void (frmTuneHistory::*handler)()) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    cmdCompareRecords_ =
        button("cmdCompareRecords", QStringLiteral("COMPARE TWO"), &frmTuneHistory::cmdCompareRecords_Click);
    cmdRestoreToUnit_ =
        button("cmdRestoreToUnit", QStringLiteral("RESTORE TO UNIT"), &frmTuneHistory::cmdRestoreToUnit_Click);
    cmdRestoreToFile_ =
        button("cmdRestoreToFile", QStringLiteral("RESTORE TO FILE"), &frmTuneHistory::cmdRestoreToFile_Click);
    cmdQUIT_ = button("cmdQUIT", QStringLiteral("QUIT"), &frmTuneHistory::cmdQUIT_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdCompareRecords_);
    buttons->addStretch();
    buttons->addWidget(new QLabel(QStringLiteral("Restore:"), this));
    buttons->addWidget(cboRestorePart_);
    buttons->addWidget(cmdRestoreToUnit_);
    buttons->addWidget(cmdRestoreToFile_);
    buttons->addStretch();
    buttons->addWidget(cmdQUIT_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtHistorySearch_);
    layout->addWidget(grdHistory_);
    layout->addWidget(lblHistoryEmpty_);
    layout->addLayout(buttons);
    resize(900, 420);
}

void frmTuneHistory::refresh()
{
    tune_history::History history;
    records_ = history.records(txtHistorySearch_->text().trimmed());
    filling_ = true;
    grdHistory_->setRowCount(static_cast<int>(records_.size()));
    for (int row = 0; row < records_.size(); ++row) {
        const Record& r = records_.at(row);
        const QStringList texts = {QString::number(row + 1),
                                   timeText(r),
                                   tune_history::SourceName(r.source),
                                   QDir::toNativeSeparators(r.port),
                                   r.fingerprint,
                                   r.label,
                                   r.note};
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts.at(column));
            if (column != Label && column != Note)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            grdHistory_->setItem(row, column, item);
        }
    }
    filling_ = false;
    QString why;
    if (!history.error().isEmpty())
        why = QStringLiteral("The tune history could not be read: ") + history.error();
    else if (records_.isEmpty())
        why = txtHistorySearch_->text().trimmed().isEmpty()
            ? QStringLiteral("No tune recorded yet: exports, backups, imports, restores and saved tables are "
                             "recorded here.")
            : QStringLiteral("No record's note or car matches the search.");
    lblHistoryEmpty_->setText(why);
    lblHistoryEmpty_->setVisible(!why.isEmpty());
}

void frmTuneHistory::txtHistorySearch_Change()
{
    refresh();
}

void frmTuneHistory::grdHistory_ItemChanged(QTableWidgetItem* item)
{
    if (filling_ || item->row() >= records_.size())
        return;
    Record& record = records_[item->row()];
    tune_history::History history;
    const bool saved =
        item->column() == Note ? history.setNote(record.id, item->text()) : history.setLabel(record.id, item->text());
    if (!saved) {
        tell(MsgIcon::Exclamation, QStringLiteral("The change was not saved: ") + history.error());
        refresh();
        return;
    }
    (item->column() == Note ? record.note : record.label) = item->text();
}

QList<Record> frmTuneHistory::selected() const
{
    QList<Record> chosen;
    for (int row = 0; row < records_.size(); ++row)
        if (grdHistory_->selectionModel()->isRowSelected(row))
            chosen << records_.at(row);
    return chosen;
}

std::optional<Record> frmTuneHistory::selectedOne()
{
    const QList<Record> chosen = selected();
    if (chosen.size() == 1)
        return chosen.first();
    tell(MsgIcon::Information, QStringLiteral("Select one record to restore."));
    return std::nullopt;
}

char frmTuneHistory::chosenPart() const
{
    return cboRestorePart_->currentData().toChar().toLatin1();
}

void frmTuneHistory::cmdCompareRecords_Click()
{
    QList<int> rows;
    for (int row = 0; row < records_.size(); ++row)
        if (grdHistory_->selectionModel()->isRowSelected(row))
            rows << row;
    if (rows.size() != 2) {
        tell(MsgIcon::Information, QStringLiteral("Select two records to compare."));
        return;
    }
    auto* compare = new frmCompareTunes(mdlMain::MainWindow());
    compare->setWindowFlag(Qt::Window);
    compare->setAttribute(Qt::WA_DeleteOnClose);
    for (int side = 0; side < 2; ++side)
        compare->setTune(side, comparable(records_.at(rows.at(side)), rows.at(side) + 1));
    compare->show();
}

void frmTuneHistory::cmdRestoreToUnit_Click()
{
    const std::optional<Record> record = selectedOne();
    if (!record || !mdlMain::ConnectionGuard())
        return;
    const char part = chosenPart();
    const tunefile::FileLines lines = tune_history::PartLines(record->tune, part);
    if (lines.lines.isEmpty()) {
        tell(MsgIcon::Exclamation,
             QStringLiteral("The record holds no entry of %1.").arg(tune_history::PartName(part)));
        return;
    }
    const QString question = QStringLiteral("Restoring %1 from the tune recorded %2 will OVERWRITE %3 memory "
                                            "locations.\nWould you like to continue?")
                                 .arg(tune_history::PartName(part), timeText(*record))
                                 .arg(lines.writeCount());
    if (services::dialogs().askBeforeWriting(MsgIcon::Exclamation, QStringLiteral("WARNING"), question)
        != MsgAnswer::Yes)
        return;
    tunefile::RestoreTune(lines);
    refresh();
}

void frmTuneHistory::cmdRestoreToFile_Click()
{
    const std::optional<Record> record = selectedOne();
    if (!record)
        return;
    const char part = chosenPart();
    FileDialogRequest request;
    request.filter = QStringLiteral("Ventrix Tune Files (*.tun)");
    tunefile::Tune tune = record->tune;
    QString path;
    if (part == '\0') {
        request.title = QStringLiteral("SAVE TUNE AS");
        request.defaultName = QStringLiteral("MAF_Data.tun");
        path = services::dialogs().saveFileName(request);
    } else {
        // One part goes into a tune file that already holds the rest.
        request.title = QStringLiteral("RESTORE %1 INTO").arg(tune_history::PartName(part).toUpper());
        path = services::dialogs().openFileName(request);
        if (path.isEmpty())
            return;
        const tunefile::LoadedTune loaded = tunefile::LoadTuneFile(path);
        if (!loaded.tune) {
            tell(MsgIcon::Exclamation, loaded.error);
            return;
        }
        tune = *loaded.tune;
        for (const QString& line : tune_history::PartLines(record->tune, part).lines)
            tune.setValue({line.at(0).toLatin1(), line.mid(1, 2).toInt(nullptr, 16)},
                          line.mid(3, 2).toInt(nullptr, 16));
    }
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveTextFile(path, tunefile::TuneText(tune), &error)) {
        tell(MsgIcon::Exclamation,
             QStringLiteral("The file could not be written:\n%1\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    tell(MsgIcon::Information,
         QStringLiteral("%1 of the tune recorded %2 saved in %3.")
             .arg(tune_history::PartName(part), timeText(*record), QDir::toNativeSeparators(path)));
}

void frmTuneHistory::cmdQUIT_Click()
{
    close();
}

frmTuneHistory* ShowTuneHistory()
{
    QWidget* over = mdlMain::MainWindow();
    auto* window = new frmTuneHistory(over);
    window->show();
    if (over)
        window->move(over->geometry().center() - window->rect().center());
    return window;
}
