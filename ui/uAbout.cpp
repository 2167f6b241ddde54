#include "ui/uAbout.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QStringList>
#include <QTimer>

#include "MorvexVersion.h"
#include "ui/Glyphs.h"

TfrmAbout::TfrmAbout(QWidget* parent)
    // A tool window: no task-bar entry, and (unlike a splash-screen window) it can also
    // be shown modally as the About box.
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Image1(new QLabel(this)), Label5(new QLabel(this)), txtVersion(new QLabel(this)), Timer(new QTimer(this)) {
    setFixedSize(368, 225);
    setWindowTitle(QStringLiteral("About Morvex"));
    Image1->setGeometry(0, 0, 368, 225);
    Image1->setPixmap(QPixmap::fromImage(SplashPicture(devicePixelRatioF())));

    auto* bevel = new QFrame(this);  // Bevel1
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(10, 158, 350, 2);

    QFont f = font();
    f.setPixelSize(12);
    f.setBold(true);
    for (QLabel* l : {Label5, txtVersion}) {
        l->setFont(f);
        l->setStyleSheet(QStringLiteral("color: #b0b0b0; background: transparent;"));
        l->installEventFilter(this);
    }
    Image1->installEventFilter(this);
    Label5->setText(QStringLiteral("Version"));
    Label5->setGeometry(20, 162, 80, 18);
    txtVersion->setGeometry(102, 162, 257, 18);
    txtVersion->setText(VersionText(QStringLiteral(MORVEX_FILE_VERSION)));

    Timer->setInterval(1500);
    Timer->setSingleShot(false);
    connect(Timer, &QTimer::timeout, this, &TfrmAbout::TimerTimer);
}

void TfrmAbout::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Centred on the desktop.
    if (QScreen* s = screen()) move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

QString TfrmAbout::VersionText(const QString& fileVersion) {
    const QStringList parts = fileVersion.split(QLatin1Char('.'));
    if (parts.size() < 4) return fileVersion;
    return parts[0] + QLatin1Char('.') + parts[1] + QLatin1Char('.') + parts[3];
}

int TfrmAbout::ShowModal() {
    FModal = true;
    const int r = exec();
    FModal = false;
    return r;
}

void TfrmAbout::TimerTimer() {
    Timer->stop();
    hide();  // kept: it serves as the About box
}

void TfrmAbout::Image1Click() {
    // Closes the window only when it is shown modally; as the splash it stays.
    if (FModal) accept();
}

void TfrmAbout::mousePressEvent(QMouseEvent*) { Image1Click(); }

void TfrmAbout::keyPressEvent(QKeyEvent* e) {
    if (FModal)
        accept();
    else
        e->ignore();
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress) {
        Image1Click();
        return true;
    }
    return QDialog::eventFilter(watched, e);
}
