#include "datafiles/PathRules.h"

#include <gtest/gtest.h>

namespace quelvar {
namespace {

TEST(PathRules, BareNameAndDirectorySplitAtTheLastSeparator)
{
    EXPECT_EQ(bareFileName("/exp/run1.txt"), "run1.txt");
    EXPECT_EQ(directoryPart("/exp/run1.txt"), "/exp/");
    EXPECT_EQ(bareFileName("run1.txt"), "run1.txt");
    EXPECT_EQ(directoryPart("run1.txt"), "");
    EXPECT_EQ(bareFileName("/exp/"), "");
    EXPECT_EQ(directoryPart("/exp/"), "/exp/");
    EXPECT_EQ(bareFileName(""), "");
}

TEST(PathRules, ExtensionIsCutFromTheLastDotOfTheBareName)
{
    EXPECT_EQ(replaceExtension("/exp/s1.run.txt", ".par"), "/exp/s1.run.par");
    EXPECT_EQ(replaceExtension("/exp.old/s1", ".par"), "/exp.old/s1.par");
    EXPECT_EQ(replaceExtension("", ".par"), ".par");
    EXPECT_EQ(replaceExtension("/exp/s1.", ".par"), "/exp/s1.par");
    EXPECT_EQ(replaceExtension("/exp/.hidden", ".par"), "/exp/.par");
    EXPECT_EQ(replaceExtension("/exp.d/", ".par"), "/exp.d/.par");
}

TEST(PathRules, SeriesNamesTakeTheBaseBeforeTheFirstUnderscoreAndAnEightBitLetter)
{
    EXPECT_EQ(nextDataFilePath("/d/subj.txt", 2), "/d/subj_b.txt");
    EXPECT_EQ(nextDataFilePath("/d/subj_b.txt", 3), "/d/subj_c.txt");
    EXPECT_EQ(nextDataFilePath("/d/subj_c.txt", 4), "/d/subj_d.txt");
    EXPECT_EQ(nextDataFilePath("/d/my_run.dat", 2), "/d/my_b.txt");
    EXPECT_EQ(nextDataFilePath("/d/a_b_c", 15), "/d/a_o.txt");
    EXPECT_EQ(nextDataFilePath("/d.x/s1.run.txt", 2), "/d.x/s1.run_b.txt");
    EXPECT_EQ(nextDataFilePath("/d/_x.txt", 2), "/d/_b.txt");
    EXPECT_EQ(nextDataFilePath("subj", 1), "subj_a.txt");
    // The run letter wraps on eight bits.
    EXPECT_EQ(nextDataFilePath("/d/s.txt", 26), "/d/s_z.txt");
    // 96 + 160 = 256 wraps to 0; 96 + 161 to 1.
    EXPECT_EQ(nextDataFilePath("/d/s.txt", 161), QString("/d/s_") + QChar(1) + ".txt");
    EXPECT_EQ(nextDataFilePath("/d/s.txt", 256 + 1), "/d/s_a.txt");
}

}  // namespace
}  // namespace quelvar
