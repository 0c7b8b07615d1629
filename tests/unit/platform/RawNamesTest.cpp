// Names that are not UTF-8 (Latin-1 bytes) by every way into the program and every way out of
// it, and what a name in the list that is no file is said to be.
#include "platform/RawNames.h"
#include "common/TestSupport.h"
#include "platform/Paths.h"
#include "tasks/InputTypes.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace qvj::test;

class RawNames : public testing::Test
{
protected:
    void SetUp() override
    {
        // A folder and a file named in Latin-1: "dép/été 1.mp4".
        ASSERT_EQ(::mkdir(At("d\xE9p").constData(), 0777), 0);
        const int fd = ::open(At("d\xE9p/\xE9t\xE9 1.mp4").constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    void TearDown() override
    {
        ::unlink(At("d\xE9p/\xE9t\xE9 1.mp4").constData());
        ::rmdir(At("d\xE9p").constData());
    }

    // The bytes of a path in the test's folder, ready for the system's calls.
    QByteArray At(const char *relative) const { return QByteArray(root).append(relative); }

    QTemporaryDir dir;
    QByteArray root = QFile::encodeName(dir.path()) + '/';
};

TEST_F(RawNames, ALatin1NameIsTheSameFileByEveryWayInAndReadsRightOnEveryWayOut)
{
    const QByteArray bytes = At("d\xE9p/\xE9t\xE9 1.mp4");
    const QString name = NameFromBytes(bytes);
    const QString folder = NameFromBytes(At("d\xE9p/"));
    // What a file manager's drop carries: a URL with the bytes percent-encoded.
    QMimeData drop;
    drop.setData(S("text/uri-list"),
                 QByteArray("file://").append(bytes.toPercentEncoding("/")).append("\r\n"));
    const std::vector<std::pair<const char *, QString>> waysIn {
        {"command line", NameFromBytes(bytes)},
        {"folder", folder + ListSupportedFiles(folder).value(0)},
        {"drop", drop.urls().isEmpty() ? QString() : NameFromUrl(drop.urls().front())},
        // A file dialog reads the name as UTF-8, each bad byte a replacement character.
        {"file dialog", RecoverRawName(QString::fromUtf8(bytes))},
    };
    for (const auto &[way, path] : waysIn) {
        SCOPED_TRACE(way);
        EXPECT_EQ(path, name);
        EXPECT_TRUE(FileExists(path));
        EXPECT_TRUE(WhyNotAFile(path, path).isEmpty());
    }
    // The desktop's opener gets the bytes; the user reads the letters.
    const std::vector<std::tuple<const char *, QString, QString>> waysOut = {
        {"open the file", QString::fromLatin1(UrlFromName(name).toEncoded()),
         QString::fromLatin1(QByteArray("file://") + bytes.toPercentEncoding("/"))},
        {"open its folder", QString::fromLatin1(UrlFromName(folder).toEncoded()),
         QString::fromLatin1(QByteArray("file://") + At("d\xE9p/").toPercentEncoding("/"))},
        {"the URL read back", NameFromUrl(UrlFromName(name)), name},
        {"shown", ShownName(ExtractFileName(name)), S("été 1.mp4")},
        {"shown in a sentence", WhyNotAFile(name + S(".gone"), name + S(".gone")),
         S("There is no file %1.").arg(ShownName(name) + S(".gone"))},
    };
    for (const auto &[way, got, expected] : waysOut)
        EXPECT_EQ(got, expected) << way;
    // A part that fits no entry is left as it came.
    EXPECT_EQ(RecoverRawName(QString::fromUtf8(At("d\xE9p/\xE8t\xE9 2.mp4"))),
              folder + QString::fromUtf8("\xE8t\xE9 2.mp4"));
}

TEST_F(RawNames, ANameInTheListThatIsNoFileIsSaidToBeWhatItIs)
{
    const QString base = QString::fromLocal8Bit(root);
    ASSERT_TRUE(QDir().mkdir(base + S("folder.avi")));
    ASSERT_TRUE(QFile::link(base + S("loop.avi"), base + S("loop.avi")));
    ASSERT_TRUE(QFile::link(base + S("missing.avi"), base + S("dangling.avi")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(base + S("pipe.avi")).constData(), 0644), 0);
    WriteFile(base + S("clip.avi"), "x");
    ASSERT_TRUE(QFile::link(base + S("clip.avi"), base + S("link.avi")));
    const std::vector<std::pair<const char *, const char *>> cases {
        {"clip.avi", ""},
        {"link.avi", ""},
        {"folder.avi", "folder.avi is a folder, not a file."},
        {"loop.avi", "loop.avi is a link that leads nowhere."},
        {"dangling.avi", "dangling.avi is a link that leads nowhere."},
        {"gone.avi", "There is no file gone.avi."},
        {"pipe.avi", "pipe.avi is not a file: it is a device, a pipe or a socket."},
    };
    for (const auto &[name, why] : cases)
        EXPECT_EQ(WhyNotAFile(base + S(name), S(name)), S(why)) << name;
}

} // namespace
