#pragma once
// The text of one ini file, parsed by the Windows private-profile rules, for one group of
// reads (a load reads the file once) and for the edit that a single write makes.

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

class IniDocument
{
public:
    // The longest value a read gives, in characters.
    static constexpr qsizetype kMaxValueLength = 2047;

    IniDocument() = default;

    // Parses UTF-8 text whose lines end in CR LF, LF or CR.
    static IniDocument Parse(const QByteArray &data);
    // The file as it is on disk now; empty when it is missing or cannot be read.
    static IniDocument Read(const QString &path);

    // The value of the first key of that name in the first section of that name (names
    // compared by Unicode case folding), blanks around it removed, one pair of matching
    // quotes removed, cut to kMaxValueLength characters; def when there is none.
    QString Text(const QString &section, const QString &key, const QString &def) const;
    // Text read by the number syntax; def when it is not a valid whole number.
    int32_t Number(const QString &section, const QString &key, int32_t def) const;

    // Sets one key: replaces its value in place, or adds the key after the last key line of
    // its section, or adds the section at the end after one blank line. Line breaks in the
    // names and the value become blanks, so a write can never add lines of its own.
    void Set(const QString &section, const QString &key, const QString &value);

    // The text to write: every line as it was (or as Set made it), each ended by CR LF.
    QByteArray Serialize() const;

private:
    enum class Kind { Blank, Comment, Section, Key, Other };
    struct Line
    {
        QByteArray raw; // the line's bytes without its line break
        Kind kind = Kind::Other;
        QString name; // section or key name, blanks trimmed
        QString value; // key value, blanks trimmed (quotes still on)
    };
    struct SectionIndex
    {
        qsizetype header = -1; // line of the section's header
        QHash<QString, qsizetype> keys; // folded key name -> line of its first key
    };

    static Line ParseLine(const QByteArray &raw);
    void Reindex();
    qsizetype SectionEnd(qsizetype header) const;

    std::vector<Line> m_lines;
    bool m_bom = false;
    QHash<QString, SectionIndex> m_sections; // folded section name -> its first occurrence
};
