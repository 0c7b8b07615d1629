// quintor-join as scripts use it: --keep-going past files that cannot be joined, the proposed
// output without -o, and --list with many paths from standard input.
#include "EncoderTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

using namespace qvj::test;

// An MP4 whose index is whole but whose pictures and sound are zeros: it is listed, and its
// conversion fails.
bool BlankMediaData(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    for (qsizetype at = 0; at + 8 <= bytes.size();) {
        const quint32 size = qFromBigEndian<quint32>(bytes.constData() + at);
        if (size < 8)
            return false;
        if (bytes.mid(at + 4, 4) == "mdat")
            bytes.replace(at + 8, size - 8, QByteArray(size - 8, '\0'));
        at += size;
    }
    return file.seek(0) && file.write(bytes) == bytes.size();
}

TEST(CliScripts, KeepGoingLeavesOutWhatCannotBeJoinedAndListsReadManyPaths)
{
    QTemporaryDir work;
    const QString root = work.path() + S("/"), home = root + S("home/");
    ASSERT_TRUE(QDir().mkpath(home + S("Videos")));
    const ClipSpec tiny {.seconds = 0.4, .width = 160, .height = 120, .extra = {}};
    ASSERT_TRUE(MakeClip(root + S("good.mp4"), tiny));
    // Sound alone, and a recording whose index was never written.
    ASSERT_TRUE(MakeClip(root + S("song.mp4"), {.seconds = 1, .extra = {S("-vn")}}));
    ASSERT_TRUE(MakeClip(root + S("cut.mp4"), {.seconds = 2, .extra = {}}));
    QFile cut(root + S("cut.mp4"));
    ASSERT_TRUE(cut.resize(cut.size() / 2));
    ASSERT_TRUE(MakeClip(root + S("blank.mp4"),
                         {.seconds = 1, .extra = {S("-movflags"), S("+faststart")}}));
    ASSERT_TRUE(BlankMediaData(root + S("blank.mp4")));
    // 200 names with blanks, listed one a line with CR LF ends and blank lines between.
    QByteArray list;
    for (int i = 0; i < 200; ++i) {
        const QString name = root + S("clip %1 of many.mp4").arg(i, 3, 10, QLatin1Char('0'));
        ASSERT_TRUE(QFile::copy(root + S("good.mp4"), name));
        list += name.toUtf8() + (i % 50 == 0 ? "\r\n\n" : "\n");
    }
    const QString good = root + S("clip 000 of many.mp4"), other = root + S("clip 001 of many.mp4");
    const QString proposed = home + S("Videos/clip 000 of many joined.mp4");

    const struct
    {
        const char *what;
        QStringList args;
        QByteArray input;
        int code;
        QString written; // on standard output; "" for none
        double seconds;
        QStringList said; // on standard error
    } cases[] = {
        {"keep going, no -o",
         {S("--keep-going"), good, root + S("song.mp4"), other, root + S("cut.mp4"),
          root + S("none.mp4"), good},
         {},
         3,
         proposed,
         1.2,
         {S("song.mp4 has no picture: it holds sound only."),
          S("cut.mp4 ends before its index was written"), S("none.mp4 is left out."),
          S("the join is written to ") + proposed,
          S("The join leaves out these inputs, which cannot be joined: ") + root + S("song.mp4, ")
              + root + S("cut.mp4, ") + root + S("none.mp4")}},
        {"a conversion that fails, re-encoding",
         {S("--keep-going"), S("--profile"), S("MP4 - H.264 Video"), S("-o"), root + S("enc.mp4"),
          good, root + S("blank.mp4"), other},
         {},
         3,
         root + S("enc.mp4"),
         0.8,
         {S("blank.mp4 is left out."),
          S("The join leaves out these inputs, which cannot be joined: ") + root + S("blank.mp4")}},
        {"the first refusal ends it", {good, root + S("song.mp4"), other}, {}, 1, {}, 0, {}},
        {"nothing left",
         {S("--keep-going"), root + S("song.mp4")},
         {},
         1,
         {},
         0,
         {S("No input is left to join.")}},
        {"a list from standard input",
         {S("-o"), root + S("many.mp4"), S("--list"), S("-")},
         list,
         0,
         root + S("many.mp4"),
         80,
         {}},
        {"an unreadable list",
         {S("--list"), root + S("nolist")},
         {},
         1,
         {},
         0,
         {S("The list of inputs ") + root + S("nolist cannot be read")}},
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(S("HOME"), home);
    env.remove(S("XDG_CONFIG_HOME"));
    for (const auto &c : cases) {
        const JoinRun r = RunQuintorJoin(QStringList {S("--profile"),
                                                      S("MP4 - Same as Source (No Re-encoding)"),
                                                      S("--temp"), root + S("temp")}
                                             + c.args,
                                         {.env = env, .input = c.input});
        EXPECT_EQ(r.code, c.code) << c.what << "\n" << r.err.toStdString();
        EXPECT_EQ(r.out.trimmed(), c.written) << c.what;
        for (const QString &line : c.said)
            EXPECT_TRUE(r.err.contains(line)) << c.what << ": " << line.toStdString() << "\n"
                                              << r.err.toStdString();
        if (!c.written.isEmpty()) {
            EXPECT_NEAR(ProbeFile(c.written).seconds, c.seconds, c.seconds * 0.1) << c.what;
        }
        RecordProperty(c.what, int(r.ms));
    }
}

} // namespace
