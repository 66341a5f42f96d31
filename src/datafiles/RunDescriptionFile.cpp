#include "datafiles/RunDescriptionFile.h"

#include "datafiles/NumberFormat.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace quelvar {
namespace {

// Writes the members of one object, two spaces in, one per line, in the
// order they are given.
class ObjectWriter {
public:
    ObjectWriter() { out_.append("{\n"); }

    QByteArray finish()
    {
        out_.append("\n}\n");
        return out_;
    }

    void string(const char* key, const QString& value)
    {
        name(key);
        appendString(value.toUtf8());
    }
    void string(const char* key, const QByteArray& latin) { string(key, QString::fromLatin1(latin)); }
    void integer(const char* key, std::int64_t value)
    {
        name(key);
        appendInteger(out_, value, 0);
    }
    void fixed(const char* key, double value, int decimals)
    {
        name(key);
        if (std::isfinite(value))
            appendFixed(out_, value, decimals, 0);
        else
            out_.append("null");  // JSON has no NaN or infinity
    }
    void boolean(const char* key, bool value)
    {
        name(key);
        out_.append(value ? "true" : "false");
    }
    void null(const char* key)
    {
        name(key);
        out_.append("null");
    }
    // Nanoseconds as seconds, every digit exact.
    void seconds(const char* key, std::int64_t ns)
    {
        name(key);
        if (ns < 0) {
            out_.append('-');
            ns = -ns;
        }
        appendInteger(out_, ns / 1000000000, 0);
        out_.append('.');
        out_.append(QByteArray::number(ns % 1000000000).rightJustified(9, '0'));
    }
    void scheduling(const char* key, const SchedulingFacts& s)
    {
        name(key);
        out_.append("{\"policy\": ");
        appendString(s.policy == SchedulingPolicy::Fifo         ? "fifo"
                     : s.policy == SchedulingPolicy::RoundRobin ? "rr"
                                                                : "other");
        out_.append(", \"priority\": ");
        appendInteger(out_, s.priority, 0);
        out_.append(", \"nice\": ");
        appendInteger(out_, s.nice, 0);
        out_.append(", \"obtained_by\": ");
        appendString(s.obtainedBy == SchedulingSource::SchedSetscheduler ? "sched_setscheduler"
                     : s.obtainedBy == SchedulingSource::RealtimeKit     ? "rtkit"
                                                                         : "none");
        if (!s.realtime()) {
            out_.append(", \"reason\": ");
            appendString(s.reason.toUtf8());
        }
        out_.append(", \"memory_locked\": ");
        out_.append(s.memoryLocked ? "true" : "false");
        out_.append('}');
    }
    void rect(const char* key, const QRect& r)
    {
        name(key);
        out_.append("{\"x\": ");
        appendInteger(out_, r.x(), 0);
        out_.append(", \"y\": ");
        appendInteger(out_, r.y(), 0);
        out_.append(", \"width\": ");
        appendInteger(out_, r.width(), 0);
        out_.append(", \"height\": ");
        appendInteger(out_, r.height(), 0);
        out_.append('}');
    }

private:
    void name(const char* key)
    {
        if (!first_)
            out_.append(",\n");
        first_ = false;
        out_.append("  \"");
        out_.append(key);
        out_.append("\": ");
    }

    void appendString(const QByteArray& utf8)
    {
        out_.append('"');
        for (const char c : utf8) {
            if (c == '"' || c == '\\') {
                out_.append('\\');
                out_.append(c);
            } else if (static_cast<unsigned char>(c) < 0x20) {
                // A file name may hold a line end or a tab.
                static constexpr char hex[] = "0123456789abcdef";
                out_.append("\\u00");
                out_.append(hex[(c >> 4) & 0xF]);
                out_.append(hex[c & 0xF]);
            } else {
                out_.append(c);
            }
        }
        out_.append('"');
    }

    QByteArray out_;
    bool first_ = true;
};

}  // namespace

QByteArray formatRunDescription(const RunDescription& d)
{
    const FrameIntervalStats& s = d.intervals;
    ObjectWriter w;
    w.string("program", QStringLiteral("Quelvar"));
    w.string("program_version", d.programVersion);
    w.string("data_file", d.dataFile);
    w.string("data_file_sha256", d.dataFileSha256Hex);
    w.string("frames_file", d.framesFile);
    w.boolean("frames_file_written", d.framesFileWritten);
    w.string("recording_start", d.recordingStart);
    w.string("recording_end", d.recordingEnd);
    w.seconds("anchor_start_monotonic_s", d.anchorStartMonotonicNs);
    w.seconds("anchor_start_unix_time_s", d.anchorStartWallNs);
    w.seconds("anchor_end_monotonic_s", d.anchorEndMonotonicNs);
    w.seconds("anchor_end_unix_time_s", d.anchorEndWallNs);
    w.integer("difficulty", d.difficulty);
    w.integer("disturbance_number", d.disturbanceNumber);
    w.integer("run_number", d.runNumber);
    w.integer("run_count", d.runCount);
    w.integer("inter_run_interval_s", d.interRunIntervalS);
    w.integer("lead_in_frames", d.leadInFrames);
    w.integer("recorded_frames", kRunFrames);
    w.fixed("nominal_frame_period_ms", 1000.0 / kFramesPerSecond, 6);
    w.fixed("frame_interval_mean_ms", s.meanMs, 6);
    w.fixed("frame_interval_sd_ms", s.sdMs, 6);
    w.fixed("frame_interval_min_ms", s.minMs, 6);
    w.fixed("frame_interval_max_ms", s.maxMs, 6);
    w.fixed("frame_interval_p99_ms", s.p99Ms, 6);
    w.integer("late_frames", s.lateFrames);
    w.fixed("late_threshold_ms", 1000.0 / kLateThresholdPerSecond, 6);
    w.fixed("duration_s", s.durationS, 6);
    w.scheduling("scheduling", d.scheduling);
    w.string("screen_name", d.screen.name);
    w.rect("screen_geometry", d.screen.geometry);
    w.fixed("screen_refresh_rate_hz", d.screen.refreshRateHz, 3);
    w.integer("display_width_px", d.display.width());
    w.integer("display_height_px", d.display.height());
    w.integer("display_scale", d.displayScale);
    w.string("disturbance_table_sha256", d.table.sha256Hex);
    const bool loaded = d.table.source == TableSource::Loaded;
    w.string("disturbance_table_source", loaded ? QStringLiteral("Distable") : QStringLiteral("generated"));
    if (loaded)
        w.null("disturbance_table_saved");
    else
        w.boolean("disturbance_table_saved", d.table.saved);
    w.string("disturbance_table_file", d.table.filePath);
    w.string("qt_version", d.qtVersion);
    w.string("platform", d.screen.platform);
    w.string("os", d.os);
    w.string("kernel", d.kernel);
    if (d.buildRevision.isEmpty())
        w.null("build_revision");
    else
        w.string("build_revision", d.buildRevision);
    w.string("build_type", d.buildType);
    w.string("compiler", d.compiler);
    w.string("host_name", d.hostName);
    w.string("cpu_model", d.cpuModel);
    w.integer("logical_cores", d.logicalCores);
    w.fixed("load_average_start", d.loadAverageStart < 0 ? NAN : d.loadAverageStart, 2);
    w.fixed("load_average_end", d.loadAverageEnd < 0 ? NAN : d.loadAverageEnd, 2);
    w.fixed("process_cpu_s", d.processCpuS, 3);
    const std::int64_t spanNs = d.anchorEndMonotonicNs - d.anchorStartMonotonicNs;
    w.fixed("process_cpu_percent", spanNs > 0 ? 100.0 * d.processCpuS / (double(spanNs) / 1e9) : NAN, 1);
    if (d.screen.pointerAcceleration)
        w.fixed("pointer_acceleration", *d.screen.pointerAcceleration, 6);
    else
        w.null("pointer_acceleration");
    if (d.screen.pointerThreshold)
        w.integer("pointer_threshold", *d.screen.pointerThreshold);
    else
        w.null("pointer_threshold");
    w.string("series_id", d.seriesId);
    w.string("run_id", d.runId);
    return w.finish();
}

std::optional<RunDescriptionSummary> runDescriptionSummary(const QByteArray& json,
                                                           const QByteArray& dataFile,
                                                           QString* problem)
{
    auto fail = [problem](const QString& reason) {
        if (problem)
            *problem = reason;
        return std::nullopt;
    };
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (!document.isObject())
        return fail(QStringLiteral("it is not a run description (not a JSON object: %1)").arg(error.errorString()));
    const QJsonObject o = document.object();
    // Any other JSON file may carry the name: a description says whose it is.
    if (o.value(QStringLiteral("program")).toString() != QStringLiteral("Quelvar") ||
        !o.value(QStringLiteral("data_file_sha256")).isString())
        return fail(QStringLiteral("it is not a run description"));
    const QByteArray sha = QCryptographicHash::hash(dataFile, QCryptographicHash::Sha256).toHex();
    // A description left from an earlier run of the same name must not be
    // taken for this one.
    if (o.value(QStringLiteral("data_file_sha256")).toString().toLatin1() != sha)
        return fail(QStringLiteral("it describes another version of the data file"));
    const QJsonValue late = o.value(QStringLiteral("late_frames"));
    const QJsonValue duration = o.value(QStringLiteral("duration_s"));
    // A run takes time: a negative or endless duration would reach the table
    // as if it had been measured.
    if (!late.isDouble() || !duration.isDouble() || late.toDouble() < 0
        || late.toDouble() > kRunFrames || late.toDouble() != std::floor(late.toDouble())
        || !(duration.toDouble() >= 0) || !std::isfinite(duration.toDouble()))
        return fail(QStringLiteral("it holds no late_frames and duration_s"));
    return RunDescriptionSummary{late.toInt(), duration.toDouble()};
}

}  // namespace quelvar
