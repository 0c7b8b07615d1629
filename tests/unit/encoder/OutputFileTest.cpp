#include "encoder/run/OutputFile.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The hidden name keeps within the folder's limit, cutting the name only between letters.
TEST(OutputFile, HiddenNameKeepsWithinTheLimit)
{
    const QByteArray e = QString(QChar(0xE9)).toUtf8(); // two bytes
    // name, limit, hidden name
    const std::vector<std::tuple<QByteArray, long, QByteArray>> cases {
        {"a.avi", 255, ".a.avi.tag.part"},
        {QByteArray(250, 'a'), 255, '.' + QByteArray(245, 'a') + ".tag.part"},
        {"abcdef", 14, ".abcd.tag.part"},
        {e + e + e, 14, '.' + e + e + ".tag.part"},
        {e + e + e, 13, '.' + e + ".tag.part"}}; // never half a letter
    for (const auto &[name, limit, hidden] : cases) {
        const QByteArray made = OutputFile::HiddenName(name, "tag", limit);
        EXPECT_EQ(made, hidden) << name.toStdString() << " " << limit;
        EXPECT_LE(made.size(), limit);
        EXPECT_TRUE(QString::fromUtf8(made).toUtf8() == made); // whole letters only
    }
}

// Until Commit the older file stays byte for byte; Commit replaces it, Discard leaves it; no
// other file is left in the folder either way.
TEST(OutputFile, CommitReplacesAndDiscardKeepsTheOlderFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.avi"));
    for (const bool commit : {false, true}) {
        qvj::test::WriteFile(path, "older");
        OutputFile file;
        QString error;
        ASSERT_TRUE(file.Open(path, &error)) << error.toStdString();
        QString target = file.Target();
        if (target.startsWith(QStringLiteral("file:")))
            target = target.mid(5);
        QFile written(target);
        ASSERT_TRUE(written.open(QIODevice::WriteOnly));
        written.write("newer");
        written.close();
        EXPECT_EQ(qvj::test::ReadFile(path), QByteArray("older"));
        if (commit)
            EXPECT_TRUE(file.Commit(&error)) << error.toStdString();
        else
            file.Discard();
        EXPECT_EQ(qvj::test::ReadFile(path), QByteArray(commit ? "newer" : "older"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList {QStringLiteral("out.avi")});
    }
    OutputFile tooLong;
    QString error;
    EXPECT_FALSE(tooLong.Open(dir.filePath(QString(256, QLatin1Char('a'))), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("too long"))) << error.toStdString();
}

// What a killed job left in an output folder is removed, and only that: a hidden file of a
// process that is gone, which no process holds, of this user.
TEST(OutputFile, LeftoversOfJobsThatAreGoneAreRemoved)
{
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const QByteArray dead = QByteArray::number(gone), alive = QByteArray::number(::getpid());
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    const struct
    {
        QByteArray name;
        bool locked; // a process holds its lock
        bool removed;
    } cases[] = {
        {".movie.mp4.qvj" + dead + "x0badcafe.part", false, true},
        {".movie.mp4.qvj" + dead + "x0badcafe.part.mp4", false, false}, // not one of ours
        {".movie.mp4.qvj" + alive + "x0badcafe.part", false, false}, // its writer lives
        {".other.mkv.qvj" + dead + "x12345678.part", true, false}, // its ffmpeg lives
        {".x.qvj" + dead + "xnothex!.part", false, false},
        {"movie.mp4", false, false},
    };
    std::vector<int> locks;
    for (const auto &c : cases) {
        qvj::test::WriteFile(QFile::decodeName(folder + '/' + c.name), "half a film");
        if (c.locked) {
            locks.push_back(
                ::open(QByteArray(folder + '/' + c.name).constData(), O_RDONLY | O_CLOEXEC));
            ASSERT_EQ(::flock(locks.back(), LOCK_EX), 0);
        }
    }
    OutputFile::RemoveLeftovers(folder);
    for (const auto &c : cases)
        EXPECT_EQ(QFile::exists(QFile::decodeName(folder + '/' + c.name)), !c.removed)
            << c.name.constData();
    for (const int fd : locks)
        ::close(fd);
}

} // namespace
