#include "pipeline/runs/RunFailure.h"

#include "platform/Paths.h"

#include <QRegularExpression>

namespace {

using Stage = RunFailure::Stage;

bool AnyLineHas(const QStringList &lines, QLatin1StringView text)
{
    for (const QString &line : lines)
        if (line.contains(text, Qt::CaseInsensitive))
            return true;
    return false;
}

// The path the encoder names after "prefix" in its last line that has it; empty when none.
QString PathAfter(const QStringList &lines, QLatin1StringView prefix)
{
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        const qsizetype at = lines.at(i).indexOf(prefix);
        if (at >= 0)
            return lines.at(i).mid(at + prefix.size()).trimmed();
    }
    return QString();
}

// What was left as it was, after the sentence that says what happened.
QString Consequence(const RunFailure &f)
{
    if (f.stage == Stage::Converting)
        return QStringLiteral("The output file was not touched.");
    if (f.stage == Stage::Joining && f.targetExisted)
        return QStringLiteral("Nothing was written; the older file is unchanged.");
    return QStringLiteral("Nothing was written.");
}

// The folder the user chose that the failed write went to.
QString WrittenFolder(const RunFailure &f)
{
    const QString folder = ExtractFileDir(f.target);
    return f.stage == Stage::Converting ? ExtractFileDir(folder) : folder;
}

// "converting a.avi", "joining the files", "reading the files".
QString Doing(const RunFailure &f)
{
    switch (f.stage) {
    case Stage::Converting:
        return QStringLiteral("converting ") + ExtractFileName(f.input);
    case Stage::Joining:
        return QStringLiteral("joining the files");
    case Stage::Reading:
        break;
    }
    return QStringLiteral("reading the files");
}

// The input the encoder could not read: the one it names, else the row being converted.
QString UnreadInput(const RunFailure &f)
{
    for (const char *prefix : {"Cannot read the input file: ", "Cannot read the media file: "}) {
        const QString named = PathAfter(f.lastLines, QLatin1StringView(prefix));
        if (!named.isEmpty())
            return named;
    }
    return f.stage == Stage::Converting ? f.input : QString();
}

QString Reason(const RunFailure &f)
{
    const QStringList &lines = f.lastLines;
    const QString then = Consequence(f);
    const QString folder = WrittenFolder(f);
    const bool converting = f.stage == Stage::Converting;

    static const QRegularExpression missing(QStringLiteral("^(ffmpeg|ffprobe) is missing"));
    for (const QString &line : lines)
        if (const QRegularExpressionMatch m = missing.match(line); m.hasMatch())
            return QStringLiteral("%1 is missing: the encoder does its work with it. %2 Install "
                                  "the Debian package \"ffmpeg\", which brings it.")
                .arg(m.captured(1), then);

    if (AnyLineHas(lines, QLatin1StringView("Cannot start ffmpeg"))
        || AnyLineHas(lines, QLatin1StringView("libraries cannot be loaded")))
        return QStringLiteral("The encoder could not start ffmpeg, which does its work. %1 "
                              "Install the ffmpeg package, or re-install Quintor Video Joiner.")
            .arg(then);

    static const QRegularExpression hung(QStringLiteral("made no progress for (\\d+) s"));
    for (const QString &line : lines) {
        const QRegularExpressionMatch m = hung.match(line);
        if (m.hasMatch())
            return QStringLiteral("The encoder made no progress for %1 s while %2 and was "
                                  "ended. %3 Try again; if it happens again, one of the files "
                                  "may be damaged.")
                .arg(m.captured(1), Doing(f), then);
    }

    if (AnyLineHas(lines, QLatin1StringView("No space left on device"))
        || AnyLineHas(lines, QLatin1StringView("Disk quota exceeded"))) {
        if (converting)
            return QStringLiteral("The disk that holds the temporary folder %1 is full. %2 Free "
                                  "some space there, or choose a temporary folder on another "
                                  "disk in Settings.")
                .arg(folder, then);
        return QStringLiteral("The disk that holds %1 is full. %2 Free some space there, or "
                              "choose an output folder on another disk.")
            .arg(folder, then);
    }

    const bool readOnly = AnyLineHas(lines, QLatin1StringView("Read-only file system"));
    const bool denied = AnyLineHas(lines, QLatin1StringView("Permission denied"))
        && AnyLineHas(lines, QLatin1StringView("Cannot write"));
    if (readOnly || denied)
        return QStringLiteral("The folder %1 cannot be written to: %2. %3 Choose another %4.")
            .arg(folder,
                 readOnly ? QStringLiteral("its disk is read-only")
                          : QStringLiteral("it is not yours to write"),
                 then,
                 converting ? QStringLiteral("temporary folder in Settings")
                            : QStringLiteral("output folder"));

    if (AnyLineHas(lines, QLatin1StringView("File name too long")))
        return QStringLiteral("The name of %1 is too long for its disk. %2 Choose a shorter name.")
            .arg(f.target, then);

    const QString unread = UnreadInput(f);
    if (!unread.isEmpty() && AnyLineHas(lines, QLatin1StringView("No such file or directory")))
        return QStringLiteral("The file %1 is missing: it was moved, renamed or deleted after it "
                              "was added to the list. %2 Put it back, or remove it from the list.")
            .arg(unread, then);
    if (!unread.isEmpty()
        && (AnyLineHas(lines, QLatin1StringView("Cannot read"))
            || AnyLineHas(lines, QLatin1StringView("Invalid data found"))))
        return QStringLiteral("The file %1 cannot be read as a video: it may be damaged, cut "
                              "short, or not a video at all. %2 Remove it from the list, or join "
                              "another copy of it.")
            .arg(unread, then);

    if (f.crashed || AnyLineHas(lines, QLatin1StringView("died of signal"))
        || AnyLineHas(lines, QLatin1StringView("Stopped by signal")))
        return QStringLiteral("The encoder was ended from outside, or crashed, while %1 (the "
                              "system ends programs this way when memory runs short). %2 Try "
                              "again.")
            .arg(Doing(f), then);

    if (f.exitCode != 0) {
        QString text = QStringLiteral("The encoder failed while %1 (exit status %2). %3")
                           .arg(Doing(f))
                           .arg(f.exitCode)
                           .arg(then);
        if (!lines.isEmpty())
            text += QStringLiteral("\nIt said: ") + lines.last();
        return text;
    }
    if (f.stage == Stage::Reading)
        return QStringLiteral("The encoder gave no answer about some of the files. %1").arg(then);
    return QStringLiteral("The encoder ended without writing %1. %2").arg(f.target, then);
}

} // namespace

FailureMessage DescribeRunFailure(const RunFailure &failure)
{
    FailureMessage message;
    message.text = Reason(failure);
    QStringList details = failure.lastLines;
    if (details.isEmpty()) {
        if (failure.crashed)
            details << QStringLiteral("(The encoder ended abnormally.)");
        else if (failure.exitCode != 0)
            details
                << QStringLiteral("(The encoder ended with exit code %1.)").arg(failure.exitCode);
        else
            details << QStringLiteral("(The encoder wrote no file %1.)").arg(failure.target);
    }
    message.details = details.join(QLatin1Char('\n'));
    return message;
}
