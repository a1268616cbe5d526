#include "memory/ReadWriteByte.h"

#include "config/TwipsLayout.h"
#include "link/Autodetect.h"
#include "link/Commands.h"
#include "link/SerialPort.h"
#include "link/Unit.h"
#include "memory/CellAccess.h"
#include "memory/CellConversions.h"
#include "memory/CellEntry.h"
#include "memory/Lamp.h"
#include "memory/ReadWriteByteLayout.h"
#include "memory/TableListingRead.h"
#include "memory/frmTableRead.h"
#include "memory/mdlReadWriteByte.h"
#include "platform/Colours.h"
#include "platform/NumberFormat.h"
#include "platform/Services.h"
#include "platform/Twips.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

using namespace mdlPublicVars;
using number_format::LeadingNumber;
using namespace read_write_byte_layout;

namespace {

QPointer<ReadWriteByte> theWindow;

constexpr int ReadyStatus = 3;

using cells::InjectorSizeCount;
using cells::InjectorSizes;

// The system colours of entry boxes: enabled ones take the caption-text
// colour, disabled ones the inactive-border colour.
QColor CaptionTextColour()
{
    return QApplication::palette().color(QPalette::Active, QPalette::HighlightedText);
}
QColor InactiveBorderColour()
{
    return QApplication::palette().color(QPalette::Inactive, QPalette::Window);
}

} // namespace

ReadWriteByte::ReadWriteByte(QWidget* parent) : QWidget(parent)
{
    buildControls();

    connect(cmdReadTable, &QPushButton::clicked, this, &ReadWriteByte::cmdReadTable_Click);
    connect(cmdReadByte, &QPushButton::clicked, this, &ReadWriteByte::cmdReadByte_Click);
    connect(cmdWriteByte, &QPushButton::clicked, this, &ReadWriteByte::cmdWriteByte_Click);
    connect(cmdWriteBlock, &QPushButton::clicked, this, &ReadWriteByte::cmdWriteBlock_Click);
    connect(cmdQUIT, &QPushButton::clicked, this, &ReadWriteByte::cmdQUIT_Click);
    connect(cmdADVANCED, &QPushButton::clicked, this, &ReadWriteByte::cmdADVANCED_Click);
    connect(cmdBASIC, &QPushButton::clicked, this, &ReadWriteByte::cmdBASIC_Click);
    // Only the user's choice: Form_Load runs the handler itself after its own selection.
    connect(cmbInjectors, &QComboBox::activated, this, &ReadWriteByte::cmbInjectors_Click);

    // Nothing can be read or written before the presence check of Form_Load.
    setDataControlsEnabled(false);
    Label10->setEnabled(true); // only a lost link greys the value read
    optTableSelect_Click(2);
    setHeight(CompactHeight);

    theWindow = this;
}

ReadWriteByte::~ReadWriteByte() = default;

ReadWriteByte* ReadWriteByte::Instance()
{
    return theWindow && !theWindow->closing_ ? theWindow.data() : nullptr;
}

QRadioButton* ReadWriteByte::optTableSelect(int index) const
{
    return index >= 0 && index < 5 ? optTableSelect_[index] : nullptr;
}

QLabel* ReadWriteByte::Label1(int index) const
{
    return index >= 0 && index < 4 ? Label1_[index] : nullptr;
}

QLabel* ReadWriteByte::Label11(int index) const
{
    return index >= 0 && index < 3 ? Label11_[index] : nullptr;
}

char ReadWriteByte::TableLetter() const
{
    for (int i = 0; i < 5; ++i)
        if (optTableSelect_[i]->isChecked())
            return TableOptions[i].letter;
    return TableOptions[2].letter;
}

double ReadWriteByte::TransferCalibrationSize() const
{
    const int index = cmbInjectors->currentIndex();
    const std::optional<double> listed =
        index >= 0 && index < InjectorSizeCount ? std::optional<double>(InjectorSizes[index]) : std::nullopt;
    return cells::TransferCalibrationSize(listed, InstalledInjectorSize);
}

double ReadWriteByte::ratioFor(char table) const
{
    return table == 'F' ? cells::TransferCalibrationRatio(TransferCalibrationSize()) : 1.0;
}

// --- loading and the link ------------------------------------------------

void ReadWriteByte::Form_Load()
{
    if (!Connected) {
        notConnected();
        return;
    }
    Label8->clear();
    Label5->clear();

    cmbInjectors->clear();
    for (const int size : InjectorSizes)
        cmbInjectors->addItem(cells::InjectorCaption(size));
    cmbInjectors->addItem(cells::InjectorCaption(0));
    int selected = InjectorSizeCount;
    for (int i = 0; i < InjectorSizeCount; ++i)
        if (InjectorSizes[i] == InstalledInjectorSize)
            selected = i;
    cmbInjectors->setCurrentIndex(selected);
    cmbInjectors_Click();

    services::port().setRts(true);
    mdlMain::SetBusyPointer(true);
    const std::optional<QString> answer = unit::Probe(unit::Use::MemoryOpening);
    mdlMain::SetBusyPointer(false);
    if (answer)
        ProbeStatus = ProbeStatusOf(*answer);
    if (answer && ProbeStatus == ReadyStatus) {
        Shape2->setColour(colours::Green);
        mdlMain::SetCaption(QStringLiteral("Connected"));
        linkUp_ = true;
        setDataControlsEnabled(true);
        return;
    }
    Shape2->setColour(colours::Red);
    notConnected();
}

void ReadWriteByte::notConnected()
{
    Connected = false;
    QPointer<ReadWriteByte> self(this);
    mdlMain::ConnectionGuard();
    if (self)
        mdlReadWriteByte::DisableReadWriteByte();
}

bool ReadWriteByte::guard()
{
    QPointer<ReadWriteByte> self(this);
    if (mdlMain::ConnectionGuard())
        return true;
    if (self)
        mdlReadWriteByte::DisableReadWriteByte();
    return false;
}

void ReadWriteByte::DisableControls()
{
    linkUp_ = false;
    Shape1->setColour(colours::Red);
    Shape2->setColour(colours::Red);
    Shape3->setColour(colours::Red);
    setDataControlsEnabled(false);
}

void ReadWriteByte::setDataControlsEnabled(bool enabled)
{
    for (QPushButton* b : {cmdReadByte, cmdReadTable, cmdWriteByte, cmdWriteBlock})
        b->setEnabled(enabled);
    // Tune 2 exists only on plus units.
    optTableSelect_[0]->setEnabled(enabled && IsPlusStage);
    optTableSelect_[1]->setEnabled(enabled && IsPlusStage);
    if (enabled)
        for (int i = 2; i < 5; ++i)
            optTableSelect_[i]->setEnabled(true);
    for (QLineEdit* box : {Text1, Text2, Text3, Text4, Text5, Text6})
        setEntryEnabled(box, enabled);
    for (QLabel* l : {Label3, Label13, Label16})
        l->setEnabled(enabled);
    if (!enabled)
        Label10->setEnabled(false);
}

void ReadWriteByte::setEntryEnabled(QLineEdit* box, bool enabled)
{
    box->setEnabled(enabled);
    colours::SetBackground(box, enabled ? CaptionTextColour() : InactiveBorderColour());
}

// --- table choice, injectors, layout --------------------------------------

void ReadWriteByte::optTableSelect_Click(int index)
{
    const bool transfer = index == TransferFunctionOption;
    cmbInjectors->setEnabled(transfer);
    // The block write fills correction cells only. After the link was lost
    // the data controls stay off whichever table is chosen.
    const bool block = !transfer && linkUp_;
    cmdWriteBlock->setEnabled(block);
    for (QLineEdit* box : {Text4, Text5, Text6})
        setEntryEnabled(box, block);
    const QString position = transfer ? QStringLiteral("VOLTAGE") : QStringLiteral("RPM");
    Label1_[2]->setText(position);
    Label1_[3]->setText(position);
    Label12->setText(transfer ? QStringLiteral("RATE") : QStringLiteral("CHANGE"));
    for (QLabel* unit : Label11_)
        unit->setText(transfer ? QStringLiteral("kg/hr") : QStringLiteral("%"));
    // The list's calibration holds from the moment the table is chosen.
    if (transfer)
        applyCalibration();
}

void ReadWriteByte::cmbInjectors_Click()
{
    const int index = cmbInjectors->currentIndex();
    if (index >= 0 && index < InjectorSizeCount)
        InstalledInjectorSize = InjectorSizes[index];
    applyCalibration();
}

void ReadWriteByte::applyCalibration()
{
    if (optTableSelect_[TransferFunctionOption]->isChecked())
        InjectorRatioOL = cells::TransferCalibrationRatio(TransferCalibrationSize());
}

void ReadWriteByte::cmdADVANCED_Click()
{
    setHeight(ExpandedHeight);
    cmdADVANCED->hide();
    cmdADVANCED->setEnabled(false);
    cmdBASIC->setEnabled(true);
    cmdBASIC->show();
}

void ReadWriteByte::cmdBASIC_Click()
{
    setHeight(CompactHeight);
    cmdADVANCED->show();
    cmdADVANCED->setEnabled(true);
    cmdBASIC->setEnabled(false);
    cmdBASIC->hide();
}

void ReadWriteByte::setHeight(int twips)
{
    twips_layout::SetFixedClientSize(this, ClientWidth, twips - FrameHeight);
}

// --- messages and transactions --------------------------------------------

bool ReadWriteByte::tell(MsgIcon icon, const QString& title, const QString& text)
{
    QPointer<ReadWriteByte> self(this);
    services::dialogs().message(icon, title, text);
    return !self.isNull();
}

bool ReadWriteByte::entryError(std::initializer_list<QLineEdit*> fields, const QString& text)
{
    for (QLineEdit* box : fields)
        colours::SetTextColour(box, colours::Red);
    if (!tell(MsgIcon::Exclamation, QStringLiteral("Entry Error"), text))
        return false;
    for (QLineEdit* box : fields)
        colours::SetTextColour(box, Qt::black);
    return true;
}

template <typename Exchange>
auto ReadWriteByte::talk(bool rts, Exchange exchange)
{
    if (rts)
        services::port().setRts(true);
    mdlMain::SetBusyPointer(true);
    const auto result = exchange();
    mdlMain::SetBusyPointer(false);
    showTraffic();
    return result;
}

void ReadWriteByte::showTraffic()
{
    Label5->setText(LastFrame);
    Label8->setText(unit::LastReply());
}

// --- single cells ----------------------------------------------------------

void ReadWriteByte::cmdReadByte_Click()
{
    if (tableReadRunning_ || !guard())
        return;
    const char table = TableLetter();
    for (QLabel* l : {Label8, Label3, Label10, Label17, Label18})
        l->clear();
    Text2->setEnabled(true);
    Text2->show();

    const cells::AddressOrError at = cells::AddressFor(table, LeadingNumber(Text1->text()));
    if (!at.error.isEmpty()) {
        entryError({Text1}, at.error);
        return;
    }

    const std::optional<int> byte = talk(true, [&] { return cells::ReadCellByte(table, at.address); });
    if (!byte) {
        if (tell(MsgIcon::Exclamation, QStringLiteral("Read Failure!"), cells::messages::ReadFailed))
            Shape3->setColour(colours::Red);
        return;
    }
    Label3->setText(cmd::Text(unit::LastReply(), cmd::reply::CellValue));
    Label10->setText(cells::SignedText(cells::ValueOf(table, at.address, *byte, ratioFor(table))));

    // The write and block rows start from the cell just read.
    Shape3->setColour(colours::Green);
    Text2->setText(Label10->text());
    Text6->setText(Label10->text());
    Text3->setText(Text1->text());
    Text4->setText(Text1->text());
    Text5->setText(Text1->text());
    Label13->setText(Label3->text());
    Label16->setText(Label3->text());
    Label17->setText(Text1->text());
    Label18->setText(Text1->text());
}

void ReadWriteByte::cmdWriteByte_Click()
{
    if (tableReadRunning_ || !guard())
        return;
    const char table = TableLetter();
    Text4->setText(Text3->text());
    Text5->setText(Text3->text());
    Text6->setText(Text2->text());

    const cells::AddressOrError at = cells::AddressFor(table, LeadingNumber(Text3->text()));
    if (!at.error.isEmpty()) {
        entryError({Text3}, at.error);
        return;
    }
    const cells::ByteOrError value = cells::ByteFor(table, at.address, LeadingNumber(Text2->text()), ratioFor(table));
    if (!value.error.isEmpty()) {
        entryError({Text2}, value.error);
        return;
    }

    const cells::WriteOutcome outcome =
        talk(false, [&] { return cells::WriteCellByte(table, at.address, value.byte); });
    if (outcome == cells::WriteOutcome::Refused) {
        tell(MsgIcon::Exclamation, cells::messages::TransferFunctionRefusedTitle,
             cells::messages::TransferFunctionRefused);
        return;
    }
    if (outcome == cells::WriteOutcome::NotAnswered) {
        tell(MsgIcon::Exclamation, QStringLiteral("Write Failure!"), cells::messages::WriteNotAnswered);
        return;
    }
    if (outcome == cells::WriteOutcome::Confirmed) {
        Shape1->setColour(colours::Green);
        const QString confirmed = cmd::Text(unit::LastReply(), cmd::reply::CellValue);
        Label13->setText(confirmed);
        Label16->setText(confirmed);
    } else {
        tell(MsgIcon::Information, QStringLiteral("Write Failure"), cells::messages::WriteNotConfirmed);
    }
}

// --- block write -----------------------------------------------------------

void ReadWriteByte::cmdWriteBlock_Click()
{
    if (tableReadRunning_ || !guard())
        return;
    const char table = TableLetter();
    // Disabled for the transfer function, whose cells are not addressed by rpm.
    if (!cells::IsCorrectionTable(table))
        return;
    const double start = LeadingNumber(Text4->text());
    const double stop = LeadingNumber(Text5->text());
    const double percent = LeadingNumber(Text6->text());
    if (const auto error = cells::BlockError(start, stop, percent)) {
        if (error->fields & cells::BlockValue)
            entryError({Text6}, error->message);
        else if (error->fields == (cells::BlockStart | cells::BlockStop))
            entryError({Text4, Text5}, error->message);
        else
            entryError({error->fields & cells::BlockStart ? Text4 : Text5}, error->message);
        return;
    }
    const int byte = cells::EncodeCorrection(percent);
    const int first = cells::RpmToAddress(start);
    const int last = cells::RpmToAddress(stop);

    const cells::WriteOutcome outcome = talk(false, [&] { return cells::FillCellBytes(table, first, last, byte); });
    if (outcome == cells::WriteOutcome::NotAnswered) {
        tell(MsgIcon::Exclamation, QStringLiteral("Write Failure!"), cells::messages::FillNotAnswered);
        return;
    }
    if (outcome == cells::WriteOutcome::Confirmed) {
        Shape1->setColour(colours::Green);
        Label13->setText(cmd::Text(unit::LastReply(), cmd::reply::FillValue));
        Text3->setText(Text4->text());
        Label18->setText(Text4->text());
        Text2->setText(Text6->text());
        Label16->setText(Label13->text());
    } else {
        tell(MsgIcon::Information, QStringLiteral("Write Error"), cells::messages::FillNotConfirmed);
    }
}

// --- whole table -----------------------------------------------------------

void ReadWriteByte::cmdReadTable_Click()
{
    if (tableReadRunning_ || !guard())
        return;
    const char table = TableLetter();
    LinkBusy = true;

    QPointer<ReadWriteByte> self(this);
    tableReadRunning_ = true;
    const cells::ListingEnd end =
        cells::ListTableInViewer({table, ratioFor(table), cells::CalibrationCaption(TransferCalibrationSize()),
                                  [this] { showTraffic(); }, [self] { return self && !self->closing_; }});
    if (end == cells::ListingEnd::WindowGone)
        return;
    tableReadRunning_ = false;
    if (end == cells::ListingEnd::Failed) {
        Label5->setText(LastFrame);
        tell(MsgIcon::Exclamation, QStringLiteral("Read Failure!"), cells::messages::TableReadFailed);
    }
}

// --- leaving ----------------------------------------------------------------

void ReadWriteByte::cmdQUIT_Click()
{
    release();
    mdlMain::HideChild(this);
    mdlMain::UnloadChild(this);
}

void ReadWriteByte::release()
{
    closing_ = true;
    LinkBusy = false;
    if (frmTableRead* viewer = frmTableRead::Instance())
        viewer->Unload();
    mdlMain::GiveBackCommands(DeviceWindow::MemoryModify);
}

void ReadWriteByte::closeEvent(QCloseEvent* event)
{
    // Closed without QUIT (the program's exit, the window system): the main
    // window still gets its commands back.
    if (!closing_)
        release();
    event->accept();
}
