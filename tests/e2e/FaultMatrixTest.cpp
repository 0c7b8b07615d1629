// Faults forced on purpose, driven through quintor-join and the job core: a broken encoder, an
// output or temporary folder that is missing, read-only or full, unreadable inputs, awkward
// names and Ctrl-C in each stage. Every case must end with its message and exit status, the
// inputs unchanged, an older output unchanged unless the job completed, and nothing left
// behind in the temporary or output folders.
#include "EncoderTestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>
#include <sys/mount.h>
#include <unistd.h>

namespace {

using namespace qvj::test;

enum class Encoder {
    Real,
    Missing,
    NotExecutable,
    Crashing, // dies of SIGSEGV
    FailingAfterProgress,
    Killed, // dies of SIGKILL
    Hanging, // the real encoder over an ffmpeg that hangs
    JoinWritesAndHangs, // the real encoder; ffmpeg converts, but hangs in the join after writing
    // The real encoder; ffmpeg converts, but in the join it writes, then kills the encoder and
    // so itself: every process of the job is gone, the half-written file left.
    JoinWritesAndKills,
};

enum class Place {
    Usual,
    Missing,
    ReadOnly,
    Full, // a small tmpfs
    Brim, // a tmpfs filled to the last byte, also the encoder's own temporary folder (TMPDIR)
    Unusable, // a file where the folder should be
};

struct Case
{
    const char *name;
    Encoder encoder = Encoder::Real;
    Place output = Place::Usual;
    Place temp = Place::Usual;
    bool readOnlyIni = false;
    const char *badInput = nullptr; // "empty", "text" or "truncated": replaces the 2nd input
    const char *profile = "AVI - MPEG-4 Video";
    // The inputs' kind: "avi" (MPEG-4), "mp4" (H.264 and AAC), "rot.mp4" (those shown turned
    // a quarter), "loop.mp4" (a clip looped seven times by a copy: an odd average rate).
    const char *clip = "avi";
    const char *second = nullptr; // the 2nd input's clip, when not of the kind (or odd.mp4)
    int inputs = 2; // more than 16 take the route of feeds in the join
    bool fit = false; // --fit, with a 2nd input of another frame size: it is converted to fit
    bool chapters = false; // --chapters
    const char *inputName = "b.avi"; // the 2nd input's file name
    const char *outputName = "joined.avi";
    bool outputIsInput = false; // the output names the 1st input
    const char *interruptWhen = nullptr; // Ctrl-C once standard error shows this
    int signal = SIGINT; // what is sent for the Ctrl-C; SIGKILL: the program dies outright
    bool nameless = true; // the file systems make nameless files
    // The same job is run again, with the real ffmpeg: it must clean what the first left.
    bool again = false;
    double seconds = 0; // the joined file's length, when it must be right to half a second
    int code = 0;
    const char *message = nullptr; // on standard error
};

QByteArray Hash(const QString &path)
{
    return QCryptographicHash::hash(ReadFile(path), QCryptographicHash::Sha1).toHex();
}

QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                  | QDir::System);
}

// A tmpfs of the given size at folder (made when missing); false where mounting is not allowed.
bool MountSmall(const QString &folder, const char *options)
{
    QDir().mkpath(folder);
    return ::geteuid() == 0
        && ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options) == 0;
}

class FaultMatrix : public testing::Test
{
protected:
    void SetUp() override
    {
        root = work.path() + S("/");
        const QString built = BuildProgramDirectory();
        QDir().mkpath(program + S("Profiles"));
        // A copy, not a link: the program directory is where the program really lies.
        ASSERT_TRUE(QFile::copy(built + S("quintor-join"), program + S("quintor-join")));
        QFile::setPermissions(program + S("quintor-join"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ASSERT_TRUE(QFile::copy(built + S("Preferences.ini"), program + S("Preferences.ini")));
        for (const QString &name : QDir(built + S("Profiles")).entryList(QDir::Files))
            QFile::copy(built + S("Profiles/") + name, program + S("Profiles/") + name);
        QDir().mkpath(clips);
        ASSERT_TRUE(
            MakeClip(clips + S("a.avi"), {.seconds = 1, .width = 64, .height = 48, .extra = {}}));
        ASSERT_TRUE(
            MakeClip(clips + S("b.avi"), {.seconds = 1, .width = 64, .height = 48, .extra = {}}));
        const QStringList h264 {S("-c:v"),    S("libx264"), S("-pix_fmt"),
                                S("yuv420p"), S("-c:a"),    S("aac")};
        ASSERT_TRUE(MakeClip(
            clips + S("a.mp4"),
            {.seconds = 1, .width = 64, .height = 48, .sampleRate = 48000, .extra = h264}));
        ASSERT_TRUE(MakeClip(
            clips + S("b.mp4"),
            {.seconds = 1, .width = 64, .height = 48, .sampleRate = 48000, .extra = h264}));
        ASSERT_TRUE(MakeClip(
            clips + S("odd.mp4"),
            {.seconds = 1, .width = 80, .height = 48, .sampleRate = 48000, .extra = h264}));
        ASSERT_TRUE(MakeClip(clips + S("mono.mp4"),
                             {.seconds = 1,
                              .width = 64,
                              .height = 48,
                              .sampleRate = 44100,
                              .channels = 1,
                              .extra = h264}));
        for (const char *name : {"a", "b"}) {
            const QString mp4 = clips + S(name) + S(".mp4");
            ASSERT_EQ(
                RunProgram(S("ffmpeg"),
                           {S("-v"), S("error"), S("-i"), mp4, S("-c"), S("copy"),
                            S("-metadata:s:v:0"), S("rotate=90"), clips + S(name) + S(".rot.mp4")}),
                0);
            ASSERT_EQ(RunProgram(S("ffmpeg"),
                                 {S("-v"), S("error"), S("-stream_loop"), S("6"), S("-i"), mp4,
                                  S("-c"), S("copy"), clips + S(name) + S(".loop.mp4")}),
                      0);
        }
    }
    void TearDown() override
    {
        for (const QString &m : mounts)
            ::umount2(QFile::encodeName(m).constData(), MNT_DETACH);
    }

    // Lays out the case's folders and encoder; false when it needs a mount the machine refuses.
    bool Prepare(const Case &c, QString *tempDir, QString *outDir, QStringList *inputs,
                 QString *output, QProcessEnvironment *env);

    QTemporaryDir work;
    QString root;
    QString program = QDir(work.path()).filePath(S("program/"));
    QString clips = QDir(work.path()).filePath(S("clips/"));
    QStringList mounts;
};

bool FaultMatrix::Prepare(const Case &c, QString *tempDir, QString *outDir, QStringList *inputs,
                          QString *output, QProcessEnvironment *env)
{
    const QString dir = root + S("case/");
    for (const QString &m : std::as_const(mounts))
        ::umount2(QFile::encodeName(m).constData(), MNT_DETACH);
    mounts.clear();
    QFile::setPermissions(dir + S("out"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir(dir).removeRecursively();
    QDir(program + S("temp")).removeRecursively();
    QDir().mkpath(dir + S("in"));
    *tempDir = dir + S("temp");
    *outDir = dir + S("out");
    *env = QProcessEnvironment::systemEnvironment();

    const QString encoder = program + S("asapi.dll");
    QFile::remove(encoder);
    switch (c.encoder) {
    case Encoder::Real:
    case Encoder::Hanging:
    case Encoder::JoinWritesAndHangs:
    case Encoder::JoinWritesAndKills:
        QFile::link(BuildProgramDirectory() + S("asapi.dll"), encoder);
        break;
    case Encoder::Missing:
        break;
    case Encoder::NotExecutable:
        WriteFile(encoder, "#!/bin/sh\nexit 0\n");
        QFile::setPermissions(encoder, QFile::ReadOwner | QFile::WriteOwner);
        break;
    case Encoder::Crashing:
        WriteScript(encoder, "kill -SEGV $$\n");
        break;
    case Encoder::FailingAfterProgress:
        WriteScript(encoder,
                    "i=0\nwhile [ $i -lt 40 ]; do echo \"Pos: $i.0s 1f\"; "
                    "i=$((i+1)); done\necho 'Boom: the disk is on fire' >&2\nexit 3\n");
        break;
    case Encoder::Killed:
        WriteScript(encoder, "echo 'Pos: 0.1s 1f'\nkill -KILL $$\n");
        break;
    }
    if (c.encoder == Encoder::Hanging) {
        WriteScript(dir + S("bin/ffmpeg"), "exec sleep 120\n");
        env->insert(S("PATH"), dir + S("bin:") + env->value(S("PATH")));
        env->insert(S("QVJ_ENCODER_WATCHDOG_SECONDS"), S("2"));
    }
    if (c.encoder == Encoder::JoinWritesAndHangs || c.encoder == Encoder::JoinWritesAndKills) {
        const QString real = QStandardPaths::findExecutable(S("ffmpeg"));
        const QByteArray kill
            = c.encoder == Encoder::JoinWritesAndKills ? "kill -KILL $PPID\n  " : "";
        WriteScript(dir + S("bin/ffmpeg"),
                    "for a; do out=\"$a\"; done\ncase \"$out\" in\n*joined*)\n"
                    "  printf 'half a film' > \"${out#file:}\"\n  : > \""
                        + QFile::encodeName(dir) + "bin/started\"\n  " + kill + "exec sleep 120;;\n"
                        + "esac\nexec \"" + QFile::encodeName(real) + "\" \"$@\"\n");
        env->insert(S("PATH"), dir + S("bin:") + env->value(S("PATH")));
    }
    if (!c.nameless)
        env->insert(S("LD_PRELOAD"), S(QVJ_NO_TMPFILE_SHIM));

    QStringList brims; // the filesystems to fill once the older output is in place
    for (const auto &[place, folder] : {std::pair {c.temp, tempDir}, {c.output, outDir}}) {
        switch (place) {
        case Place::Brim: {
            const QString disk = *folder + S("-disk");
            if (!MountSmall(disk, "size=256k"))
                return false;
            mounts << disk;
            brims << disk + S("/filler");
            *folder = disk + S("/folder");
            QDir().mkpath(*folder);
            if (folder == tempDir)
                env->insert(S("TMPDIR"), *folder);
            break;
        }
        case Place::Usual:
            QDir().mkpath(*folder);
            break;
        case Place::Missing:
            break;
        case Place::Unusable:
            WriteFile(*folder, "a file, not a folder");
            break;
        case Place::Full:
            if (!MountSmall(*folder, folder == tempDir ? "size=16k" : "size=8k"))
                return false;
            mounts << *folder;
            break;
        case Place::ReadOnly: // a read-only mount for root, whom permissions do not stop
            if (::geteuid() != 0) {
                QDir().mkpath(*folder);
            } else if (MountSmall(*folder, "size=1m")) {
                mounts << *folder;
            } else {
                return false;
            }
            break;
        }
    }

    const QString first = S("a.") + S(c.clip);
    const QString second = c.second ? S(c.second) : c.fit ? S("odd.mp4") : S("b.") + S(c.clip);
    *inputs = QStringList {dir + S("in/") + first, dir + S("in/") + S(c.inputName)};
    QFile::copy(clips + first, inputs->at(0));
    for (int i = 2; i < c.inputs; ++i) {
        *inputs << dir + S("in/c%1.").arg(i) + S(c.clip);
        QFile::copy(clips + first, inputs->back());
    }
    if (!c.badInput) {
        QFile::copy(clips + second, inputs->at(1));
    } else if (!qstrcmp(c.badInput, "empty")) {
        WriteFile(inputs->at(1), "");
    } else if (!qstrcmp(c.badInput, "text")) {
        WriteFile(inputs->at(1), "This is a letter, not a film.\n");
    } else {
        const QByteArray whole = ReadFile(clips + second);
        WriteFile(inputs->at(1), whole.left(whole.size() / 2));
    }
    *output = c.outputIsInput ? inputs->at(0) : *outDir + S("/") + S(c.outputName);
    if (c.output != Place::Missing && c.output != Place::Unusable && !c.outputIsInput)
        WriteFile(*output, "the user's older output");
    if (c.output == Place::ReadOnly && ::geteuid() != 0)
        QFile::setPermissions(*outDir, QFile::ReadOwner | QFile::ExeOwner);
    else if (c.output == Place::ReadOnly)
        ::mount(nullptr, QFile::encodeName(*outDir).constData(), nullptr, MS_REMOUNT | MS_RDONLY,
                nullptr);
    const QString ini = program + S("Preferences.ini");
    QFile::setPermissions(ini,
                          c.readOnlyIni ? QFile::ReadOwner | QFile::ReadGroup
                                        : QFile::ReadOwner | QFile::WriteOwner);
    for (const QString &filler : brims) {
        QFile f(filler);
        const QByteArray block(4096, 'x');
        if (!f.open(QIODevice::WriteOnly))
            return false;
        while (f.write(block) == block.size() && f.flush()) { }
    }
    return true;
}

TEST_F(FaultMatrix, EveryFaultEndsWithItsMessageAndLosesNothing)
{
    const char *reinstall = "Error. Please re-install Quintor Video Joiner";
    const char *converting = "Prepare (Converting): b.avi";
    const char *joining = "Final Step: Joining all files...";
    const char *canceled = "Cancel: The Joining is canceled.";
    // A failure's message starts with its reason in words; "{out}" and "{temp}" stand for the
    // case's folders.
    const char *killed = "Error: The encoder was ended from outside, or crashed, while converting "
                         "a.avi";
    const char *outFull
        = "Error: The disk that holds {out} is full. Nothing was written; the older "
          "file is unchanged.";
    const char *tempFull = "Error: The disk that holds the temporary folder {temp} is full.";
    const char *copy = "MP4 - Same as Source (No Re-encoding)";
    using E = Encoder;
    using P = Place;
    // clang-format off
    const Case cases[] = {
        {.name = "encoder missing", .encoder = E::Missing, .code = 1, .message = reinstall},
        {.name = "encoder not executable", .encoder = E::NotExecutable, .code = 1, .message = reinstall},
        {.name = "encoder crashing", .encoder = E::Crashing, .code = 1, .message = killed},
        {.name = "encoder failing after progress", .encoder = E::FailingAfterProgress, .code = 1, .message = "Error: The encoder failed while converting a.avi (exit status 3). The output file was not touched.\nIt said: Boom: the disk is on fire"},
        {.name = "encoder hanging", .encoder = E::Hanging, .code = 1, .message = "Error: The encoder made no progress for 2 s while converting a.avi and was ended."},
        {.name = "encoder killed", .encoder = E::Killed, .code = 1, .message = killed},
        {.name = "output folder missing", .output = P::Missing, .code = 1, .message = "The output path does not exist."},
        {.name = "output folder read-only", .output = P::ReadOnly, .code = 1, .message = "Error: The folder {out} cannot be written to: "},
        {.name = "output folder full", .output = P::Full, .code = 1, .message = outFull},
        {.name = "temporary folder unusable", .temp = P::Unusable, .code = 0},
        {.name = "temporary folder full", .temp = P::Full, .code = 1, .message = tempFull},
        // Each route of the encoder on a disk full to the last byte.
        // A disk that takes the header but not the rest: ffmpeg exits with 0 all the same.
        {.name = "copy, output disk full", .output = P::Full, .profile = copy, .clip = "mp4", .inputName = "b.mp4", .outputName = "joined.mp4", .code = 1, .message = "Cannot write "},
        {.name = "copy, output disk filled", .output = P::Brim, .profile = copy, .clip = "mp4", .inputName = "b.mp4", .outputName = "joined.mp4", .code = 1, .message = outFull},
        // The copy's list of inputs and its chapters need no temporary folder.
        {.name = "copy, temporary disk full", .temp = P::Brim, .profile = copy, .clip = "mp4", .inputName = "b.mp4", .outputName = "joined.mp4"},
        {.name = "fit, output disk full", .output = P::Full, .profile = copy, .clip = "mp4", .fit = true, .inputName = "b.mp4", .outputName = "joined.mp4", .code = 1, .message = "Cannot write "},
        // The job's folder is made on the small disk, and the conversion does not fit in it.
        {.name = "fit, temporary disk full", .temp = P::Full, .profile = copy, .clip = "mp4", .fit = true, .inputName = "b.mp4", .outputName = "joined.mp4", .code = 1, .message = tempFull},
        // With no room even for the job's folder, it goes to the program's own temp/.
        {.name = "fit, temporary disk filled", .temp = P::Brim, .profile = copy, .clip = "mp4", .fit = true, .inputName = "b.mp4", .outputName = "joined.mp4"},
        {.name = "feeds, output disk full", .output = P::Brim, .inputs = 17, .code = 1, .message = outFull},
        // The job's folder cannot be made there, so it goes to the program's own temp/.
        {.name = "feeds, temporary disk full", .temp = P::Brim, .inputs = 17, .code = 0},
        {.name = "read-only Preferences.ini", .readOnlyIni = true, .code = 0},
        {.name = "empty input", .badInput = "empty", .code = 1, .message = "b.avi"},
        {.name = "text input", .badInput = "text", .code = 1, .message = "b.avi"},
        {.name = "truncated input", .badInput = "truncated", .code = 0},
        {.name = "names with blanks", .inputName = "b clip  two.avi", .outputName = "joined  out.avi"},
        {.name = "names with quotes", .inputName = "b \"clip\" 'two'.avi", .outputName = "\"joined\" it's.avi"},
        {.name = "names with a leading dash", .inputName = "-b.avi", .outputName = "-joined.avi"},
        {.name = "non-ASCII names", .inputName = "Über clip é 日本.avi", .outputName = "Ünï joined.avi"},
        {.name = "output is an input", .outputIsInput = true, .code = 1, .message = "is one of the videos to join"},
        {.name = "Ctrl-C converting", .interruptWhen = converting, .code = 130, .message = "Cancel: The Coversion is canceled."},
        {.name = "Ctrl-C joining", .interruptWhen = joining, .code = 130, .message = canceled},
        // The join is writing its hidden file when Ctrl-C comes: the encoder must remove it.
        {.name = "Ctrl-C joining without nameless files", .encoder = E::JoinWritesAndHangs, .nameless = false, .code = 130, .message = canceled},
        // The program dies outright while the join writes its hidden file: the encoder is
        // left to stop on its own and must still remove it.
        {.name = "program killed joining without nameless files", .encoder = E::JoinWritesAndHangs, .signal = SIGKILL, .nameless = false, .code = -1},
        // Every process of the job killed while the join writes its hidden file: the next
        // job's encoder removes it, as the next start removes the job's folder.
        {.name = "job killed joining without nameless files, then run again", .encoder = E::JoinWritesAndKills, .nameless = false, .again = true, .code = 1},
        // Turned clips, the odd one fitted to them where no file can be nameless: the turn is
        // marked on the hidden file.
        {.name = "fit of turned clips without nameless files", .profile = copy, .clip = "rot.mp4", .inputs = 3, .fit = true, .inputName = "b.mp4", .outputName = "joined.mp4", .nameless = false},
        // Clips looped by a copy state an odd average rate; the clip between them is fitted to
        // their real rate, and the joined picture lasts as long as its parts.
        {.name = "fit to looped clips of an odd average rate", .profile = copy, .clip = "loop.mp4", .second = "mono.mp4", .inputs = 3, .fit = true, .inputName = "b.mp4", .outputName = "joined.mp4", .seconds = 15},
        {.name = "a name with a line break, copied with chapters", .profile = copy, .clip = "mp4", .chapters = true, .inputName = "b\nclip.mp4", .outputName = "joined.mp4"},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QString tempDir, outDir, output;
        QStringList inputs;
        QProcessEnvironment env;
        if (!Prepare(c, &tempDir, &outDir, &inputs, &output, &env)) {
            std::cout << "[  SKIPPED ] " << c.name << ": mounting a tmpfs is not allowed here\n";
            continue;
        }
        QList<QByteArray> inputHashes;
        for (const QString &input : inputs)
            inputHashes << Hash(input);
        const QByteArray outputBefore = ReadFile(output);
        const QStringList outBefore = Entries(outDir);

        QStringList args = QStringList {S("--profile"),   S(c.profile), S("--temp"), tempDir,
                                        S("--overwrite"), S("-o"),      output,      S("--")}
            + inputs;
        if (c.fit)
            args.insert(0, S("--fit"));
        if (c.chapters)
            args.insert(0, S("--chapters"));
        // Ctrl-C when standard error says so, or once the fake ffmpeg of the join writes; not
        // where that ffmpeg kills the encoder itself, whose end must be the one seen.
        const QString startedFile
            = c.encoder == Encoder::JoinWritesAndKills ? QString() : root + S("case/bin/started");
        const JoinRun r = RunQuintorJoin(
            args, {program, env, root + S("case"), S(c.interruptWhen), startedFile, c.signal});
        std::cout << "[   CASE   ] " << c.name << ": exit " << r.code << " in " << r.ms << " ms\n";
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        if (c.message) {
            const QString message
                = S(c.message).replace(S("{out}"), outDir).replace(S("{temp}"), tempDir);
            EXPECT_TRUE(r.err.contains(message)) << r.err.toStdString();
        }
        for (qsizetype i = 0; i < inputs.size(); ++i)
            EXPECT_EQ(Hash(inputs[i]), inputHashes[i]) << inputs[i].toStdString();
        if (c.signal == SIGKILL) {
            for (int i = 0; i < 100 && Entries(outDir) != outBefore; ++i)
                ::usleep(100 * 1000);
        }
        if (c.again) {
            const auto hidden = [&] { return Entries(outDir).filter(S(".part")); };
            EXPECT_EQ(hidden().size(), 1) << Entries(outDir).join(u' ').toStdString();
            QProcessEnvironment real = QProcessEnvironment::systemEnvironment();
            real.insert(S("LD_PRELOAD"), S(QVJ_NO_TMPFILE_SHIM));
            const JoinRun again = RunQuintorJoin(args, {program, real, root + S("case")});
            EXPECT_EQ(again.code, 0) << again.err.toStdString();
            EXPECT_EQ(hidden(), QStringList());
            EXPECT_EQ(Entries(outDir), outBefore);
        } else if (c.code == 0) {
            EXPECT_GT(ProbeFile(output).seconds, 0.5);
            if (c.seconds > 0) {
                EXPECT_NEAR(ProbeFile(output).seconds, c.seconds, 0.5);
            }
        } else {
            EXPECT_EQ(ReadFile(output), outputBefore);
            EXPECT_EQ(Entries(outDir), outBefore);
        }
        // A job folder of a program that died is cleared at the next start.
        if (c.temp != Place::Unusable && c.signal != SIGKILL) {
            // Conversions that ended well are kept for the next run; nothing half written is.
            QStringList left = Entries(tempDir);
            left.removeAll(S("qvj-kept"));
            EXPECT_EQ(left, QStringList());
            EXPECT_EQ(Entries(tempDir + S("/qvj-kept")).filter(QRegularExpression(S("^\\."))),
                      QStringList());
        }
        EXPECT_EQ(Entries(program + S("temp")), QStringList());
        if (c.encoder == Encoder::Hanging) {
            EXPECT_LT(r.ms, 60000); // the watchdog's 2 s plus a margin for a busy machine
        }
        for (const QString &m : mounts)
            ::umount2(QFile::encodeName(m).constData(), MNT_DETACH);
        mounts.clear();
    }
}

// The answer of "-identify" is that route's only output: one that cannot be written whole (a
// full disk under a redirection) is a failure, not an answer cut short.
TEST_F(FaultMatrix, AnIdentifyAnswerThatCannotBeWrittenFails)
{
    QString output;
    const int code = RunProgram(S("/bin/sh"),
                                {S("-c"), S("exec \"$0\" -identify \"$1\" \"$2\" >/dev/full"),
                                 BuildProgramDirectory() + S("asapi.dll"), clips + S("a.mp4"),
                                 clips + S("b.mp4")},
                                &output);
    EXPECT_EQ(code, 1) << output.toStdString();
    EXPECT_TRUE(output.contains(S("Cannot write the answer: No space left on device")))
        << output.toStdString();
}

} // namespace
