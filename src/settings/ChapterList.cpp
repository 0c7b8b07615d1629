#include "settings/ChapterList.h"

#include <QList>

namespace {

QString Escaped(const QString &field)
{
    QString out;
    out.reserve(field.size());
    for (const QChar c : field) {
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A backslash before any other character, or at the end, stands for itself.
QString Unescaped(const QString &field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c != u'\\' || i + 1 >= field.size()) {
            out += c;
            continue;
        }
        switch (field.at(++i).unicode()) {
        case u'\\':
            out += u'\\';
            break;
        case u't':
            out += u'\t';
            break;
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        default:
            out += c;
            out += field.at(i);
        }
    }
    return out;
}

} // namespace

QByteArray ChapterListText(const std::vector<ChapterListEntry> &entries)
{
    QString text;
    for (const ChapterListEntry &e : entries)
        text += Escaped(e.title) + u'\t' + Escaped(e.source) + u'\n';
    return text.toUtf8();
}

std::optional<std::vector<ChapterListEntry>> ParseChapterList(const QByteArray &text,
                                                              QString *error)
{
    std::vector<ChapterListEntry> entries;
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast(); // the line feed that ends the last line
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = QString::fromUtf8(lines.at(n));
        const qsizetype tab = line.indexOf(u'\t');
        if (tab < 0) {
            *error = QStringLiteral("Line %1 of the chapter list has no tab").arg(n + 1);
            return std::nullopt;
        }
        entries.push_back({Unescaped(line.left(tab)), Unescaped(line.mid(tab + 1))});
    }
    return entries;
}
