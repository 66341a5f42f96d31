#pragma once
// Which build of the program is running: the source revision when it was
// built from a git checkout, the build type and the compiler.
#include <QString>

namespace quelvar {

struct BuildIdentity {
    QString revision;  // empty when not built from a checkout
    QString type;
    QString compiler;
};

BuildIdentity buildIdentity();

}  // namespace quelvar
