#include "settings/IniDocument.h"

#include "settings/NumberSyntax.h"

#include <QFile>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QString TrimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin)))
        ++begin;
    while (end > begin && IsBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString Fold(const QString &name)
{
    return TrimBlanks(name).toCaseFolded();
}

// One matching pair of quotes around the whole value goes; "abc"def stays whole.
QString Unquote(const QString &value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
        && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

// Cuts to at most max characters, never inside a surrogate pair.
QString CutToCharacters(const QString &value, qsizetype max)
{
    qsizetype units = 0;
    for (qsizetype chars = 0; units < value.size() && chars < max; ++chars) {
        if (value.at(units).isHighSurrogate() && units + 1 < value.size()
            && value.at(units + 1).isLowSurrogate())
            units += 2;
        else
            units += 1;
    }
    return value.left(units);
}

// CR LF, CR and LF each become one blank.
QString OneLine(const QString &text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String(" "));
    out.replace(u'\r', u' ');
    out.replace(u'\n', u' ');
    return out;
}

} // namespace

IniDocument IniDocument::Parse(const QByteArray &data)
{
    IniDocument doc;
    QByteArray text = data;
    if (text.startsWith(kBom)) {
        doc.m_bom = true;
        text.remove(0, kBom.size());
    }
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = text.at(i);
        if (c != '\r' && c != '\n')
            continue;
        doc.m_lines.push_back(ParseLine(text.mid(start, i - start)));
        if (c == '\r' && i + 1 < n && text.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        doc.m_lines.push_back(ParseLine(text.mid(start)));
    doc.Reindex();
    return doc;
}

IniDocument IniDocument::Read(const QString &path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return IniDocument();
    return Parse(file.readAll());
}

IniDocument::Line IniDocument::ParseLine(const QByteArray &raw)
{
    Line line;
    line.raw = raw;
    const QString text = TrimBlanks(QString::fromUtf8(raw));
    if (text.isEmpty()) {
        line.kind = Kind::Blank;
    } else if (text.front() == u';') {
        line.kind = Kind::Comment;
    } else if (text.front() == u'[' && text.indexOf(u']') > 0) {
        line.kind = Kind::Section;
        line.name = TrimBlanks(text.mid(1, text.indexOf(u']') - 1));
    } else if (const qsizetype eq = text.indexOf(u'='); eq >= 0) {
        line.kind = Kind::Key;
        line.name = TrimBlanks(text.left(eq));
        line.value = TrimBlanks(text.mid(eq + 1));
    }
    return line;
}

void IniDocument::Reindex()
{
    m_sections.clear();
    SectionIndex *current = nullptr; // null before the first section and in later duplicates
    for (qsizetype i = 0; i < qsizetype(m_lines.size()); ++i) {
        const Line &line = m_lines[size_t(i)];
        if (line.kind == Kind::Section) {
            const QString folded = line.name.toCaseFolded();
            if (m_sections.contains(folded)) {
                current = nullptr;
            } else {
                current = &m_sections[folded];
                current->header = i;
            }
        } else if (line.kind == Kind::Key && current) {
            const QString folded = line.name.toCaseFolded();
            if (!current->keys.contains(folded))
                current->keys.insert(folded, i);
        }
    }
}

QString IniDocument::Text(const QString &section, const QString &key, const QString &def) const
{
    const auto s = m_sections.constFind(Fold(section));
    if (s == m_sections.cend())
        return def;
    const auto k = s->keys.constFind(Fold(key));
    if (k == s->keys.cend())
        return def;
    return CutToCharacters(Unquote(m_lines[size_t(*k)].value), kMaxValueLength);
}

int32_t IniDocument::Number(const QString &section, const QString &key, int32_t def) const
{
    return ParseNumber(Text(section, key, QString())).value_or(def);
}

qsizetype IniDocument::SectionEnd(qsizetype header) const
{
    qsizetype end = header + 1;
    while (end < qsizetype(m_lines.size()) && m_lines[size_t(end)].kind != Kind::Section)
        ++end;
    return end;
}

void IniDocument::Set(const QString &section, const QString &key, const QString &value)
{
    const QString sectionName = TrimBlanks(OneLine(section));
    const QString keyName = TrimBlanks(OneLine(key));
    const QByteArray valueBytes = OneLine(value).toUtf8();

    const auto s = m_sections.constFind(sectionName.toCaseFolded());
    if (s == m_sections.cend()) {
        if (!m_lines.empty() && m_lines.back().kind != Kind::Blank)
            m_lines.push_back(ParseLine(QByteArray()));
        m_lines.push_back(ParseLine('[' + sectionName.toUtf8() + ']'));
        m_lines.push_back(ParseLine(keyName.toUtf8() + '=' + valueBytes));
        Reindex();
        return;
    }

    const auto k = s->keys.constFind(keyName.toCaseFolded());
    if (k != s->keys.cend()) {
        // Keep the line's own spelling of the name and its blanks up to the value.
        Line &line = m_lines[size_t(*k)];
        qsizetype cut = line.raw.indexOf('=') + 1;
        while (cut < line.raw.size() && (line.raw.at(cut) == ' ' || line.raw.at(cut) == '\t'))
            ++cut;
        line = ParseLine(line.raw.left(cut) + valueBytes);
    } else {
        // After the section's last key line, before its trailing comments and blanks.
        qsizetype at = s->header + 1;
        for (qsizetype i = at; i < SectionEnd(s->header); ++i)
            if (m_lines[size_t(i)].kind == Kind::Key)
                at = i + 1;
        m_lines.insert(m_lines.begin() + at, ParseLine(keyName.toUtf8() + '=' + valueBytes));
    }
    Reindex();
}

QByteArray IniDocument::Serialize() const
{
    QByteArray out;
    if (m_bom)
        out += kBom;
    for (const Line &line : m_lines) {
        out += line.raw;
        out += "\r\n";
    }
    return out;
}
