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
    w.string("recording_start", d.recordingStart);
    w.string("recording_end", d.recordingEnd);
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
        return fail(QStringLiteral("it is not a JSON object (%1)").arg(error.errorString()));
    const QJsonObject o = document.object();
    const QByteArray sha = QCryptographicHash::hash(dataFile, QCryptographicHash::Sha256).toHex();
    // A description left from an earlier run of the same name must not be
    // taken for this one.
    if (o.value(QStringLiteral("data_file_sha256")).toString().toLatin1() != sha)
        return fail(QStringLiteral("it describes another version of the data file"));
    const QJsonValue late = o.value(QStringLiteral("late_frames"));
    const QJsonValue duration = o.value(QStringLiteral("duration_s"));
    if (!late.isDouble() || !duration.isDouble() || late.toDouble() < 0 ||
        late.toDouble() > kRunFrames || late.toDouble() != std::floor(late.toDouble()))
        return fail(QStringLiteral("it holds no late_frames and duration_s"));
    return RunDescriptionSummary{late.toInt(), duration.toDouble()};
}

}  // namespace quelvar
