#include "task/RunFileCheck.h"

#include "common/FileError.h"
#include "datafiles/FileIdentity.h"
#include "datafiles/ParameterFile.h"
#include "datafiles/PathRules.h"
#include "datafiles/RegularFile.h"
#include "datafiles/RunCompanionFiles.h"

#include <QStringList>
#include <vector>

namespace quelvar {
namespace {

enum class Role { Data, Parameters, Timing, Description };

struct PlannedFile {
    QString path;
    Role role;
    int run;
};

QString roleName(Role role, bool plural)
{
    switch (role) {
    case Role::Data:
        return plural ? QStringLiteral("data files") : QStringLiteral("data file");
    case Role::Parameters:
        return plural ? QStringLiteral("parameter files") : QStringLiteral("parameter file");
    case Role::Timing:
        return plural ? QStringLiteral("timing files") : QStringLiteral("timing file");
    case Role::Description:
        break;
    }
    return plural ? QStringLiteral("run descriptions") : QStringLiteral("run description");
}

// "both the data file and the parameter file of run 1", "the data files of
// runs 1 and 2", ...
QString bothRoles(const PlannedFile& a, const PlannedFile& b)
{
    if (a.run == b.run)
        return QStringLiteral("both the %1 and the %2 of run %3")
            .arg(roleName(a.role, false), roleName(b.role, false))
            .arg(a.run);
    if (a.role == b.role)
        return QStringLiteral("the %1 of runs %2 and %3")
            .arg(roleName(a.role, true))
            .arg(a.run)
            .arg(b.run);
    return QStringLiteral("the %1 of run %2 and the %3 of run %4")
        .arg(roleName(a.role, false))
        .arg(a.run)
        .arg(roleName(b.role, false))
        .arg(b.run);
}

// What to choose instead: names ending in ".txt" never meet their own
// companions or parameter file, and a first name without "_" never meets
// the names derived from it.
QString clashAdvice(const QString& dataFilePath, bool seriesAhead)
{
    const QString name = bareFileName(dataFilePath);
    const bool txt = name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive);
    const bool underscore = seriesAhead && name.contains(u'_');
    const QString which =
        seriesAhead ? QStringLiteral("first name") : QStringLiteral("data file name");
    if (!txt && underscore)
        return QStringLiteral("Choose a first name that ends in .txt and has no \"_\".");
    if (!txt)
        return QStringLiteral("Choose a %1 that ends in .txt.").arg(which);
    if (underscore)
        return QStringLiteral("Choose a first name without \"_\".");
    return QStringLiteral("Choose another name for the data file.");
}

QString sentence(const FileError& error)
{
    QString text = error.message() + u'.';
    text[0] = text[0].toUpper();
    return text;
}

std::vector<PlannedFile> planRunFiles(const QString& dataFilePath, int runNumber, int lastRunNumber,
                                      bool parameterFiles)
{
    std::vector<PlannedFile> plan;
    int run = runNumber;
    for (const QString& data : dataFilesOfRuns(dataFilePath, runNumber, lastRunNumber)) {
        plan.push_back({data, Role::Data, run});
        if (parameterFiles)
            plan.push_back({seriesParameterFilePath(data), Role::Parameters, run});
        plan.push_back({frameTimingPath(data), Role::Timing, run});
        plan.push_back({runDescriptionPath(data), Role::Description, run});
        ++run;
    }
    return plan;
}

}  // namespace

QString runFilesRefusal(const QString& dataFilePath, int runNumber, int lastRunNumber,
                        bool parameterFiles)
{
    const std::vector<PlannedFile> plan =
        planRunFiles(dataFilePath, runNumber, lastRunNumber, parameterFiles);

    // One clash is enough to say: the rest follow from the same name.
    QStringList identities;
    for (const PlannedFile& file : plan) {
        const QString identity = fileIdentity(file.path);
        if (const qsizetype i = identities.indexOf(identity); i >= 0) {
            const PlannedFile& earlier = plan[std::size_t(i)];
            QString reason = QStringLiteral("it would be ") + bothRoles(earlier, file);
            if (file.path != earlier.path)
                reason += QStringLiteral(" (%1 is the same file)").arg(file.path);
            return sentence({QStringLiteral("write"), earlier.path, reason}) + u'\n'
                   + clashAdvice(dataFilePath, lastRunNumber > runNumber);
        }
        identities << identity;
    }

    std::vector<FileError> refused;
    for (const PlannedFile& file : plan) {
        if (file.role == Role::Data) {
            for (FileError& error : companionsOfOtherFiles(file.path))
                refused.push_back(std::move(error));
        } else if (file.role == Role::Parameters) {
            // A series replaces its parameter files without asking, as it
            // always has; anything else under that name is kept.
            if (anythingAt(file.path) && !readParameterFile(file.path).headerValid)
                refused.push_back({QStringLiteral("replace"), file.path,
                                   QStringLiteral("it is not a parameter file")});
        }
    }
    if (refused.empty())
        return {};
    QStringList lines;
    for (const FileError& error : refused)
        lines << sentence(error);
    lines << QStringLiteral(
        "Choose another name for the data file: the files beside it take its name "
        "without the extension.");
    return lines.join(u'\n');
}

}  // namespace quelvar
