#pragma once
// The last lines of an encoder run's output, kept so that a failure can show why.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <deque>

class OutputTail
{
public:
    static constexpr int MaxLines = 20;
    static constexpr int MaxLineLength = 300;

    // Adds one chunk of output. Lines end at CR or LF; blank lines and the "Pos:" status lines
    // are left out; a line longer than MaxLineLength characters is cut and ends in "...".
    void Add(QByteArrayView chunk);

    // The last MaxLines lines, the unfinished last line included.
    QStringList Lines() const;

    void Clear();

private:
    void Finish(const QByteArray &line);
    static QString LineText(const QByteArray &line);

    std::deque<QString> m_lines;
    QByteArray m_pending;
};
