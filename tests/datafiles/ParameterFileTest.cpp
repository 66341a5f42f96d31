#include "datafiles/ParameterFile.h"

#include "common/Rounding.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quelvar {
namespace {

using namespace test;

ParameterFileReadResult parse(const QByteArray& bytes)
{
    return parseParameterFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// The default spinners (delay 2, gain 20, damping 20, reference 0) in model units.
ParameterFileValues exampleValues()
{
    return {3, 1, 2.0, 20 / 10.0, 20 / 1000.0, 0 / 10.0, 4.5678, 12.3456};
}

// Every field, so that two sets of values compare whole.
auto fieldsOf(const ParameterFileValues& v)
{
    return std::tuple(v.difficulty, v.disturbanceNumber, v.inputDelay, v.outputGain, v.damping,
                      v.reference, v.modelRmsError, v.trackingRmsError);
}

// The example file is written byte for byte. Delay, gain, damping and
// reference at their extremes and in between stay in their fields; the errors
// and negative zeros follow the fixed writer.
TEST(ParameterFileFormat, TheExampleFileIsWrittenByteForByteAndValuesStayInTheirFields)
{
    EXPECT_EQ(formatParameterFile("/runs/subject1.par", exampleValues()),
              "TrackParameters\r\n"
              "/runs/subject1.par\r\n"
              "       3       1\r\n"
              "    2.0000    2.0000  0.020000    0.0000\r\n"
              "     4.568    12.346\r\n");
    const struct {
        ParameterFileValues values;
        QByteArray lines4And5;
    } cases[] = {
        {{0, 0, 16, 500 / 10.0, 1000 / 1000.0, -100 / 10.0},
         "   16.0000   50.0000  1.000000  -10.0000\r\n     0.000     0.000"},
        {{0, 0, 2.5, 500 / 10.0, 1 / 1000.0, -15 / 10.0},
         "    2.5000   50.0000  0.001000   -1.5000\r\n     0.000     0.000"},
        {{0, 0, 2.32, 500 / 10.0, 1 / 1000.0, 10.0},
         "    2.3200   50.0000  0.001000   10.0000\r\n     0.000     0.000"},
        {{0, 0, 0.0, 0.0, 0.0, -0.00001, 1.0625, 123456.0},
         "    0.0000    0.0000  0.000000   -0.0000\r\n     1.063123456.000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatParameterFile("", c.values),
                  "TrackParameters\r\n\r\n       0       0\r\n" + c.lines4And5 + "\r\n");
}

TEST(ParameterFileRead, EveryWholeSpinnerPositionSurvivesAWriteAndARead)
{
    // Each spinner walks its whole range; the others move along so that
    // every position meets a variety of neighbours.
    for (int step = 0; step <= 1000; ++step) {
        const auto positions = std::tuple(step % 17, step % 501, step, step % 201 - 100);
        const auto [delay, gain, damp, ref] = positions;
        const ParameterFileValues v{0, 0, double(delay), gain / 10.0, damp / 1000.0, ref / 10.0};
        const ParameterFileReadResult result = parse(formatParameterFile("p.par", v));
        ASSERT_EQ(result.outcome, ParameterFileReadResult::Loaded);
        const ParameterFileValues& read = result.values;
        EXPECT_EQ(std::tuple(roundHalfEven(read.inputDelay), roundHalfEven(read.outputGain * 10),
                             roundHalfEven(read.damping * 1000),
                             roundHalfEven(read.reference * 10)),
                  positions);
    }
}

// The example file reads back; a file ending after its path reads all zeros;
// numbers may run on to later lines, and what follows them on a line is skipped.
TEST(ParameterFileRead, ReadsTheNumbersThatAreThere)
{
    const std::pair<QByteArray, ParameterFileValues> cases[] = {
        {formatParameterFile("/elsewhere/x.par", exampleValues()),
         {3, 1, 2.0, 2.0, 0.02, 0.0, 4.568, 12.346}},
        {"TrackParameters\r\n/x.par\r\n", {}},
        {"TrackParameters\r\n/x.par", {}},
        {"TrackParameters\n/x.par\n\x1A 5 5\r\n 9 9 9 9", {}},
        {"TrackParameters\r\nwhatever 1 2\r\n4\r\n5 extra\r\n1.5 2.5\r\n3.5\r\n4.5 ignored\r\n"
         "7.25 8.5 9 and more\r\n",
         {4, 5, 1.5, 2.5, 3.5, 4.5, 7.25, 8.5}},
    };
    for (const auto& [text, values] : cases) {
        const ParameterFileReadResult result = parse(text);
        ASSERT_EQ(result.outcome, ParameterFileReadResult::Loaded) << text.constData();
        EXPECT_TRUE(result.headerValid);
        EXPECT_EQ(fieldsOf(result.values), fieldsOf(values)) << text.constData();
    }
}

TEST(ParameterFileRead, RejectsHeadersThatAreNotExactlyTrackParameters)
{
    const QByteArray rest = "\r\n/x.par\r\n1 2\r\n1 1 1 1\r\n1 1\r\n";
    for (const char* header : {"TrackParameters ", "trackparameters", "\xEF\xBB\xBFTrackParameters",
                               "TrackData", ""}) {
        const ParameterFileReadResult result = parse(header + rest);
        EXPECT_EQ(result.outcome, ParameterFileReadResult::NotValid) << header;
        EXPECT_FALSE(result.headerValid) << header;
    }
}

TEST(ParameterFileRead, AMalformedNumberIsAnIoError)
{
    for (const char* text : {"TrackParameters\r\np\r\n3.0 1\r\n",
                             "TrackParameters\r\np\r\n3 1\r\n2 2 0.02 x\r\n",
                             "TrackParameters\r\np\r\n3 1\r\n2 2 0.02 0\r\n4,5 1\r\n",
                             "TrackParameters\r\np\r\n3 1\r\n2 inf 0.02 0\r\n"}) {
        const ParameterFileReadResult result = parse(text);
        EXPECT_EQ(result.outcome, ParameterFileReadResult::IoError) << text;
        EXPECT_TRUE(result.headerValid) << text;
    }
}

TEST(ParameterFileFiles, WriteThenReadFromDiskNamesTheFileOnLineTwo)
{
    TempFolder folder;
    const QString path = folder.path("subject1.par");
    ASSERT_TRUE(fileOk(writeParameterFile(path, exampleValues())));
    const QByteArray text = readAll(path);
    EXPECT_TRUE(text.startsWith("TrackParameters\r\n" + path.toUtf8() + "\r\n"));
    EXPECT_EQ(text, formatParameterFile(path, exampleValues()));

    // Moved elsewhere, the file reads the same: line 2 is never compared.
    const QString moved = folder.path("renamed.par");
    ASSERT_TRUE(QFile::rename(path, moved));
    const ParameterFileReadResult result = readParameterFile(moved);
    ASSERT_EQ(result.outcome, ParameterFileReadResult::Loaded);
    EXPECT_EQ(result.values.trackingRmsError, 12.346);
}

TEST(ParameterFileFiles, ReportsMissingFoldersAndOversizedFiles)
{
    TempFolder folder;
    EXPECT_EQ(readParameterFile(folder.path("none.par")).outcome, ParameterFileReadResult::NotFound);
    EXPECT_EQ(readParameterFile(QString()).outcome, ParameterFileReadResult::NotFound);
    EXPECT_EQ(readParameterFile(folder.root()).outcome, ParameterFileReadResult::IoError);
    QByteArray text = formatParameterFile("p", exampleValues());
    text.append(kMaxParameterFileBytes - text.size() + 1, ' ');
    writeAll(folder.path("big.par"), text);
    EXPECT_EQ(readParameterFile(folder.path("big.par")).outcome, ParameterFileReadResult::IoError);
}

}  // namespace
}  // namespace quelvar
