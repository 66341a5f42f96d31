// The frames file reader on arbitrary bytes.
//
// A refused file must say why (quelvar-fit passes over it with that reason).
// A loaded one holds 3600 rows of finite numbers, and those rows written in
// the writer's own rows read back, each within half a unit of its last
// decimal: the reader takes every number the writer can write.
#include "FuzzChecks.h"

#include "datafiles/FrameTimingFile.h"

#include <cmath>
#include <memory>
#include <string_view>

using namespace quelvar;

namespace {

QByteArray written(const FrameTimingRows& rows)
{
    QByteArray out(kFrameTimingHeader);
    out.append('\n');
    for (std::size_t i = 1; i <= kRunFrames; ++i)
        appendFrameTimingRow(out, int(i), rows.timeS[i], rows.intervalMs[i], rows.late[i],
                             rows.mouse[i], rows.target[i]);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static auto rows = std::make_unique<FrameTimingRows>();
    static auto again = std::make_unique<FrameTimingRows>();
    QString problem;
    if (!parseFrameTimingFile(std::string_view(reinterpret_cast<const char*>(data), size), *rows, &problem)) {
        FUZZ_CHECK(!problem.isEmpty());
        return 0;
    }
    FUZZ_CHECK(problem.isEmpty());
    for (std::size_t i = 1; i <= kRunFrames; ++i) {
        FUZZ_CHECK(std::isfinite(rows->timeS[i]) && std::isfinite(rows->intervalMs[i]));
        FUZZ_CHECK(std::isfinite(rows->mouse[i]) && std::isfinite(rows->target[i]));
    }

    const QByteArray text = written(*rows);
    FUZZ_CHECK(parseFrameTimingFile(std::string_view(text.constData(), std::size_t(text.size())), *again, &problem));
    for (std::size_t i = 1; i <= kRunFrames; ++i) {
        FUZZ_CHECK(closeTo(again->timeS[i], rows->timeS[i], 9));
        FUZZ_CHECK(closeTo(again->intervalMs[i], rows->intervalMs[i], 6));
        FUZZ_CHECK(again->late[i] == rows->late[i]);
        FUZZ_CHECK(closeTo(again->mouse[i], rows->mouse[i], 2));
        FUZZ_CHECK(closeTo(again->target[i], rows->target[i], 2));
    }
    return 0;
}
