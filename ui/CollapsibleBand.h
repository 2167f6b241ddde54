#pragma once
// One collapsible band of the tool panel: a caption bar that folds the band's body away
// and back, and the body of a fixed height holding the band's controls.
#include <QWidget>

class QToolButton;

class TCollapsibleBand : public QWidget {
    Q_OBJECT
public:
    static constexpr int HeaderHeight = 18;

    // height: the band's height when expanded, caption bar included.
    TCollapsibleBand(const QString& caption, int height, QWidget* parent = nullptr);

    // The widget that holds the band's controls.
    QWidget* Body() const { return FBody; }
    // Puts a control of the body at a position given from the band's top-left corner.
    void Place(QWidget* control, int x, int y, int width, int height);
    QString Caption() const;
    int BandHeight() const { return FHeight; }
    bool IsExpanded() const;
    void SetExpanded(bool expanded);

private:
    QToolButton* FHeader;
    QWidget* FBody;
    int FHeight;
};
