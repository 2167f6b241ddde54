#pragma once
// The splash window, later the About box: the program's picture and version.
#include <QDialog>

class QLabel;
class QTimer;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    // Shows the window as the About box; it closes on a click or a key.
    int ShowModal();
    // The version text: major.minor.build of the four-part file version.
    static QString VersionText(const QString& fileVersion);

    QLabel* Image1;
    QLabel* Label5;
    QLabel* txtVersion;
    QTimer* Timer;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void TimerTimer();
    void Image1Click();

    bool FModal = false;
};
