#include "pipeline/runs/CommandLine.h"

namespace {

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Index of the first argument after the program-name token.
qsizetype SkipProgramName(const QString &text)
{
    if (!text.isEmpty() && text.front() == QLatin1Char('"')) {
        const qsizetype close = text.indexOf(QLatin1Char('"'), 1);
        return close < 0 ? text.size() : close + 1;
    }
    qsizetype i = 0;
    while (i < text.size() && !IsBlank(text.at(i)))
        ++i;
    return i;
}

} // namespace

QStringList SplitCommandLine(const QString &commandLine)
{
    QStringList args;
    const QString &s = commandLine;
    qsizetype i = SkipProgramName(s);
    for (;;) {
        while (i < s.size() && IsBlank(s.at(i)))
            ++i;
        if (i >= s.size())
            break;
        QString arg;
        bool quoted = false;
        while (i < s.size() && (quoted || !IsBlank(s.at(i)))) {
            const QChar c = s.at(i);
            if (c == QLatin1Char('\\')) {
                qsizetype n = 0;
                while (i < s.size() && s.at(i) == QLatin1Char('\\')) {
                    ++n;
                    ++i;
                }
                if (i < s.size() && s.at(i) == QLatin1Char('"')) {
                    arg += QString(n / 2, QLatin1Char('\\'));
                    if (n % 2) {
                        arg += QLatin1Char('"');
                        ++i;
                    }
                } else {
                    arg += QString(n, QLatin1Char('\\'));
                }
            } else if (c == QLatin1Char('"')) {
                if (quoted && i + 1 < s.size() && s.at(i + 1) == QLatin1Char('"')) {
                    arg += QLatin1Char('"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += c;
                ++i;
            }
        }
        args << arg;
    }
    return args;
}

QString QuotePath(const QString &path)
{
    QString out = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar c : path) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"')) {
            // Every backslash before a literal quote is doubled, and the quote escaped.
            out += QString(backslashes * 2 + 1, QLatin1Char('\\'));
        } else {
            out += QString(backslashes, QLatin1Char('\\'));
        }
        backslashes = 0;
        out += c;
    }
    // Backslashes before the closing quote are doubled so that the quote still closes.
    out += QString(backslashes * 2, QLatin1Char('\\'));
    out += QLatin1Char('"');
    return out;
}

QString FitIntermediateFile(const QString &folder, int index, const QString &extension)
{
    return folder + QString::number(index) + extension.toLower();
}

QString IntermediateFile(const QString &folder, int index)
{
    return folder + QString::number(index) + QStringLiteral(".avi");
}

QString ConversionCommandLine(const QString &inputFile, const QString &intermediateFile,
                              const QString &videoSizeValue, const std::optional<TaskTrim> &trim,
                              double gainDb)
{
    QString line = QLatin1Char(' ') + QuotePath(inputFile) + QStringLiteral(" -o ")
        + QuotePath(intermediateFile)
        + QStringLiteral(" -oac mp3lame -ovc lavc -ofps 30 -vf scale=") + videoSizeValue;
    return line + TrimOptions(trim) + GainOption(gainDb);
}

QString GainOption(double gainDb)
{
    return gainDb != 0 ? QStringLiteral(" -af volume=") + QString::number(gainDb, 'f', 2)
                       : QString();
}

QString TrimOptions(const std::optional<TaskTrim> &trim)
{
    if (!trim)
        return QString();
    return QStringLiteral(" -ss %1 -endpos %2")
        .arg(QString::number(trim->from, 'f', 3), QString::number(trim->Seconds(), 'f', 3));
}

QString JoinInputList(const QString &folder, int count)
{
    QString list;
    for (int n = 0; n < count; ++n)
        list += QLatin1Char(' ') + QuotePath(IntermediateFile(folder, n));
    return list;
}

QString JoinCommandLine(const QString &inputList, const QString &outputPath,
                        const QString &encoderOptions)
{
    return inputList + QStringLiteral(" -o ") + QuotePath(outputPath) + QLatin1Char(' ')
        + encoderOptions;
}

QString ChapterListFile(const QString &folder)
{
    return folder + QStringLiteral("chapters.txt");
}

bool ExtensionHoldsChapters(const QString &extension)
{
    const QString e = extension.toLower();
    return e == u".mkv" || e == u".mp4" || e == u".mov";
}

QString ChapterOption(const QString &listFile)
{
    return QStringLiteral(" -chapters ") + QuotePath(listFile);
}
