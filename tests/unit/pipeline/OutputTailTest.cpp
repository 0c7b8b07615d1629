#include "pipeline/OutputTail.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

TEST(OutputTail, KeepsTheLastMeaningfulLinesCutShort)
{
    const std::vector<std::pair<QByteArrayList, QStringList>> cases {
        {{"Opening\r\nPos:   1.0s  30f\rPos:   2.0s  60f\r\n   \nError: bad input\r"},
         {S("Opening"), S("Error: bad input")}},
        {{"first li", "ne\nPo", "s:  3.0s\rcaf\xc3", "\xa9"}, {S("first line"), S("café")}},
        {{QByteArray(1000, 'y')},
         {QString(OutputTail::MaxLineLength, QLatin1Char('y')) + S("...")}},
    };
    for (const auto &[chunks, lines] : cases) {
        OutputTail tail;
        for (const QByteArray &chunk : chunks)
            tail.Add(chunk);
        EXPECT_EQ(tail.Lines(), lines) << chunks.join('|').toStdString();
    }

    OutputTail tail;
    for (int i = 1; i <= 45; ++i)
        tail.Add(QByteArray('\n' + QByteArray::number(i)));
    const QStringList lines = tail.Lines();
    ASSERT_EQ(lines.size(), OutputTail::MaxLines);
    EXPECT_EQ(lines.front(), S("26"));
    EXPECT_EQ(lines.back(), S("45")); // the unfinished last line counts
}

} // namespace
