#include "cli/OutputCollisions.h"

#include "datafiles/FileIdentity.h"

#include <map>

namespace quelvar::cli {

QStringList outputCollisions(const QStringList& inputs, const std::vector<PlannedOutput>& outputs)
{
    std::map<QString, QString> inputByIdentity;
    for (const QString& input : inputs)
        inputByIdentity.emplace(fileIdentity(input), input);

    QStringList problems;
    std::map<QString, const PlannedOutput*> outputByIdentity;
    for (const PlannedOutput& output : outputs) {
        const QString identity = fileIdentity(output.path);
        if (const auto input = inputByIdentity.find(identity); input != inputByIdentity.end()) {
            problems << QStringLiteral("%1 (from %2) would replace the input file %3")
                            .arg(output.path, output.forFile, input->second);
            continue;
        }
        const auto [earlier, isNew] = outputByIdentity.emplace(identity, &output);
        if (!isNew) {
            problems << QStringLiteral("%1 (from %2) and %3 (from %4) are the same file")
                            .arg(earlier->second->path, earlier->second->forFile, output.path, output.forFile);
        }
    }
    return problems;
}

}  // namespace quelvar::cli
