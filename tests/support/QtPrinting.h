// How Qt values read in a failed check: left alone, GoogleTest prints a
// QString as a list of two-byte objects and a box as its raw bytes. Every test
// file gets these through the build (-include), lists compared whole included.
#pragma once

#include <QRect>
#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// Boxes as the corners the tests compare.
inline void PrintTo(const QRect& r, std::ostream* out)
{
    *out << "(" << r.left() << ", " << r.top() << ")-(" << r.right() << ", " << r.bottom() << ")";
}
