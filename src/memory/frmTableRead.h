#pragma once

#include "platform/Dialogs.h"

#include <QWidget>

class QAction;
class QMenu;
class QPlainTextEdit;

// "Table Read": a block of text with a File menu to save it or close the
// window. The program has one viewer at a time: Load() gives the existing one
// or makes it (inside the main window's area when there is one). It has no
// close box; File > Close, or its user, closes it.
//
// Its text keeps CR LF line ends: text() gives back exactly what was set and
// appended, and Save writes that.
class frmTableRead final : public QWidget {
    Q_OBJECT
public:
    explicit frmTableRead(QWidget* parent = nullptr);
    ~frmTableRead() override;

    // The one viewer, or null when there is none (or it is closing).
    static frmTableRead* Instance();
    // The one viewer, made hidden when there is none.
    static frmTableRead* Load();

    // Shows the viewer modeless, with its frame in the main window's area.
    void Show();
    // Hides and closes the viewer for good; its text is discarded.
    void Unload();
    bool isClosing() const { return closing_; }

    QString text() const;
    void setText(const QString& text);
    void appendText(const QString& text);
    void setBold(bool bold);

    QPlainTextEdit* txtTableContents() const { return txtTableContents_; }
    QMenu* mnuFile() const { return mnuFile_; }
    // Whether the File menu can be used.
    void setFileMenuEnabled(bool enabled);
    bool fileMenuEnabled() const;
    // The save dialog's settings; users preset the file name.
    FileDialogRequest& CommonDialog1() { return commonDialog1_; }

    // Handlers.
    void mnuSaveFileItem_Click();
    void mnuFileCloseItem_Click();

    // The designed size, which the frame in the main window's area takes.
    QSize sizeHint() const override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPlainTextEdit* txtTableContents_;
    QMenu* mnuFile_;
    QAction* mnuSaveFileItem_;
    QAction* mnuFileCloseItem_;
    FileDialogRequest commonDialog1_;
    bool closing_ = false;
};
