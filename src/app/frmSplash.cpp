#include "app/frmSplash.h"

#include "app/Version.h"
#include "platform/Twips.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QString programVersion()
{
    return QStringLiteral("%1.%2.%3")
        .arg(kestrel::version::Major)
        .arg(kestrel::version::Minor)
        .arg(kestrel::version::Revision);
}

// A kestrel's silhouette in a disc, for the picture boxes.
class Emblem final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF disc = QRectF(rect()).adjusted(2, 2, -2, -2);
        QRadialGradient glow(disc.center(), disc.width() / 2);
        glow.setColorAt(0, QColor(255, 190, 60));
        glow.setColorAt(1, QColor(190, 70, 20));
        p.setBrush(glow);
        p.setPen(QPen(QColor(90, 30, 10), 2));
        p.drawEllipse(disc);
        p.translate(disc.center());
        p.scale(disc.width() / 100.0, disc.height() / 100.0);
        QPainterPath bird;
        bird.moveTo(-40, 5);
        bird.quadTo(-15, -30, 5, -8);
        bird.quadTo(25, -38, 42, -20);
        bird.quadTo(22, -14, 12, 2);
        bird.lineTo(30, 28);
        bird.lineTo(4, 12);
        bird.quadTo(-18, 6, -40, 5);
        p.setBrush(QColor(40, 20, 10));
        p.setPen(Qt::NoPen);
        p.drawPath(bird);
    }
};

} // namespace

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(Twips(7560, this), Twips(5640, this));

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(0, 0, width(), height());
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setLineWidth(2);
    Frame1->setAutoFillBackground(true);
    QPalette palette = Frame1->palette();
    palette.setColor(QPalette::Window, QColor(250, 248, 242));
    Frame1->setPalette(palette);
    Frame1->installEventFilter(this);

    auto* picture1 = new Emblem(Frame1);
    picture1->setObjectName(QStringLiteral("Picture1"));
    picture1->setGeometry(Twips(360), Twips(2100), Twips(2400), Twips(2400));
    auto* picture2 = new QWidget(Frame1);
    picture2->setObjectName(QStringLiteral("Picture2"));
    picture2->setGeometry(Twips(360), Twips(1200), Twips(6840), Twips(30));
    picture2->setAutoFillBackground(true);
    QPalette rule = picture2->palette();
    rule.setColor(QPalette::Window, QColor(190, 70, 20));
    picture2->setPalette(rule);
    auto* picture3 = new QWidget(Frame1);
    picture3->setObjectName(QStringLiteral("Picture3"));
    picture3->setGeometry(Twips(360), Twips(4980), Twips(6840), Twips(15));
    picture3->setAutoFillBackground(true);
    picture3->setPalette(rule);

    lblProductName = label("lblProductName", QStringLiteral("KESTREL"), 360, 480);
    QFont big = lblProductName->font();
    big.setPointSize(32);
    big.setBold(true);
    lblProductName->setFont(big);
    lblProductName->adjustSize();
    auto* tm = label("Label1", QStringLiteral("TM"), 3720, 360);
    QFont small = tm->font();
    small.setPointSize(8);
    small.setBold(true);
    tm->setFont(small);
    tm->adjustSize();

    auto* product = label("lblCompanyProduct", QStringLiteral("\"Ventrix Communications Software\""), 360, 1320);
    QFont medium = product->font();
    medium.setPointSize(14);
    product->setFont(medium);
    product->adjustSize();
    label("lblPlatform", QStringLiteral("Microsoft Windows"), 5400, 1860);
    lblVersion = label("lblVersion", QStringLiteral("Version"), 6420, 2220);
    label("lblCompany", QStringLiteral("HALDEN RACING"), 5400, 4320);
    label("lblCompanyDivision", QStringLiteral("Race Electronics"), 5400, 4560);
    label("lblCopyright", QStringLiteral("Copyright \u00A9 2026 Halden Racing. All rights reserved."), 180, 5100);

    Form_Load();
}

QLabel* frmSplash::label(const char* name, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, Frame1);
    label->setObjectName(QString::fromLatin1(name));
    label->move(Twips(left, this), Twips(top, this));
    label->adjustSize();
    return label;
}

void frmSplash::Form_Load()
{
    lblVersion->setText(QStringLiteral("Version ") + programVersion());
    lblVersion->adjustSize();
    // Right-aligned versions of different lengths keep their right edge in the box.
    if (lblVersion->geometry().right() > width() - Twips(180, this))
        lblVersion->move(width() - Twips(180, this) - lblVersion->width(), lblVersion->y());
    lblProductName->setText(QStringLiteral("KESTREL"));
    lblProductName->adjustSize();
}

void frmSplash::Frame1_Click()
{
    close();
}

void frmSplash::keyPressEvent(QKeyEvent*)
{
    close();
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Frame1 && event->type() == QEvent::MouseButtonRelease) {
        Frame1_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
