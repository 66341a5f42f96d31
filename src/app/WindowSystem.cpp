#include "app/WindowSystem.h"

#include <QtGlobal>

namespace quelvar {

QByteArray platformRequest(const QByteArray& chosen)
{
    if (!chosen.trimmed().isEmpty())
        return chosen;
    // Qt tries the plugins in this order and takes the first that starts.
    return QByteArrayLiteral("xcb;wayland");
}

void requestPreferredPlatform()
{
    qputenv("QT_QPA_PLATFORM", platformRequest(qgetenv("QT_QPA_PLATFORM")));
}

}  // namespace quelvar
