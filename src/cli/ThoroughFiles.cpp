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
    for (const FileResult& written : {writeParameterFile(job.thoroughPath, values),
                                      writeFileAtomically(job.profilePath, profileCsv(job))}) {
        if (!written.ok()) {
            job.messages << written->message();
            ok = false;
        }
    }
    return ok;
}

}  // namespace quelvar::cli
