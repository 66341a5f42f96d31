#include "common/BuildIdentity.h"

#include "common/BuildRevision.h"
#include "common/Version.h"

namespace quelvar {

BuildIdentity buildIdentity()
{
    BuildIdentity b;
    b.revision = QString::fromLatin1(kBuildRevision);
    b.type = QString::fromLatin1(kBuildType);
#ifdef QUELVAR_SANITIZE
    b.type += QStringLiteral(" with sanitizers");
#endif
#if defined(__clang__)
    b.compiler = QStringLiteral("clang " __clang_version__).trimmed();
#elif defined(__GNUC__)
    b.compiler = QStringLiteral("g++ " __VERSION__);
#else
    b.compiler = QStringLiteral("unknown");
#endif
    return b;
}

}  // namespace quelvar
