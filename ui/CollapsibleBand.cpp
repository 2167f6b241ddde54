#include "ui/CollapsibleBand.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

TCollapsibleBand::TCollapsibleBand(const QString& caption, int height, QWidget* parent)
    : QWidget(parent), FHeader(new QToolButton(this)), FBody(new QWidget(this)), FHeight(height) {
    FHeader->setText(caption);
    FHeader->setCheckable(true);
    FHeader->setChecked(true);
    FHeader->setArrowType(Qt::DownArrow);
    FHeader->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    FHeader->setAutoRaise(true);
    FHeader->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QFont f = FHeader->font();
    f.setBold(true);
    FHeader->setFont(f);
    FHeader->setFixedHeight(HeaderHeight);
    FBody->setFixedHeight(std::max(height - HeaderHeight, 0));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FHeader);
    layout->addWidget(FBody);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(FHeader, &QToolButton::toggled, this, [this](bool on) { SetExpanded(on); });
}

void TCollapsibleBand::Place(QWidget* control, int x, int y, int width, int height) {
    control->setParent(FBody);
    control->setGeometry(x, y - HeaderHeight, width, height);
}

QString TCollapsibleBand::Caption() const { return FHeader->text(); }

bool TCollapsibleBand::IsExpanded() const { return FBody->isVisibleTo(this); }

void TCollapsibleBand::SetExpanded(bool expanded) {
    FHeader->setChecked(expanded);
    FHeader->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
    FBody->setVisible(expanded);
}
