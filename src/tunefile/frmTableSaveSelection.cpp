#include "tunefile/frmTableSaveSelection.h"

#include "platform/Twips.h"
#include "state/PublicVars.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace {

struct SaveOption {
    const char* caption;
    char letter;
};
constexpr SaveOption SaveOptions[4] = {
    {"TUNE1", 'O'},
    {"CLOSED-LOOP TABLE, Bank 1", 'C'},
    {"TUNE 2", 'H'},
    {"CLOSED-LOOP TABLE, Bank 2", 'L'},
};

} // namespace

frmTableSaveSelection::frmTableSaveSelection(QWidget* parent)
    // A tool window has no task-bar entry; without a close box SAVE and QUIT
    // are the ways out.
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("frmTableSaveSelection"));
    setWindowTitle(QStringLiteral("TUNE SAVE"));
    setFixedSize(Twips(4560, this), Twips(2760, this));

    auto* frame = new QGroupBox(QStringLiteral("TUNE SAVE SELECTION"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(Twips(120), Twips(120), Twips(4320), Twips(1860));
    for (int i = 0; i < 4; ++i) {
        options_[i] = new QRadioButton(QString::fromLatin1(SaveOptions[i].caption), frame);
        options_[i]->setObjectName(QStringLiteral("optSaveTableSelect_%1").arg(i));
        options_[i]->setGeometry(Twips(240), Twips(360 + 360 * i), Twips(3900), Twips(300));
    }
    options_[0]->setChecked(true);

    cmdSaveTable_ = new QPushButton(QStringLiteral("SAVE"), this);
    cmdSaveTable_->setObjectName(QStringLiteral("cmdSaveTable"));
    cmdSaveTable_->setGeometry(Twips(600), Twips(2100), Twips(1455), Twips(495));
    cmdQuitSaveTable_ = new QPushButton(QStringLiteral("QUIT"), this);
    cmdQuitSaveTable_->setObjectName(QStringLiteral("cmdQuitSaveTable"));
    cmdQuitSaveTable_->setGeometry(Twips(2520), Twips(2100), Twips(1455), Twips(495));
    connect(cmdSaveTable_, &QPushButton::clicked, this, &frmTableSaveSelection::cmdSaveTable_Click);
    connect(cmdQuitSaveTable_, &QPushButton::clicked, this, &frmTableSaveSelection::cmdQuitSaveTable_Click);

    setAttribute(Qt::WA_DeleteOnClose);
}

frmTableSaveSelection::~frmTableSaveSelection()
{
    // Deleted with its parent, without a close: still let the waiter go.
    if (!ended_ && mdlPublicVars::TuneSelectionPending)
        end(true);
}

void frmTableSaveSelection::Form_Load(int tunerTableIndex)
{
    const bool plus = mdlPublicVars::IsPlusStage;
    options_[2]->setEnabled(plus);
    options_[3]->setEnabled(plus);
    if (tunerTableIndex >= 0 && tunerTableIndex < 4)
        options_[tunerTableIndex]->setChecked(true);
}

QRadioButton* frmTableSaveSelection::optSaveTableSelect(int index) const
{
    return index >= 0 && index < 4 ? options_[index] : nullptr;
}

void frmTableSaveSelection::cmdSaveTable_Click()
{
    for (int i = 0; i < 4; ++i) {
        if (options_[i]->isChecked()) {
            mdlPublicVars::SelectedTuneLetter = QString(QLatin1Char(SaveOptions[i].letter));
            break;
        }
    }
    end(false);
    close();
}

void frmTableSaveSelection::cmdQuitSaveTable_Click()
{
    end(true);
    close();
}

void frmTableSaveSelection::closeEvent(QCloseEvent* event)
{
    // Closed by the window system or by the program's exit: counts as QUIT.
    if (!ended_ && mdlPublicVars::TuneSelectionPending)
        end(true);
    event->accept();
}

void frmTableSaveSelection::end(bool cancelled)
{
    ended_ = true;
    mdlPublicVars::TuneSelectionPending = false;
    mdlPublicVars::TuneSelectionCancelled = cancelled;
}
