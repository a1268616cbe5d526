#include "memory/frmTableRead.h"

#include "platform/Services.h"
#include "platform/TextFileSave.h"
#include "platform/Twips.h"
#include "state/MainWindowServices.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

QPointer<frmTableRead> theViewer;

// A window the user cannot close from its title bar.
constexpr Qt::WindowFlags NoCloseBox = Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowMinMaxButtonsHint;

const QString LineEnd = QStringLiteral("\r\n");

} // namespace

frmTableRead::frmTableRead(QWidget* parent) : QWidget(parent)
{
    if (!parent)
        setWindowFlags(Qt::Window | NoCloseBox);
    setObjectName(QStringLiteral("frmTableRead"));
    setWindowTitle(QStringLiteral("Table Read"));
    resize(sizeHint());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* menuBar = new QMenuBar(this);
    mnuFile_ = menuBar->addMenu(QStringLiteral("&File"));
    mnuFile_->setObjectName(QStringLiteral("mnuFile"));
    mnuSaveFileItem_ = mnuFile_->addAction(QStringLiteral("&Save"));
    mnuSaveFileItem_->setObjectName(QStringLiteral("mnuSaveFileItem"));
    mnuFileCloseItem_ = mnuFile_->addAction(QStringLiteral("&Close"));
    mnuFileCloseItem_->setObjectName(QStringLiteral("mnuFileCloseItem"));
    layout->setMenuBar(menuBar);
    connect(mnuSaveFileItem_, &QAction::triggered, this, &frmTableRead::mnuSaveFileItem_Click);
    connect(mnuFileCloseItem_, &QAction::triggered, this, &frmTableRead::mnuFileCloseItem_Click);

    txtTableContents_ = new QPlainTextEdit(this);
    txtTableContents_->setObjectName(QStringLiteral("txtTableContents"));
    txtTableContents_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtTableContents_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtTableContents_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(txtTableContents_);

    commonDialog1_.defaultName = QStringLiteral("Table.txt");
    commonDialog1_.filter = QStringLiteral("Text Files (*.txt)");

    theViewer = this;
}

frmTableRead::~frmTableRead() = default;

QSize frmTableRead::sizeHint() const
{
    return {Twips(7800, this), Twips(6300, this)};
}

frmTableRead* frmTableRead::Instance()
{
    return theViewer && !theViewer->closing_ ? theViewer.data() : nullptr;
}

frmTableRead* frmTableRead::Load()
{
    if (frmTableRead* existing = Instance())
        return existing;
    QMainWindow* main = mdlMain::MainWindow();
    QMdiArea* area = main ? main->findChild<QMdiArea*>() : nullptr;
    auto* viewer = new frmTableRead;
    if (area) {
        QMdiSubWindow* frame = area->addSubWindow(viewer, Qt::SubWindow | NoCloseBox);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->setWindowTitle(viewer->windowTitle());
        frame->hide();
    }
    return viewer;
}

void frmTableRead::Show()
{
    QWidget* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (frame)
        frame->show();
    show();
    (frame ? frame : this)->raise();
}

void frmTableRead::Unload()
{
    closing_ = true;
    mdlMain::HideChild(this);
    mdlMain::UnloadChild(this);
}

QString frmTableRead::text() const
{
    // The text box keeps plain line feeds; the listing's line ends are CR LF.
    QString plain = txtTableContents_->toPlainText();
    return plain.replace(QLatin1Char('\n'), LineEnd);
}

void frmTableRead::setText(const QString& text)
{
    txtTableContents_->setPlainText(QString(text).replace(LineEnd, QStringLiteral("\n")));
}

void frmTableRead::appendText(const QString& text)
{
    // Inserted at the end rather than rewriting the whole text, so a growing
    // listing stays cheap; the view follows the new line.
    QTextCursor cursor(txtTableContents_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString(text).replace(LineEnd, QStringLiteral("\n")));
    txtTableContents_->moveCursor(QTextCursor::End);
    txtTableContents_->ensureCursorVisible();
}

void frmTableRead::setBold(bool bold)
{
    QFont font = txtTableContents_->font();
    font.setBold(bold);
    txtTableContents_->setFont(font);
}

void frmTableRead::setFileMenuEnabled(bool enabled)
{
    mnuFile_->menuAction()->setEnabled(enabled);
}

bool frmTableRead::fileMenuEnabled() const
{
    return mnuFile_->menuAction()->isEnabled();
}

void frmTableRead::mnuSaveFileItem_Click()
{
    const QString path = services::dialogs().saveFileName(commonDialog1_);
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveTextFile(path, text() + LineEnd, &error))
        services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Save Failure!"),
                                    QStringLiteral("Table Save Failed: ") + QDir::toNativeSeparators(path)
                                        + QStringLiteral("\n") + error);
}

void frmTableRead::mnuFileCloseItem_Click()
{
    Unload();
}

void frmTableRead::closeEvent(QCloseEvent* event)
{
    closing_ = true;
    event->accept();
}
