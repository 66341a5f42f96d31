#pragma once
// An up-down spinner bound to the read-only edit on its left: two small
// arrow buttons that step a position within [min, max] without wrapping,
// show it in the edit and report every click.
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace quelvar {

class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit* buddy, int min, int max, int increment, int position, QWidget* parent);

    int position() const { return position_; }
    int minimum() const { return min_; }
    int maximum() const { return max_; }

    // Sets the position from the program: held within range, no click.
    void setPosition(int position);

    // What a click on either arrow does (also used by tests).
    void stepUp();
    void stepDown();

signals:
    void clicked(int position);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void step(int delta);
    void showPosition();

    QLineEdit* buddy_;
    QToolButton* up_;
    QToolButton* down_;
    int min_;
    int max_;
    int increment_;
    int position_;
};

}  // namespace quelvar
