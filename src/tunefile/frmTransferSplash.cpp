#include "tunefile/frmTransferSplash.h"

#include "platform/Twips.h"

#include <QCloseEvent>
#include <QLabel>

frmTransferSplash::frmTransferSplash(Kind kind, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    const bool exporting = kind == Kind::Export;
    setObjectName(exporting ? QStringLiteral("frmExportSplash") : QStringLiteral("frmImportSplash"));
    setWindowTitle(exporting ? QStringLiteral("Export") : QStringLiteral("Import"));
    setFixedSize(Twips(3600, this), Twips(1200, this));

    label1_ = new QLabel(exporting ? QStringLiteral("Exporting to Memory.....")
                                   : QStringLiteral("Importing from File...."),
                         this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setAlignment(Qt::AlignCenter);
    QFont font = label1_->font();
    font.setPointSize(11);
    font.setBold(true);
    label1_->setFont(font);
    label1_->setGeometry(Twips(120), Twips(360), Twips(3360), Twips(480));
}

void frmTransferSplash::Show()
{
    show();
    if (const QWidget* over = parentWidget())
        move(over->geometry().center() - rect().center());
    raise();
}

void frmTransferSplash::Unload()
{
    closable_ = true;
    close();
}

void frmTransferSplash::closeEvent(QCloseEvent* event)
{
    if (closable_)
        event->accept();
    else
        event->ignore();
}
