#include "tunefile/frmRestoreBackup.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"
#include "tunefile/TransferProgress.h"
#include "tunefile/TuneTransfer.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

using namespace tunefile;

const QStringList Columns = {QStringLiteral("Date"),
                             QStringLiteral("Time"),
                             QStringLiteral("Port"),
                             QStringLiteral("Holds"),
                             QStringLiteral("Differ from the unit"),
                             QStringLiteral("File")};

QString holds(const Tune& tune)
{
    if (tune.isComplete())
        return QStringLiteral("whole tune");
    return QStringLiteral("%1 entries").arg(tune.entryCount());
}

} // namespace

frmRestoreBackup::frmRestoreBackup(QWidget* parent) : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("frmRestoreBackup"));
    setWindowTitle(QStringLiteral("Restore Backup"));
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);

    lblFolder_ = new QLabel(this);
    lblFolder_->setObjectName(QStringLiteral("lblFolder"));
    lblFolder_->setWordWrap(true);
    list_ = new QTableWidget(0, Columns.size(), this);
    list_->setObjectName(QStringLiteral("lstBackups"));
    list_->setHorizontalHeaderLabels(Columns);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->horizontalHeader()->setStretchLastSection(true);

    cmdRestore_ = new QPushButton(QStringLiteral("&RESTORE"), this);
    cmdRestore_->setObjectName(QStringLiteral("cmdRestore"));
    cmdClose_ = new QPushButton(QStringLiteral("&CLOSE"), this);
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdRestore_, &QPushButton::clicked, this, &frmRestoreBackup::cmdRestore_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &frmRestoreBackup::cmdClose_Click);
    connect(list_, &QTableWidget::itemSelectionChanged, this,
            [this] { cmdRestore_->setEnabled(!list_->selectedItems().isEmpty()); });
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this] { cmdRestore_Click(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdRestore_);
    buttons->addWidget(cmdClose_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblFolder_);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    resize(760, 420);
    cmdRestore_->setEnabled(false);
}

void frmRestoreBackup::Form_Load()
{
    setWorking(true);
    readUnit();
    setWorking(false);
    fillList();
}

void frmRestoreBackup::setWorking(bool working)
{
    working_ = working;
    list_->setEnabled(!working);
    cmdClose_->setEnabled(!working);
    cmdRestore_->setEnabled(!working && !list_->selectedItems().isEmpty());
}

void frmRestoreBackup::closeEvent(QCloseEvent* event)
{
    if (working_)
        event->ignore();
    else
        event->accept();
}

void frmRestoreBackup::readUnit()
{
    // The export's reads, with its progress window; the main window's
    // device commands wait meanwhile.
    mdlPublicVars::LinkBusy = true;
    TransferProgress progress;
    progress.showSplash(frmTransferSplash::Kind::Read);
    const ExportResult read = ReadTune(TransactKeepingWindowsAlive([&progress] { return progress.cancelled(); }),
                                       services::clock().currentDateTime(), progress.advance());
    mdlPublicVars::LinkBusy = false;
    if (read.complete)
        unit_ = read.tune;
    else
        unit_.reset();
}

void frmRestoreBackup::fillList()
{
    // The selection stays on the same backup, wherever the list moves it.
    const int selected = list_->selectedItems().isEmpty() ? -1 : list_->currentRow();
    const QString selectedPath = selected >= 0 && selected < backups_.size() ? backups_.at(selected).path : QString();
    list_->clearSelection();
    backups_ = ListBackups(BackupFolder());
    const QString folder = QDir::toNativeSeparators(BackupFolder());
    QString listed = QStringLiteral("%1 backups in %2, newest first.").arg(backups_.size()).arg(folder);
    if (backups_.isEmpty())
        listed = QStringLiteral("No backups in %1 yet.").arg(folder);
    else if (backups_.size() == 1)
        listed = QStringLiteral("1 backup in %1.").arg(folder);
    lblFolder_->setText(
        listed + (unit_ ? QString() : QStringLiteral(" The unit could not be read: the differences are not known.")));
    list_->setRowCount(static_cast<int>(backups_.size()));
    for (int row = 0; row < backups_.size(); ++row) {
        const BackupFile& b = backups_.at(row);
        const std::optional<Tune> tune = ReadBackup(b.path);
        const QString differ = !tune ? QString()
            : unit_                  ? QString::number(DifferingEntries(*tune, *unit_))
                                     : QStringLiteral("?");
        const QStringList cells = {b.when.toString(QStringLiteral("yyyy-MM-dd")),
                                   b.when.toString(QStringLiteral("HH:mm:ss")),
                                   QString::number(b.port),
                                   tune ? holds(*tune) : QStringLiteral("unreadable"),
                                   differ,
                                   QFileInfo(b.path).fileName()};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells.at(column));
            if (column == 2 || column == 4)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            list_->setItem(row, column, item);
        }
    }
    for (int row = 0; row < backups_.size(); ++row)
        if (!selectedPath.isEmpty() && backups_.at(row).path == selectedPath)
            list_->selectRow(row);
    cmdRestore_->setEnabled(!list_->selectedItems().isEmpty());
}

void frmRestoreBackup::cmdRestore_Click()
{
    const int row = list_->currentRow();
    if (working_ || row < 0 || row >= backups_.size() || list_->selectedItems().isEmpty())
        return;
    const BackupFile chosen = backups_.at(row);
    // Read before anything else: what is restored is what the question named.
    QString error;
    const std::optional<Tune> backup = ReadBackup(chosen.path, &error);
    if (!backup) {
        services::dialogs().message(
            MsgIcon::Exclamation, QStringLiteral("Restore Failure"),
            QStringLiteral("The backup could not be read:\n%1\n%2").arg(QDir::toNativeSeparators(chosen.path), error));
        return;
    }
    const QString when = chosen.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (services::dialogs().askBeforeWriting(
            MsgIcon::Exclamation, QStringLiteral("WARNING"),
            QStringLiteral("Restoring the backup of %1 (%2) will OVERWRITE %3 memory locations.\nWould you like to "
                           "continue?")
                .arg(when, QFileInfo(chosen.path).fileName())
                .arg(backup->entryCount()))
        != MsgAnswer::Yes)
        return;
    setWorking(true);
    bool restored = false;
    {
        // The backup taken first must not rotate away the one being restored.
        const BackupInUse inUse(chosen.path);
        restored = RestoreTune(BackupLines(*backup));
    }
    setWorking(false);
    if (restored && unit_) {
        // What the unit holds now is known without asking it again.
        for (int i = 0; i < DataLineCount; ++i)
            if (const std::optional<int> v = backup->valueAt(i))
                unit_->setValue(TuneOrder().at(i), *v);
    } else {
        unit_.reset();
    }
    fillList();
}

void frmRestoreBackup::cmdClose_Click()
{
    close();
}

frmRestoreBackup* ShowRestoreBackup()
{
    if (!mdlMain::ConnectionGuard())
        return nullptr;
    QWidget* over = mdlMain::MainWindow();
    auto* window = new frmRestoreBackup(over);
    window->show();
    if (over)
        window->move(over->geometry().center() - window->rect().center());
    window->Form_Load();
    return window;
}
