#pragma once
// Keeps each caption of a window (labels and button texts) inside the room
// the window's layout gives it. The layout is drawn for Arial's metrics;
// where no face with those metrics is installed, the fallback (DejaVu Sans,
// say) is wider, and a caption that would then run into its neighbour or out
// of its box gets a smaller size of its font. Captions that fit keep their
// font, so with Arial's metrics nothing moves.
#include <QList>
#include <QRect>
#include <functional>

class QWidget;

namespace quelvar {

// The largest pixel size from `pixelSize` down to `smallest` at which
// `fitsAt` holds; `smallest` when none does.
int fittingPixelSize(int pixelSize, int smallest, const std::function<bool(int)>& fitsAt);

// How wide a caption starting at `caption.left()` may be: up to the nearest
// of `siblings` that starts right of it on the same rows, or else up to
// `parentWidth`, less `gap` either way.
int roomToTheRight(const QRect& caption, const QList<QRect>& siblings, int parentWidth, int gap);

// Fits every caption in `window` to its room.
void fitCaptions(QWidget* window);

}  // namespace quelvar
