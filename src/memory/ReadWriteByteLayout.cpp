#include "memory/ReadWriteByteLayout.h"

#include "memory/Lamp.h"
#include "platform/Twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace read_write_byte_layout;

void ReadWriteByte::buildControls()
{
    setObjectName(QStringLiteral("ReadWriteByte"));
    setWindowTitle(QStringLiteral("MAF Table Manipulation"));
    // The layout is drawn for a small dialog font.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    const auto place = [this](QWidget* widget, const char* name, int left, int top, int width, int height) {
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(Twips(left, this), Twips(top, this), Twips(width, this), Twips(height, this));
    };
    const auto button = [&](const char* name, const char* caption, int left, int top) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        place(b, name, left, top, 1335, 495);
        return b;
    };
    const auto label = [&](const char* name, const QString& caption, int left, int top, int width,
                           QWidget* parentWidget = nullptr) {
        auto* l = new QLabel(caption, parentWidget ? parentWidget : this);
        l->setTextFormat(Qt::PlainText);
        place(l, name, left, top, width, 285);
        return l;
    };
    const auto entry = [&](const char* name, int left, int top) {
        auto* t = new QLineEdit(QStringLiteral("0"), this);
        place(t, name, left, top, 855, 375);
        return t;
    };
    const auto lamp = [&](const char* name, int left, int top) {
        auto* s = new Lamp(this);
        place(s, name, left, top, 375, 375);
        return s;
    };

    cmdReadTable = button("cmdReadTable", "READ TABLE", 120, 240);
    Label1_[0] = label("Label1_0", QStringLiteral("START"), 2700, 300, 855);
    Label1_[1] = label("Label1_1", QStringLiteral("STOP"), 3780, 300, 855);
    Label20 = label("Label20", QStringLiteral("FLOW"), 4800, 300, 855);
    Label21 = label("Label21", QStringLiteral("RAW"), 6240, 300, 615);
    Label19 = label("Label19", QStringLiteral("RD Valid"), 1560, 540, 900);
    Label1_[2] = label("Label1_2", QStringLiteral("RPM"), 2805, 540, 795);
    Label1_[3] = label("Label1_3", QStringLiteral("RPM"), 3840, 540, 780);
    Label12 = label("Label12", QStringLiteral("CHANGE"), 4680, 540, 900);
    Label2 = label("Label2", QStringLiteral("HEX"), 6240, 540, 615);

    cmdReadByte = button("cmdReadByte", "READ BYTE", 120, 840);
    Shape3 = lamp("Shape3", 1800, 840);
    Text1 = entry("Text1", 2580, 780);
    Label17 = label("Label17", QStringLiteral("0"), 3600, 780, 855);
    Label10 = label("Label10", QStringLiteral("0"), 4620, 780, 855);
    Label3 = label("Label3", QStringLiteral("00"), 6180, 780, 615);

    cmdWriteByte = button("cmdWriteByte", "WRITE BYTE", 120, 1560);
    Label15 = label("Label15", QStringLiteral("WR Valid"), 1500, 1680, 960);
    Shape1 = lamp("Shape1", 1800, 1980);
    Text3 = entry("Text3", 2580, 1560);
    Label18 = label("Label18", QStringLiteral("0"), 3600, 1560, 855);
    Text2 = entry("Text2", 4620, 1560);
    Label13 = label("Label13", QStringLiteral("00"), 6180, 1560, 615);

    cmdWriteBlock = button("cmdWriteBlock", "WRITE BLOCK", 120, 2160);
    Text4 = entry("Text4", 2580, 2160);
    Text5 = entry("Text5", 3600, 2160);
    Text6 = entry("Text6", 4620, 2160);
    Label16 = label("Label16", QStringLiteral("00"), 6180, 2160, 615);

    const int unitTops[3] = {840, 1620, 2220};
    for (int i = 0; i < 3; ++i) {
        const QByteArray name = "Label11_" + QByteArray::number(i);
        Label11_[i] = label(name.constData(), QStringLiteral("%"), 5580, unitTops[i], 555);
    }

    cmdQUIT = button("cmdQUIT", "QUIT", 120, 2880);
    Label9 = label("Label9", QStringLiteral("Connected"), 1560, 2880, 1095);
    Shape2 = lamp("Shape2", 1920, 3180);

    Frame1 = new QGroupBox(QStringLiteral("Data Table Selection"), this);
    place(Frame1, "Frame1", 3840, 2760, ClientWidth - 3840 - 120, 1620);
    for (int i = 0; i < 5; ++i) {
        optTableSelect_[i] = new QRadioButton(QString::fromLatin1(TableOptions[i].caption), Frame1);
        const QByteArray name = "optTableSelect_" + QByteArray::number(i);
        // Option tops are given in the window's coordinates.
        place(optTableSelect_[i], name.constData(), 120, TableOptions[i].top - 2760, ClientWidth - 3840 - 360, 255);
        connect(optTableSelect_[i], &QRadioButton::clicked, this, [this, i] { optTableSelect_Click(i); });
    }
    optTableSelect_[2]->setChecked(true);

    cmdADVANCED = button("cmdADVANCED", "ADVANCED >>", 120, 3660);
    cmdBASIC = button("cmdBASIC", "BASIC <<", 120, 3660);
    cmdBASIC->hide();
    cmdBASIC->setEnabled(false);
    Label4 = label("Label4", QStringLiteral("INJECTOR CAL."), 1740, 3660, 1455);
    cmbInjectors = new QComboBox(this);
    place(cmbInjectors, "cmbInjectors", 1800, 3900, 1575, 315);

    Label6 = label("Label6", QStringLiteral("DATA STREAM SENT"), 60, 4680, 3000);
    Label5 = label("Label5", QString(), 60, 4920, ClientWidth - 120);
    Label7 = label("Label7", QStringLiteral("DATA STREAM RECEIVED"), 60, 5400, 3000);
    Label8 = label("Label8", QString(), 60, 5640, ClientWidth - 120);
}
