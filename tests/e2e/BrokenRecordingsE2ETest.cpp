// The held-back set of recordings that went wrong and odd names, joined end to end by
// quintor-join: those that can be read join completely, to the length of what ffmpeg decodes
// of them (within a frame an input), by re-encoding and, for a crashed recording, by copying;
// each of the others is refused in words that name it, and nothing is written.
#include "EncoderTestSupport.h"
#include "common/BrokenRecordings.h"
#include "platform/RawNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>

namespace qvj::test {
namespace {

TEST(BrokenRecordings, JoinCompletelyOrAreRefusedInWordsWithNothingWritten)
{
    QTemporaryDir work;
    const QString root = work.path() + QLatin1Char('/');
    const std::vector<BrokenRecording> set = MakeBrokenRecordings(root);
    ASSERT_GE(set.size(), 9u);
    QStringList joinable;
    double seconds = 0;
    for (const BrokenRecording &b : set)
        if (b.refusal.isEmpty()) {
            joinable << b.path;
            seconds += DecodableSeconds(b.path);
        }
    const QString temp = root + QStringLiteral("temp");
    // The output's name holds Latin-1 bytes too.
    const QString output = NameFromBytes(QFile::encodeName(root) + "joined \xE0 la \xE9.avi");
    QStringList made {output};
    for (const BrokenRecording &b : set)
        made << b.path;
    const auto removeRaw = qScopeGuard([&] { RemoveRawNamedFiles(made); });
    const auto join = [&](const QString &profile, const QString &out, const QStringList &inputs) {
        return RunQuintorJoin(QStringList {QStringLiteral("--profile"), profile,
                                           QStringLiteral("--temp"), temp, QStringLiteral("-o"),
                                           out}
                              + inputs);
    };
    const JoinRun all = join(QStringLiteral("AVI - MPEG-4 Video"), output, joinable);
    ASSERT_EQ(all.code, 0) << all.err.toStdString();
    EXPECT_NEAR(DecodableSeconds(output), seconds, joinable.size() / 25.0 + 1e-6);
    EXPECT_EQ(QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    // Copying: the crashed recording twice, end to end.
    const QString crashed = root + QStringLiteral("crashed.mkv");
    const QString copied = root + QStringLiteral("copied.mkv");
    const JoinRun copy
        = join(QStringLiteral("MKV - Same as Source (No Re-encoding)"), copied, {crashed, crashed});
    ASSERT_EQ(copy.code, 0) << copy.err.toStdString();
    EXPECT_NEAR(DecodableSeconds(copied), 2 * DecodableSeconds(crashed), 2 / 25.0 + 1e-6);

    // Each of the others between two good files: refused in words, and nothing written. The
    // explanation is the first line; the library's own words follow after a blank line.
    QStringList firstLines;
    for (const BrokenRecording &b : set) {
        if (b.refusal.isEmpty())
            continue;
        const QString out = root + QStringLiteral("refused.avi");
        const JoinRun r
            = join(QStringLiteral("AVI - MPEG-4 Video"), out, {crashed, b.path, crashed});
        EXPECT_NE(r.code, 0) << b.path.toStdString();
        const QString first = r.err.section(QLatin1Char('\n'), 0, 0);
        firstLines << first;
        EXPECT_TRUE(first.startsWith(QStringLiteral("Quintor Video Joiner: ")
                                     + QFileInfo(b.path).fileName() + QLatin1Char(' ')))
            << r.err.toStdString();
        EXPECT_TRUE(first.contains(b.refusal)) << r.err.toStdString();
        EXPECT_FALSE(first.contains(QStringLiteral("floating point"))) << first.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("\n\n") + b.path
                                   + QStringLiteral(": '' is not a valid floating point value.")))
            << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << b.path.toStdString();
    }
    // The real first lines, for whoever reads the log.
    std::cout << firstLines.join(QLatin1Char('\n')).toStdString() << std::endl;
}

} // namespace
} // namespace qvj::test
