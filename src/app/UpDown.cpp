#include "app/UpDown.h"

#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

namespace quelvar {

UpDown::UpDown(QLineEdit* buddy, int min, int max, int increment, int position, QWidget* parent)
    : QWidget(parent), buddy_(buddy), min_(min), max_(max), increment_(increment), position_(position)
{
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    connect(up_, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(down_, &QToolButton::clicked, this, &UpDown::stepDown);
    setPosition(position);
}

void UpDown::setPosition(int position)
{
    position_ = std::clamp(position, min_, max_);
    showPosition();
}

void UpDown::stepUp()
{
    step(increment_);
}

void UpDown::stepDown()
{
    step(-increment_);
}

void UpDown::step(int delta)
{
    position_ = std::clamp(position_ + delta, min_, max_);
    showPosition();
    emit clicked(position_);
}

void UpDown::showPosition()
{
    if (buddy_)
        buddy_->setText(QString::number(position_));
}

void UpDown::resizeEvent(QResizeEvent*)
{
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

}  // namespace quelvar
