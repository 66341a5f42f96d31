#include "cli/ThoroughFiles.h"

#include "cli/FitTable.h"
#include "datafiles/FileSink.h"
#include "datafiles/ParameterFile.h"

namespace quelvar::cli {

bool writeThoroughFiles(FileJob& job)
{
    // Line 5 holds the errors of exactly the parameters on line 4.
    const ParameterFileValues values = parameterFileValues(job, job.thorough->best);
    bool ok = true;
    QString reason;
    if (!writeParameterFile(job.thoroughPath, values)) {
        job.messages << QStringLiteral("cannot write %1").arg(job.thoroughPath);
        ok = false;
    }
    if (!writeFileAtomically(job.profilePath, profileCsv(job), &reason)) {
        job.messages << QStringLiteral("cannot write %1: %2").arg(job.profilePath, reason);
        ok = false;
    }
    return ok;
}

}  // namespace quelvar::cli
