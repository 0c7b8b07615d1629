#include "cli/JoinCommand.h"
#include "cli/ProgressLine.h"
#include "common/TestSupport.h"
#include "profiles/ProfileCatalogue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

TEST(ProgressLine, RewritesOneLineOnATerminal)
{
    char *buffer = nullptr;
    size_t size = 0;
    std::FILE *out = open_memstream(&buffer, &size);
    ProgressLine line(out, true);
    line.Show(); // nothing before a stage is known
    line.View().stage = S("Prepare (Converting):");
    line.View().file = S("a b.mp4");
    line.Show();
    line.Show(); // unchanged: nothing written
    line.View().fileShown = false;
    line.View().total = 7;
    line.View().elapsed = S("00:00:03");
    line.View().remaining = S("00:00:09");
    line.Show();
    line.Break();
    line.Break();
    std::fclose(out);
    EXPECT_EQ(QString::fromUtf8(buffer, qsizetype(size)),
              S("\rPrepare (Converting): a b.mp4  file 0%  total 0%\x1b[K"
                "\rPrepare (Converting):  file 0%  total 7%  elapsed 00:00:03  "
                "remaining 00:00:09\x1b[K\n"));
    std::free(buffer);
}

TEST(ResolveProfilePath, FindsTheProfileByNameOrMemory)
{
    QTemporaryDir dir;
    const QString program = dir.path() + S("/");
    ASSERT_TRUE(QDir(program).mkdir(S("Profiles")));
    for (const char *name : {"AVI - MPEG-4 Video.bpf", "b.BPF", "MP4 - H.264 Video.bpf"}) {
        QFile f(program + S("Profiles/") + S(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const ProfileCatalogue catalogue = ProfileCatalogue::List(program);
    const std::vector<std::tuple<const char *, int, const char *>> cases {
        // name, remembered index, file ("": refused)
        {"", 0, "AVI - MPEG-4 Video.bpf"},
        {"", 2, "MP4 - H.264 Video.bpf"},
        {"", 3, "AVI - MPEG-4 Video.bpf"},
        {"", -1, "AVI - MPEG-4 Video.bpf"},
        {"b", 0, "b.BPF"},
        {"B", 0, "b.BPF"},
        {"mp4 - h.264 video.bpf", 0, "MP4 - H.264 Video.bpf"},
        {"MP4", 0, ""}};
    for (const auto &[name, remembered, file] : cases) {
        QString error;
        const QString path = ResolveProfilePath(catalogue, S(name), remembered, &error);
        EXPECT_EQ(path, *file ? QString(program + S("Profiles/") + S(file)) : QString()) << name;
        if (!*file) {
            EXPECT_TRUE(error.contains(S("AVI - MPEG-4 Video, b, MP4 - H.264 Video"))) << name;
        }
    }
    QString error;
    EXPECT_EQ(ResolveProfilePath(ProfileCatalogue::List(program + S("none/")), S(""), 0, &error),
              QString());
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
