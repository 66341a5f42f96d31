// Names whose bytes are not UTF-8 survive the trip to QString and back, and
// nothing else changes: UTF-8 names read as Qt reads them.
#include "common/NativePath.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace quelvar;

TEST(NativePath, EveryNameComesBackByteForByte)
{
    const struct {
        QByteArray bytes;
        bool qtCanName;
    } cases[] = {
        {"/data/p3.txt", true},
        {"/data/\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80.txt", true},  // é, €, an emoji
        {"/data/\xf0\x90\x82\x80", true},                                   // U+10080: low half DC80
        {"x\xff" "y.txt", false}, {"\x80\x81\xfe", false}, {"overlong \xc0\x80", false},
        {"surrogate \xed\xa0\x80", false}, {"cut \xe2\x82", false},
        {"past U+10FFFF \xf4\x90\x80\x80", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        const QString path = pathFromNative(c.bytes);
        EXPECT_EQ(nativePath(path), c.bytes);
        EXPECT_EQ(qtCanName(path), c.qtCanName);
        if (c.qtCanName)
            EXPECT_EQ(path, QFile::decodeName(c.bytes));
    }
}
