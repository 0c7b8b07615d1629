#include "cli/JoinCommand.h"

#include "cli/InputList.h"

#include "pipeline/job/JobControl.h"
#include "pipeline/job/JobPresence.h"
#include "pipeline/job/KeptConversions.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"
#include "platform/UserFiles.h"
#include "profiles/ProfileCatalogue.h"
#include "settings/IniFile.h"
#include "tasks/ProbeAhead.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

void PrintTo(std::FILE *out, const QString &text)
{
    std::fputs(QString(text + QLatin1Char('\n')).toLocal8Bit().constData(), out);
    std::fflush(out);
}

// A path as typed, made absolute against the working folder; a trailing "/" is kept.
QString AbsolutePath(const QString &path)
{
    if (path.isEmpty() || QDir::isAbsolutePath(path))
        return path;
    return AddTrailingBackslash(QDir::currentPath()) + path;
}

} // namespace

QString ResolveProfilePath(const ProfileCatalogue &catalogue, const QString &name,
                           int rememberedIndex, QString *error)
{
    const QStringList names = catalogue.Names();
    if (names.isEmpty()) {
        *error = QStringLiteral("There is no profile in %1.").arg(catalogue.Directory());
        return QString();
    }
    if (name.isEmpty())
        return catalogue.PathOf(
            rememberedIndex >= 0 && rememberedIndex < names.size() ? rememberedIndex : 0);
    QString wanted = name;
    if (wanted.endsWith(QStringLiteral(".bpf"), Qt::CaseInsensitive))
        wanted.chop(4);
    qsizetype index = names.indexOf(wanted);
    if (index < 0) {
        for (qsizetype i = 0; i < names.size() && index < 0; ++i)
            if (names.at(i).compare(wanted, Qt::CaseInsensitive) == 0)
                index = i;
    }
    if (index < 0) {
        *error = QStringLiteral("There is no profile named \"%1\". The profiles are: %2.")
                     .arg(name, names.join(QStringLiteral(", ")));
        return QString();
    }
    return catalogue.PathOf(int(index));
}

JoinCommand::JoinCommand(const QStringList &arguments, const QString &programDir, bool terminal,
                         QObject *parent)
    : QObject(parent)
    , m_arguments(arguments)
    , m_programDir(programDir)
    , m_desktop(stderr)
    , m_line(stderr, terminal)
    , m_tasks(m_desktop)
    , m_inputs(m_tasks, m_preferences, m_settings, [this] { return m_outputText; })
    , m_job(m_inputs, m_desktop, programDir)
{
    // Changes that come together (a new row: status, file, bars) make one update.
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(0);
    connect(&m_refresh, &QTimer::timeout, this, [this] { m_line.Show(); });
    m_desktop.SetBeforePrint([this] { FlushProgress(); });
    ConnectRowStatus(m_job, m_tasks);
    ConnectProgress();
    connect(&m_job, &JoinJob::finished, this, &JoinCommand::OnFinished);
    connect(&m_job, &JoinJob::started, this, [this](int rowCount) {
        m_inhibitor.Hold(QStringLiteral("quintor-join"), JobInhibitReason(rowCount));
    });
    connect(&m_job, &JoinJob::workEnded, this, [this] { m_inhibitor.Release(); });
    connect(&m_job, &JoinJob::noteChanged, this, [this](const QString &note) {
        if (note.isEmpty())
            return;
        FlushProgress();
        PrintTo(stderr, note);
    });
}

void JoinCommand::FlushProgress()
{
    if (m_refresh.isActive()) {
        m_refresh.stop();
        m_line.Show();
    }
    m_line.Break();
}

void JoinCommand::Say(const QString &text)
{
    FlushProgress();
    PrintTo(stderr, QStringLiteral("quintor-join: ") + text);
}

int JoinCommand::Fail(const QString &text)
{
    Say(text);
    return ExitFailed;
}

int JoinCommand::Begin()
{
    const CliParseResult parsed = ParseCliArguments(m_arguments);
    if (!parsed.error.isEmpty()) {
        PrintTo(stderr,
                QStringLiteral("quintor-join: ") + parsed.error
                    + QStringLiteral("\nTry \"quintor-join --help\"."));
        return ExitUsage;
    }
    if (parsed.options.help) {
        std::fputs(CliUsage().toLocal8Bit().constData(), stdout);
        return ExitCompleted;
    }
    const int prepared = Prepare(parsed.options);
    if (prepared >= 0)
        return prepared;
    m_job.Start(m_profilePath);
    // A job that could not even make its folder has ended already.
    return m_job.IsActive() ? -1 : m_status;
}

void JoinCommand::SetUpPreferences(const CliOptions &options, const QString &workDir)
{
    if (!options.tempDir.isEmpty())
        m_preferences.SetTempDir(AbsolutePath(options.tempDir));
    // No after-job action: the command ends, and that is all.
    m_preferences.SetOpenDir(false);
    m_preferences.SetExit(false);
    m_preferences.SetTurnOff(false);
    if (options.chapters)
        m_preferences.SetChapters(*options.chapters);
    if (options.noDates)
        m_preferences.SetKeepDates(false);
    if (options.evenLoudness)
        m_preferences.SetEvenLoudness(true);
    if (options.crossfade)
        m_preferences.SetCrossfade(*options.crossfade);
    m_desktop.SetFit(options.fit);
    if (!options.resume)
        m_preferences.SetKeepConverted(false);
    // What killed jobs of this program left in the temporary folders goes now, and so do kept
    // conversions past their age or the limit (the limit as the preferences and options say).
    CleanTemporaryFolders(m_preferences.TempDir(), workDir, m_preferences.KeptLimitBytes());
    switch (options.policy) {
    case CliOptions::Policy::Refuse:
        m_preferences.SetAsk(true);
        break;
    case CliOptions::Policy::Overwrite:
        m_preferences.SetOverWrite(true);
        break;
    case CliOptions::Policy::Rename:
        m_preferences.SetRename(true);
        break;
    }
}

int JoinCommand::Prepare(const CliOptions &options)
{
    const ProgramFiles files = LocateProgramFiles(m_programDir);
    const QString iniPath = files.preferences;
    m_preferences.LoadPreferences(iniPath, files.workDir);
    m_job.SetWorkDir(files.workDir);
    SetUpPreferences(options, files.workDir);

    QString error;
    const IniFile ini(iniPath);
    const ProfileCatalogue catalogue = ProfileCatalogue::List(m_programDir);
    const int remembered = catalogue.RememberedIndex(
        ini.GetText(QStringLiteral("Main"), QLatin1String(kProfileNameKey), QString()),
        ini.GetNumber(QStringLiteral("Main"), QStringLiteral("Profile"), 0));
    m_profilePath = ResolveProfilePath(catalogue, options.profile, remembered, &error);
    if (m_profilePath.isEmpty())
        return Fail(error);
    if (!m_settings.LoadProfile(m_profilePath))
        return Fail(QStringLiteral("The profile %1 cannot be read.").arg(m_profilePath));

    QStringList inputs;
    QList<CliOptions::Cut> cuts;
    if (const int status = GatherInputs(options, inputs, cuts); status >= 0)
        return status;
    if (const int status = AddInputs(options.keepGoing, inputs, cuts); status >= 0)
        return status;

    StartCheck check
        = CheckStart({m_tasks.Count(), OutputText(options.output), m_settings.OutputExtension(),
                      m_preferences.Ask(), m_tasks.InputFiles(), m_preferences.Rename()});
    m_outputText = check.outputText;
    if (!ConfirmStart(check, m_desktop))
        return ExitFailed;
    return -1;
}

int JoinCommand::GatherInputs(const CliOptions &options, QStringList &inputs,
                              QList<CliOptions::Cut> &cuts)
{
    inputs = options.inputs;
    cuts = options.cuts;
    if (options.listFile.isEmpty())
        return -1;
    QFile file;
    const bool standardInput = options.listFile == QStringLiteral("-");
    if (standardInput)
        file.open(stdin, QIODevice::ReadOnly);
    else
        file.setFileName(OpenablePath(AbsolutePath(options.listFile)));
    if (!file.isOpen() && !file.open(QIODevice::ReadOnly))
        return Fail(tr("The list of inputs %1 cannot be read: %2.")
                        .arg(ShownName(options.listFile), file.errorString()));
    const QStringList listed = ParseInputList(file.readAll());
    const qsizetype at = std::min(options.listAt, inputs.size());
    inputs = inputs.mid(0, at) + listed + inputs.mid(at);
    cuts = cuts.mid(0, at) + QList<CliOptions::Cut>(listed.size()) + cuts.mid(at);
    return -1;
}

int JoinCommand::AddInputs(bool keepGoing, const QStringList &inputs,
                           const QList<CliOptions::Cut> &cuts)
{
    QStringList paths;
    QList<qsizetype> given; // the place of each path among the inputs
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const QString path = AbsolutePath(inputs[i]);
        if (const QString why = WhyNotAFile(path, ShownName(inputs[i])); !why.isEmpty()) {
            if (!keepGoing)
                return Fail(why);
            Say(why);
            LeaveOut(i, inputs[i]);
            continue;
        }
        paths << path;
        given << i;
    }
    // The encoder's look at the files runs while the rows read them, several at a time; when
    // files may be left out, it waits for the rows, since a look at other files is thrown away.
    if (!keepGoing)
        m_job.CheckEarly(paths);
    const ProbeAhead ahead(m_tasks, paths);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const int before = m_tasks.Count();
        m_tasks.AddTaskFile(paths[i]);
        // A file that cannot be probed is not listed; the task list has said why.
        if (m_tasks.Count() == before) {
            if (!keepGoing)
                return ExitFailed;
            LeaveOut(given[i], inputs[given[i]]);
            continue;
        }
        m_rowInputs << std::make_pair(given[i], inputs[given[i]]);
        const CliOptions::Cut cut = cuts.value(given[i]);
        if (!cut.from && !cut.to)
            continue;
        ltvItemData row;
        m_tasks.ReadTaskRow(before, 0, row);
        const TaskTrim trim {cut.from.value_or(0), cut.to.value_or(row.LengthSeconds)};
        if (const QString refusal = m_tasks.SetTrim(before, trim); !refusal.isEmpty())
            return Fail(tr("The cut of %1 is refused: %2").arg(inputs[given[i]], refusal));
    }
    m_keepGoing = keepGoing;
    if (!keepGoing)
        return -1;
    if (!m_leftOut.isEmpty() && m_tasks.Count() == 0)
        return Fail(tr("No input is left to join."));
    m_job.CheckEarly(m_tasks.InputFiles());
    return -1;
}

void JoinCommand::LeaveOut(qsizetype place, const QString &input)
{
    m_leftOut.insert(place, input);
    Say(tr("%1 is left out.").arg(ShownName(input)));
}

QString JoinCommand::OutputText(const QString &asked)
{
    if (!asked.isEmpty())
        return AbsolutePath(asked);
    // The name the window proposes for the first row; it names no existing file.
    const QString proposal = ProposedOutputFile(VideosFolder(), m_tasks.InputFiles().value(0),
                                                m_settings.OutputExtension());
    if (m_tasks.Count() > 0)
        Say(tr("No output file is named; the join is written to %1.").arg(ShownName(proposal)));
    return proposal;
}

void JoinCommand::ConnectProgress()
{
    ProgressView &v = m_line.View();
    connect(&m_job, &JoinJob::stageTitleChanged, this, [this, &v](const QString &t) {
        v.stage = t;
        m_refresh.start();
    });
    connect(&m_job, &JoinJob::currentFileChanged, this, [this, &v](const QString &f) {
        v.file = f;
        m_refresh.start();
    });
    connect(&m_job, &JoinJob::currentFileShown, this, [this, &v](bool shown) {
        v.fileShown = shown;
        m_refresh.start();
    });
    connect(&m_job, &JoinJob::currentProgressChanged, this, [this, &v](int p) {
        v.current = p;
        m_refresh.start();
    });
    connect(&m_job, &JoinJob::totalProgressChanged, this, [this, &v](int p) {
        v.total = p;
        m_refresh.start();
    });
    connect(&m_job, &JoinJob::elapsedTextChanged, this, [this, &v](const QString &t) {
        v.elapsed = t;
        m_refresh.start();
    });
    connect(&m_job, &JoinJob::remainingTextChanged, this, [this, &v](const QString &t) {
        v.remaining = t;
        m_refresh.start();
    });
}

void JoinCommand::Interrupt()
{
    m_interrupted = true;
    m_job.Stop();
}

bool JoinCommand::LeaveOutFailedRow()
{
    const int count = m_tasks.Count();
    for (int row = 0; row < count && count > 1; ++row) {
        ltvItemData item;
        // The column selector counts sub-texts: 2 is "Status".
        m_tasks.ReadTaskRow(row, 2, item);
        // The status the job gives the row whose own conversion failed.
        if (item.StatusText != QStringLiteral("Failed"))
            continue;
        const auto [place, input] = m_rowInputs.takeAt(row);
        LeaveOut(place, input);
        m_tasks.Delete({row});
        return m_tasks.Count() == count - 1;
    }
    return false;
}

void JoinCommand::OnFinished(JobOutcome outcome, AfterJobAction)
{
    FlushProgress();
    // With --keep-going a file whose conversion failed is left out and the join starts again;
    // the conversions that ended well are kept, so it goes on from there.
    if (outcome == JobOutcome::Failed && m_keepGoing && LeaveOutFailedRow()) {
        QTimer::singleShot(0, this, [this] { m_job.Start(m_profilePath); });
        return;
    }
    int status = ExitFailed;
    if (outcome == JobOutcome::Completed) {
        status = m_leftOut.isEmpty() ? ExitCompleted : ExitLeftOut;
        if (!m_leftOut.isEmpty())
            Say(tr("The join leaves out these inputs, which cannot be joined: %1")
                    .arg(ShownName(m_leftOut.values().join(QStringLiteral(", ")))));
        // The written file's name as its bytes, for a script to use as it is.
        const QByteArray name = NameToBytes(m_job.OutputPath()) + '\n';
        std::fwrite(name.constData(), 1, size_t(name.size()), stdout);
        std::fflush(stdout);
    } else if (outcome == JobOutcome::Stopped && m_interrupted) {
        status = ExitInterrupted;
    }
    m_status = status;
    Q_EMIT done(status);
}
