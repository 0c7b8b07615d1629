#include "app/MainFormRules.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

QStringList OutputTypeExtensions()
{
    return {QStringLiteral(".avi"), QStringLiteral(".mpg"), QStringLiteral(".mp4"),
            QStringLiteral(".wmv"), QStringLiteral(".mov"), QStringLiteral(".vob"),
            QStringLiteral(".asf"), QStringLiteral(".flv")};
}

QString BuildSaveDialogFilter()
{
    QString filter;
    for (const QString &e : OutputTypeExtensions()) {
        filter += e.mid(1).toUpper() + QStringLiteral(" Files (*") + e + QStringLiteral(")|*") + e
            + QLatin1Char('|');
    }
    return filter + QStringLiteral("All Files (*.*)|*.*");
}

static QString withoutBracketGroup(QString description)
{
    description = description.trimmed();
    if (description.endsWith(QLatin1Char(')'))) {
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0)
            description = description.left(open).trimmed();
    }
    return description;
}

QStringList ToQtNameFilters(const QString &pairs)
{
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pattern = p.trimmed();
            if (!pattern.isEmpty())
                patterns.append(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        if (patterns.isEmpty())
            continue;
        filters.append(withoutBracketGroup(parts.at(i)) + QStringLiteral(" (")
                       + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters;
}

SaveDialogStart SaveDialogStartFor(const QString &pairs, const QString &outputExtension)
{
    SaveDialogStart start;
    start.defaultSuffix
        = outputExtension.isEmpty() ? QStringLiteral("avi") : outputExtension.mid(1).toLower();
    const QStringList filters = ToQtNameFilters(pairs);
    int allFiles = -1;
    for (int i = 0; i < filters.size(); ++i) {
        const QString &f = filters.at(i);
        const qsizetype open = f.lastIndexOf(QLatin1Char('('));
        const QStringList patterns
            = f.mid(open + 1).chopped(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!outputExtension.isEmpty()
            && patterns.contains(QLatin1Char('*') + outputExtension, Qt::CaseInsensitive)) {
            start.filterIndex = i;
            return start;
        }
        if (allFiles < 0 && patterns.contains(QStringLiteral("*")))
            allFiles = i;
    }
    // Before any profile the first entry stays selected, as the dialog always had it.
    start.filterIndex = outputExtension.isEmpty() ? 0 : std::max(allFiles, 0);
    return start;
}

// numerator / 100 rounded half to even, in whole numbers so that a share such as 78.5 is
// exactly a half and not a binary neighbour of it.
static int hundredthsRoundedHalfEven(long long numerator)
{
    long long quotient = numerator / 100;
    long long remainder = numerator % 100;
    if (remainder < 0) {
        remainder += 100;
        --quotient;
    }
    if (remainder > 50 || (remainder == 50 && quotient % 2 != 0))
        ++quotient;
    return static_cast<int>(quotient);
}

ColumnWidths AdjustColumnWidths(const ColumnWidths &widths, int delta)
{
    static constexpr std::array<int, 4> percent {49, 17, 15, 19};
    ColumnWidths out = widths;
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = hundredthsRoundedHalfEven(100LL * widths[i] + 1LL * delta * percent[i]);
    return out;
}

QString MainWindowTitle(const QString &productName, const QString &versionText)
{
    return productName + QStringLiteral(" V") + versionText;
}

QString ProgramNameCaption(const QString &productName)
{
    const qsizetype blank = productName.indexOf(QLatin1Char(' '));
    return blank < 0 ? productName : productName.mid(blank + 1);
}

static QString absolutePath(const QString &path, const QString &currentDir)
{
    return QDir::cleanPath(QDir(currentDir).absoluteFilePath(path));
}

StartupPathList StartupPaths(const QStringList &arguments, const QString &currentDir)
{
    StartupPathList out;
    if (arguments.isEmpty())
        return out;
    if (ExtractFileExt(arguments.first()).toLower() != QLatin1String(".tmp")) {
        // An empty argument names no file; made absolute it would name the current folder.
        for (const QString &a : arguments)
            if (!a.isEmpty())
                out.paths.append(absolutePath(a, currentDir));
        return out;
    }
    const QString listFile = absolutePath(arguments.first(), currentDir);
    QFile file(listFile);
    if (!file.open(QIODevice::ReadOnly)) {
        out.unreadableListFile = listFile;
        return out;
    }
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    static const QRegularExpression lineEnds(QStringLiteral("[\r\n]"));
    for (const QString &line : text.split(lineEnds, Qt::SkipEmptyParts))
        out.paths.append(absolutePath(line, currentDir));
    return out;
}

QString OutputNameForProfile(const QString &name, const QString &newExtension)
{
    const QString extension = ExtractFileExt(name).toLower();
    if (extension.isEmpty() || newExtension.isEmpty() || extension == newExtension.toLower()
        || ExtractFileName(name).size() == extension.size())
        return name;
    QStringList types = OutputTypeExtensions();
    types << QStringLiteral(".mkv");
    if (!types.contains(extension))
        return name;
    return name.chopped(extension.size()) + newExtension;
}
