// Conversions kept beyond their job: which rows a new Start converts again, and the kept
// folder's limit and age.
#include "pipeline/job/KeptConversions.h"
#include "common/TestSupport.h"
#include "pipeline/job/JoinJob.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace qvj::test;

// Sets the file's time of writing to seconds since the epoch.
void SetModified(const QString &path, qint64 seconds)
{
    const timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// A job of three rows against a fake encoder that logs the input of every conversion and
// fails the join (so that the job ends without completing, as a stopped one does); a
// conversion of failName writes half a file and fails.
struct KeptJob
{
    KeptJob()
    {
        for (const char *name : {"a.mp4", "b.mp4", "c.mp4"}) {
            WriteFile(root + S(name), name);
            inputs.rows.emplace_back().InputFile = root + S(name);
            inputs.rows.back().LengthSeconds = 10;
        }
        inputs.tempDir = root + S("temp/");
        inputs.outputFile = root + S("joined.avi");
        inputs.keep = true;
        QObject::connect(&job, &JoinJob::noteChanged, [this](const QString &n) { note = n; });
        QObject::connect(&job, &JoinJob::rowStatusChanged,
                         [this](int row, const QString &s) { statuses[row] << s; });
        QObject::connect(&job, &JoinJob::totalProgressChanged, [this](int p) { totals << p; });
    }

    // The encoder is written once: another file in its place would be another build, whose
    // conversions are not used. What it does is read from files beside it.
    void Encoder(const QByteArray &failName)
    {
        const QString encoder = programDir + S("asapi.dll");
        if (!QFile::exists(encoder))
            WriteScript(encoder,
                        "first=\"$1\"; out=; while [ $# -gt 0 ]; do [ \"$1\" = -o ] && "
                        "out=\"$2\"; shift; done\n"
                        "case \"$out\" in */joined.avi) exit 1;; esac\n"
                        "echo \"${first##*/}\" >> \"$0.log\"; printf half > \"$out\"\n"
                        "[ \"${first##*/}\" = \"$(cat \"$0.fail\")\" ] && exit 1\n"
                        "printf ' whole' >> \"$out\"; exit 0\n");
        WriteFile(encoder + S(".fail"), failName);
        QFile::remove(programDir + S("asapi.dll.log"));
    }

    // Runs a job to its end; the inputs whose conversions ran, in order.
    QStringList Run(const QString &profile = S("/p/Profiles/A.bpf"))
    {
        note.clear();
        statuses.clear();
        totals.clear();
        EXPECT_TRUE(job.Start(profile));
        EXPECT_TRUE(!job.IsActive() || WaitFor([this] { return !job.IsActive(); }, 60000));
        return QString::fromUtf8(ReadFile(programDir + S("asapi.dll.log")))
            .split(u'\n', Qt::SkipEmptyParts);
    }

    QStringList Kept() const
    {
        return QDir(inputs.tempDir + S("qvj-kept/")).entryList(QDir::Files | QDir::Hidden);
    }

    QTemporaryDir work, program;
    QString root = work.path() + QLatin1Char('/'), programDir = program.path() + QLatin1Char('/');
    FakeJobInputs inputs;
    RecordingDesktop desktop;
    JoinJob job {inputs, desktop, programDir};
    QString note;
    std::map<int, QStringList> statuses;
    QList<int> totals;
};

TEST(KeptJob, AStartConvertsOnlyWhatWasNotKeptOrHasChanged)
{
    struct Case
    {
        const char *what;
        QByteArray failFirst; // the input whose conversion fails in the first job
        std::function<void(KeptJob &)> change; // made between the two jobs
        QString profile; // of the second job
        QStringList convertedAgain;
        QString note;
    };
    const QString profile = S("/p/Profiles/A.bpf");
    const std::vector<Case> cases {
        {"nothing changed",
         "",
         {},
         profile,
         {},
         S("3 of 3 files were already converted; going on from there")},
        {"a half-written conversion",
         "c.mp4",
         {},
         profile,
         {S("c.mp4")},
         S("2 of 3 files were already converted; going on from there")},
        {"a touched input",
         "",
         [](KeptJob &t) { SetModified(t.root + S("b.mp4"), 1700000000); },
         profile,
         {S("b.mp4")},
         S("2 of 3 files were already converted; going on from there")},
        {"an input of another size",
         "",
         [](KeptJob &t) { WriteFile(t.root + S("a.mp4"), "longer a"); },
         profile,
         {S("a.mp4")},
         S("2 of 3 files were already converted; going on from there")},
        {"a trimmed input",
         "",
         [](KeptJob &t) {
             t.inputs.rows[1].Trim = TaskTrim {1.0, 4.0};
         },
         profile,
         {S("b.mp4")},
         S("2 of 3 files were already converted; going on from there")},
        {"another setting",
         "",
         [](KeptJob &t) { t.inputs.options = S(" -ovc lavc -oac mp3lame"); },
         profile,
         {S("a.mp4"), S("b.mp4"), S("c.mp4")},
         {}},
        {"another profile",
         "",
         {},
         S("/p/Profiles/B.bpf"),
         {S("a.mp4"), S("b.mp4"), S("c.mp4")},
         {}},
        {"keeping turned off",
         "",
         [](KeptJob &t) { t.inputs.keep = false; },
         profile,
         {S("a.mp4"), S("b.mp4"), S("c.mp4")},
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        KeptJob t;
        t.Encoder(c.failFirst);
        EXPECT_EQ(t.Run().size(), 3);
        EXPECT_EQ(t.Kept().size(), c.failFirst.isEmpty() ? 3 : 2)
            << t.Kept().join(u' ').toStdString();
        if (c.change)
            c.change(t);
        t.Encoder("");
        const QStringList again = t.Run(c.profile);
        EXPECT_EQ(again, c.convertedAgain);
        EXPECT_EQ(t.note, c.note);
        // A row not converted again shows at once as converted, and the total bar starts with
        // the share of those rows' kept lengths in the conversion stage's half.
        double keptSeconds = 0, allSeconds = 0;
        for (int row = 0; row < 3; ++row) {
            const ltvItemData &data = t.inputs.rows[size_t(row)];
            allSeconds += data.KeptSeconds();
            if (!again.contains(QFileInfo(data.InputFile).fileName())) {
                keptSeconds += data.KeptSeconds();
                EXPECT_EQ(t.statuses[row].value(0), S("Waiting for joining")) << row;
            }
        }
        // Without kept rows the first total shown is the first converted row's share.
        const double shownFirst = keptSeconds > 0 ? keptSeconds : t.inputs.rows[0].KeptSeconds();
        EXPECT_EQ(t.totals.value(1, 0), int(shownFirst / allSeconds * 50 + 0.5));
    }
}

TEST(KeptConversions, TheFolderStaysUnderItsLimitAndLosesOldFiles)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch(), day = 24 * 3600;
    struct File
    {
        char digit; // the name is 32 of it and ".avi"
        int bytes;
        qint64 ageDays;
    };
    struct Case
    {
        const char *what;
        std::vector<File> files;
        qint64 limit;
        QString survivors; // the digits of the files left
    };
    const std::vector<Case> cases {
        {"under the limit", {{'1', 10, 0}, {'2', 10, 1}}, 100, S("12")},
        {"past the limit: oldest first", {{'1', 40, 3}, {'2', 40, 1}, {'3', 40, 2}}, 100, S("23")},
        {"one file past the limit alone", {{'1', 200, 0}}, 100, S("")},
        {"older than a week", {{'1', 10, 8}, {'2', 10, 6}}, 100, S("2")},
        {"old and past the limit", {{'1', 60, 8}, {'2', 60, 2}, {'3', 60, 1}}, 100, S("3")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir temp;
        const KeptConversions kept(KeptConversions::FolderIn(temp.path() + S("/")));
        ASSERT_TRUE(QDir().mkpath(kept.Folder()));
        for (const File &f : c.files) {
            const QString path = kept.Folder() + QString(32, QLatin1Char(f.digit)) + S(".avi");
            WriteFile(path, QByteArray(f.bytes, 'x'));
            SetModified(path, now - f.ageDays * day - 60);
        }
        // The hidden file of a keep whose process is gone goes too; one of ours stays.
        const QString dead = kept.Folder() + S(".") + QString(32, u'f') + S(".avi.999999999");
        const QString ours
            = kept.Folder() + S(".") + QString(32, u'e') + S(".avi.") + QString::number(::getpid());
        WriteFile(dead, "x");
        WriteFile(ours, "x");
        kept.Trim(c.limit, kKeptMaxAgeSeconds, now);
        QString survivors;
        for (const QString &name : QDir(kept.Folder()).entryList(QDir::Files))
            survivors += name.at(0);
        EXPECT_EQ(survivors, c.survivors);
        EXPECT_LE(kept.Bytes(), c.limit);
        EXPECT_FALSE(QFile::exists(dead));
        EXPECT_TRUE(QFile::exists(ours));
    }
}

} // namespace
