#include "cli/FitTable.h"

#include "analysis/AnalysisSession.h"
#include "cli/RunTimingColumns.h"
#include "datafiles/NumberFormat.h"

#include <QStringList>

namespace quelvar::cli {
namespace {

QString csvField(const QString& text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n') && !text.contains('\r'))
        return text;
    QString quoted = text;
    quoted.replace('"', QStringLiteral("\"\""));
    return '"' + quoted + '"';
}

// A parameter file's number, without its padding.
QString fixed(double value, int decimals) { return QString::fromLatin1(formatFixed(value, decimals, 0).trimmed()); }

// The decimals of a parameter file's lines 4 and 5.
QString delayText(double v) { return fixed(v, 4); }
QString gainText(double v) { return fixed(v, 4); }
QString dampingText(double v) { return fixed(v, 6); }
QString referenceText(double v) { return fixed(v, 4); }
QString errorText(double v) { return fixed(v, 3); }
QString flag(bool set) { return set ? QStringLiteral("1") : QStringLiteral("0"); }

struct Column {
    const char* name;
    QString (*value)(const FileJob& job);
};

// The row carries the numbers the parameter file was written with.
ParameterFileValues written(const FileJob& job) { return parameterFileValues(*job.state); }
ParameterFileValues thoroughBest(const FileJob& job) { return parameterFileValues(job, job.thorough->best); }

const Column kFitColumns[] = {
    {"file", [](const FileJob& j) { return csvField(j.file); }},
    {"difficulty", [](const FileJob& j) { return QString::number(written(j).difficulty); }},
    {"disturbance", [](const FileJob& j) { return QString::number(written(j).disturbanceNumber); }},
    {"delay", [](const FileJob& j) { return delayText(written(j).inputDelay); }},
    {"gain", [](const FileJob& j) { return gainText(written(j).outputGain); }},
    {"damping", [](const FileJob& j) { return dampingText(written(j).damping); }},
    {"reference", [](const FileJob& j) { return referenceText(written(j).reference); }},
    {"model_rms", [](const FileJob& j) { return errorText(written(j).modelRmsError); }},
    {"tracking_rms", [](const FileJob& j) { return errorText(written(j).trackingRmsError); }},
};

const Column kThoroughColumns[] = {
    {"thorough_delay", [](const FileJob& j) { return delayText(thoroughBest(j).inputDelay); }},
    {"thorough_gain", [](const FileJob& j) { return gainText(thoroughBest(j).outputGain); }},
    {"thorough_damping", [](const FileJob& j) { return dampingText(thoroughBest(j).damping); }},
    {"thorough_reference", [](const FileJob& j) { return referenceText(thoroughBest(j).reference); }},
    {"thorough_model_rms", [](const FileJob& j) { return errorText(thoroughBest(j).modelRmsError); }},
    {"gap_pp", [](const FileJob& j) { return errorText(written(j).modelRmsError - j.thorough->best.modelRms); }},
    {"delay_at_bound",
     [](const FileJob& j) { return flag(j.thorough->best.at.delay == j.state->analysis.Spinners.InDelayUpDown.Max); }},
    {"autofit_clipped", [](const FileJob& j) { return flag(j.autoFitClipped); }},
    {"beyond_delay",
     [](const FileJob& j) { return j.thorough->beyond ? delayText(j.thorough->beyond->at.delay) : QString(); }},
    {"beyond_model_rms",
     [](const FileJob& j) { return j.thorough->beyond ? errorText(j.thorough->beyond->modelRms) : QString(); }},
};

ParameterFileValues valuesAt(const FileJob& job, const SpinnerSetting& setting)
{
    FitPoint point;
    point.at = setting;
    return parameterFileValues(job, point);
}
ParameterFileValues low(const FileJob& job) { return valuesAt(job, job.uncertainty->low); }
ParameterFileValues high(const FileJob& job) { return valuesAt(job, job.uncertainty->high); }

const Column kUncertaintyColumns[] = {
    {"delay_lo", [](const FileJob& j) { return delayText(low(j).inputDelay); }},
    {"delay_hi", [](const FileJob& j) { return delayText(high(j).inputDelay); }},
    {"gain_lo", [](const FileJob& j) { return gainText(low(j).outputGain); }},
    {"gain_hi", [](const FileJob& j) { return gainText(high(j).outputGain); }},
    {"damping_lo", [](const FileJob& j) { return dampingText(low(j).damping); }},
    {"damping_hi", [](const FileJob& j) { return dampingText(high(j).damping); }},
    {"reference_lo", [](const FileJob& j) { return referenceText(low(j).reference); }},
    {"reference_hi", [](const FileJob& j) { return referenceText(high(j).reference); }},
    {"holdout_rms", [](const FileJob& j) { return errorText(j.uncertainty->holdoutRms); }},
    {"replicates", [](const FileJob& j) { return QString::number(j.uncertainty->replicates.size()); }},
};

template <std::size_t N>
QStringList namesOf(const Column (&columns)[N])
{
    QStringList names;
    for (const Column& column : columns)
        names << QString::fromLatin1(column.name);
    return names;
}

template <std::size_t N>
QStringList valuesOf(const Column (&columns)[N], const FileJob& job)
{
    QStringList values;
    for (const Column& column : columns)
        values << column.value(job);
    return values;
}

}  // namespace

ParameterFileValues parameterFileValues(const FileJob& job, const FitPoint& point)
{
    return quelvar::parameterFileValues(*job.state, parametersOf(point.at), point.modelRms);
}

QString csvHeader(bool thorough, bool uncertainty)
{
    QStringList names = namesOf(kFitColumns);
    names << QString::fromLatin1(kRunTimingHeader);
    if (thorough)
        names << namesOf(kThoroughColumns);
    if (uncertainty)
        names << namesOf(kUncertaintyColumns);
    return names.join(',');
}

QString csvRow(const FileJob& job, const QStringList& timing, bool thorough, bool uncertainty)
{
    QStringList values = valuesOf(kFitColumns, job);
    values << timing;
    if (thorough)
        values << valuesOf(kThoroughColumns, job);
    if (uncertainty)
        values << valuesOf(kUncertaintyColumns, job);
    return values.join(',');
}

QByteArray profileCsv(const FileJob& job)
{
    QByteArray text = "delay,gain,damping,reference,model_rms\r\n";
    for (const FitPoint& point : job.thorough->profile) {
        const ParameterFileValues v = parameterFileValues(job, point);
        const QStringList row = {delayText(v.inputDelay), gainText(v.outputGain), dampingText(v.damping),
                                 referenceText(v.reference), errorText(v.modelRmsError)};
        text += row.join(',').toLatin1() + "\r\n";
    }
    return text;
}

}  // namespace quelvar::cli
