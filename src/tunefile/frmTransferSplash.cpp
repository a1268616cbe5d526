#include "tunefile/frmTransferSplash.h"

#include "platform/Twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

frmTransferSplash::frmTransferSplash(Kind kind, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    const bool importing = kind == Kind::Import;
    struct Look {
        const char* name;
        const char* title;
        const char* caption;
    };
    const Look look = kind == Kind::Import ? Look{"frmImportSplash", "Import", "Importing from File...."}
        : kind == Kind::Backup             ? Look{"frmBackupSplash", "Backup", "Backing up the unit....."}
        : kind == Kind::Read               ? Look{"frmReadSplash", "Read", "Reading the unit....."}
                                           : Look{"frmExportSplash", "Export", "Exporting to Memory....."};
    setObjectName(QString::fromLatin1(look.name));
    setWindowTitle(QString::fromLatin1(look.title));
    setFixedSize(Twips(4800, this), Twips(importing ? 1080 : 1380, this));

    QFont font = this->font();
    font.setPointSize(11);
    font.setBold(true);

    label1_ = new QLabel(QString::fromLatin1(look.caption), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label1_->setFont(font);
    label1_->setGeometry(Twips(120), Twips(240), Twips(3540), Twips(480));

    lblPercent_ = new QLabel(this);
    lblPercent_->setObjectName(QStringLiteral("lblPercent"));
    lblPercent_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblPercent_->setFont(font);
    lblPercent_->setGeometry(Twips(3780), Twips(240), Twips(900), Twips(480));
    ShowPercent(0);

    if (!importing) {
        cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
        cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
        cmdCancel_->setGeometry(Twips(1770), Twips(840), Twips(1260), Twips(420));
        connect(cmdCancel_, &QPushButton::clicked, this, [this] {
            cancelPressed_ = true;
            cmdCancel_->setEnabled(false);
        });
    }
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

void frmTransferSplash::ShowPercent(int percent)
{
    lblPercent_->setText(QStringLiteral("%1%").arg(percent));
}

void frmTransferSplash::closeEvent(QCloseEvent* event)
{
    if (closable_)
        event->accept();
    else
        event->ignore();
}
