#include "pipeline/OutputTail.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

TEST(OutputTail, KeepsTheMeaningfulLines)
{
    const std::vector<std::pair<QByteArrayList, QStringList>> cases {
        {{"one\r\ntwo\rthree\nfour"}, {S("one"), S("two"), S("three"), S("four")}},
        {{"Opening\r\nPos:   1.0s  30f\rPos:   2.0s  60f\r\n   \nError: bad input\n"},
         {S("Opening"), S("Error: bad input")}},
        {{"first li", "ne\nsec", "ond"}, {S("first line"), S("second")}},
        {{"Po", "s:  3.0s\rdone\n"}, {S("done")}},
        {{"caf\xc3", "\xa9 \xe6\x97\xa5\n"}, {S("café 日")}},
        {{QByteArray("a\0b\n", 4)}, {S("ab")}},
    };
    for (const auto &[chunks, lines] : cases) {
        OutputTail tail;
        for (const QByteArray &chunk : chunks)
            tail.Add(chunk);
        EXPECT_EQ(tail.Lines(), lines) << chunks.join('|').toStdString();
    }
}

TEST(OutputTail, KeepsTheLastTwentyLinesCutShort)
{
    OutputTail tail;
    tail.Add(QByteArray(1000000, 'x'));
    for (int i = 1; i <= 45; ++i)
        tail.Add(QByteArray('\n' + QByteArray::number(i)));
    const QStringList lines = tail.Lines();
    ASSERT_EQ(lines.size(), OutputTail::MaxLines);
    EXPECT_EQ(lines.front(), S("26"));
    EXPECT_EQ(lines.back(), S("45")); // the unfinished last line counts

    tail.Clear();
    tail.Add(QByteArray(1000000, 'y'));
    EXPECT_EQ(tail.Lines(),
              QStringList {QString(OutputTail::MaxLineLength, QLatin1Char('y')) + S("...")});
}

} // namespace
