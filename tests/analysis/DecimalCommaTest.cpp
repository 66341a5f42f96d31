// On a desktop whose locale writes "1,5", every number the program writes to
// a file or shows in a box still uses "." and reads back as written.
//
// CTest also runs the file, analysis and command-line suites whole under
// LC_ALL=de_DE.UTF-8 with QUELVAR_EXPECT_DECIMAL_COMMA set; this test then
// proves that the locale really took effect, so those runs test something.
#include "analysis/AnalysisSession.h"
#include "common/DisplayText.h"
#include "datafiles/DataFile.h"
#include "datafiles/NumberFormat.h"
#include "datafiles/ParameterFile.h"
#include "support/AnalysisHarness.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <memory>
#include <string>

using namespace quelvar;
using quelvar::test::fileOk;
using quelvar::test::readAll;

namespace {

std::string printfOneAndAHalf()
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    return text;
}

class DecimalComma : public ::testing::Test, protected test::AnalysisHarness {
protected:
    void SetUp() override
    {
        previousC_ = std::setlocale(LC_ALL, nullptr);
        previousQt_ = QLocale();
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
            if (qEnvironmentVariableIsSet("QUELVAR_EXPECT_DECIMAL_COMMA"))
                FAIL() << "de_DE.UTF-8 is not installed (scripts/install-deps generates it)";
            GTEST_SKIP() << "de_DE.UTF-8 is not installed";
        }
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        ASSERT_EQ(printfOneAndAHalf(), "1,5") << "the C library writes a comma now";
        ASSERT_EQ(QLocale().toString(1.5), "1,5");
    }
    void TearDown() override
    {
        std::setlocale(LC_ALL, previousC_.c_str());
        QLocale::setDefault(previousQt_);
    }

private:
    std::string previousC_;
    QLocale previousQt_;
};

TEST(DecimalCommaEnvironment, TheSuiteRunsUnderTheLocaleItWasGiven)
{
    if (!qEnvironmentVariableIsSet("QUELVAR_EXPECT_DECIMAL_COMMA"))
        GTEST_SKIP() << "only for the run under LC_ALL=de_DE.UTF-8";
    EXPECT_EQ(printfOneAndAHalf(), "1,5");
    EXPECT_EQ(QLocale::system().decimalPoint(), ",");
}

TEST_F(DecimalComma, FileNumbersAndShownNumbersKeepThePoint)
{
    EXPECT_EQ(formatFixed(-56.78, 2, 10), "    -56.78");
    EXPECT_EQ(formatPrintfFixed(4.5678, 3, 6).view(), " 4.568");

    auto run = std::make_unique<RunRecord>();
    for (int i = 1; i <= kRunFrames; ++i) {
        run->Mouse[i] = 12.34 + i % 7;
        run->Target[i] = -56.78 - i % 5;
    }
    ASSERT_TRUE(fileOk(writeDataFile(folder.path("run.txt"), 3, 1, *run)));
    const QByteArray data = readAll(folder.path("run.txt"));
    EXPECT_FALSE(data.contains(','));
    EXPECT_TRUE(data.contains("\r\n     1     13.34    -57.78\r\n"));
    auto back = std::make_unique<RunRecord>();
    ASSERT_EQ(readDataFile(folder.path("run.txt"), *back).outcome, DataFileReadResult::Loaded);
    EXPECT_EQ(back->Mouse[1], 13.34);
    EXPECT_EQ(back->Target[3600], -56.78);
    EXPECT_EQ(formatDataFile(3, 1, *back), data);

    // The analysis routines: errors shown, the parameter file written, and
    // the spinners retrieved from it.
    ASSERT_TRUE(session.LoadDataFile(folder.path("run.txt")));
    session.AnalysisFrame();
    EXPECT_TRUE(view.modelError.contains('.') && !view.modelError.contains(',')) << view.modelError.toStdString();
    EXPECT_TRUE(view.trackingError.contains('.') && !view.trackingError.contains(','));

    state->analysis.Spinners.DampUpDown.Position = 125;
    state->analysis.Spinners.RefUpDown.Position = -15;
    session.ReadParameters();
    session.SaveParametersAuto(0, 0);
    const QByteArray parameters = readAll(folder.path("run.par"));
    EXPECT_TRUE(parameters.contains("\r\n    2.0000    2.0000  0.125000   -1.5000\r\n")) << parameters.toStdString();
    EXPECT_EQ(parameters.count(','), 0);

    state->analysis.Spinners.DampUpDown.Position = 0;
    state->analysis.Spinners.RefUpDown.Position = 0;
    ASSERT_TRUE(session.RetrieveParametersFrom(folder.path("run.par")));
    EXPECT_EQ(state->analysis.Spinners.DampUpDown.Position, 125);
    EXPECT_EQ(state->analysis.Spinners.RefUpDown.Position, -15);
    EXPECT_TRUE(dialogs.boxes.empty());
}

}  // namespace
