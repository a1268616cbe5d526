#pragma once

#include <QWidget>

class QLabel;

// The small progress window of a tune export ("Export", frmExportSplash) or
// import ("Import", frmImportSplash): one label, no close box. It is shown
// over the main window without waiting and closed by the operation.
class frmTransferSplash final : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Export, Import };

    explicit frmTransferSplash(Kind kind, QWidget* parent = nullptr);

    // Shows it modeless, centred over its parent.
    void Show();
    // Closes it for good (the operation's end).
    void Unload();

    QLabel* Label1() const { return label1_; }

protected:
    // Only the operation closes it.
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* label1_;
    bool closable_ = false;
};
