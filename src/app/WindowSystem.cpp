#include "app/WindowSystem.h"

#include <QtGlobal>

namespace quelvar {

QByteArray platformRequest(const QByteArray& chosen, bool x11Display)
{
    if (!chosen.trimmed().isEmpty())
        return chosen;
    // Qt tries the plugins in this order and takes the first that starts.
    // Without DISPLAY the xcb plugin cannot start, and trying it first would
    // only leave Qt's complaints about that on standard error.
    return x11Display ? QByteArrayLiteral("xcb;wayland") : QByteArrayLiteral("wayland;xcb");
}

void requestPreferredPlatform()
{
    qputenv("QT_QPA_PLATFORM",
            platformRequest(qgetenv("QT_QPA_PLATFORM"), !qEnvironmentVariableIsEmpty("DISPLAY")));
}

}  // namespace quelvar
