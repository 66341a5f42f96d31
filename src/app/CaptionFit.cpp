#include "app/CaptionFit.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace quelvar {
namespace {

int pixelSizeOf(const QFont& font)
{
    return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
}

QFont withPixelSize(QFont font, int pixelSize)
{
    font.setPixelSize(pixelSize);
    return font;
}

// The space kept between a caption and the control beside it: a quarter of
// the text's height; twice that to a box's edge (inside its frame) and
// between a button's text and its frame on either side.
int gapFor(const QFont& font) { return (pixelSizeOf(font) + 3) / 4; }

QList<QRect> siblingRects(const QWidget* widget)
{
    QList<QRect> rects;
    for (const QObject* object : widget->parent()->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(object);
        if (sibling && sibling != widget && !sibling->isHidden())
            rects << sibling->geometry();
    }
    return rects;
}

// Shrinks the widget's font until `fits` holds for it; true when it changed.
bool shrinkUntil(QWidget* widget, const std::function<bool(const QFontMetrics&)>& fits)
{
    const QFont font = widget->font();
    const int size = pixelSizeOf(font);
    const int fitted = fittingPixelSize(size, std::max(1, size * 2 / 3), [&](int pixels) {
        return fits(QFontMetrics(withPixelSize(font, pixels)));
    });
    if (fitted == size)
        return false;
    widget->setFont(withPixelSize(font, fitted));
    return true;
}

void fitLabel(QLabel* label)
{
    const QString text = label->text();
    const int gap = gapFor(label->font());
    if (label->wordWrap()) {
        // A wrapped caption keeps its box; its lines must fit in it.
        const QRect box = label->contentsRect();
        shrinkUntil(label, [&](const QFontMetrics& metrics) {
            const QRect needed = metrics.boundingRect(QRect(0, 0, box.width(), 1 << 20),
                                                      int(label->alignment()) | Qt::TextWordWrap, text);
            return needed.width() <= box.width() && needed.height() <= box.height();
        });
        return;
    }
    const int room = roomToTheRight(label->geometry(), siblingRects(label),
                                    label->parentWidget()->width() - gap, gap);
    if (shrinkUntil(label, [&](const QFontMetrics& metrics) {
            return metrics.horizontalAdvance(text) + 2 * label->margin() + label->indent() <= room;
        }))
        label->adjustSize();
}

}  // namespace

int fittingPixelSize(int pixelSize, int smallest, const std::function<bool(int)>& fitsAt)
{
    for (int size = pixelSize; size > smallest; --size)
        if (fitsAt(size))
            return size;
    return std::min(pixelSize, smallest);
}

int roomToTheRight(const QRect& caption, const QList<QRect>& siblings, int parentWidth, int gap)
{
    int right = parentWidth;
    for (const QRect& sibling : siblings) {
        const bool sameRows = sibling.top() <= caption.bottom() && sibling.bottom() >= caption.top();
        if (sameRows && sibling.left() > caption.left())
            right = std::min(right, sibling.left());
    }
    return right - caption.left() - gap;
}

void fitCaptions(QWidget* window)
{
    for (QLabel* label : window->findChildren<QLabel*>())
        if (!label->text().isEmpty() && label->parentWidget())
            fitLabel(label);
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        const int inner = button->width() - 4 * gapFor(button->font());
        shrinkUntil(button, [&](const QFontMetrics& metrics) {
            return metrics.horizontalAdvance(button->text()) <= inner;
        });
    }
}

}  // namespace quelvar
