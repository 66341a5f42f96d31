#pragma once
// Where Quelvar works when the desktop menu starts it. A menu starts programs
// in whatever folder the desktop itself runs in (often the home folder, or
// "/"), where "Distable" and the first data files would be lost among other
// things or could not be written at all.
#include <QString>

namespace quelvar {

// Quelvar inside the home folder `home`.
QString desktopWorkFolder(const QString& home);

// Makes `folder` (and its parents) when missing and makes it the current
// folder. On failure returns false with a sentence for the user in *problem
// and leaves the current folder as it was.
bool enterWorkFolder(const QString& folder, QString* problem);

}  // namespace quelvar
