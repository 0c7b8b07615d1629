#pragma once
// MP4 and MOV files are rows of boxes: a 32-bit size (or 1, and a 64-bit size after the type,
// or 0 for a box that runs to the end) and a four-letter type, then the content, which for
// some types is a row of boxes again.

#include <QByteArray>
#include <QIODevice>

#include <optional>

struct Mp4Box
{
    qint64 at = 0; // where its header begins
    qint64 size = 0; // header and content
    QByteArray type;
    qint64 End() const { return at + size; }
};

// The box whose header begins at `at`, in a row that ends at `end`; nothing when no header can
// be read there or its size is less than a header's. The size may reach beyond `end` (a file
// cut short); a box stated to run to the end ends at `end`.
std::optional<Mp4Box> ReadMp4Box(QIODevice &file, qint64 at, qint64 end);

// A number in the big-endian bytes that boxes store it in.
QByteArray BigEndian16(quint16 value);
QByteArray BigEndian32(quint32 value);
QByteArray BigEndian64(quint64 value);

// A box's bytes: its size, its type and the content.
QByteArray MakeMp4Box(const char *type, const QByteArray &content);

class QFile;

// Opens the file named by its bytes (a hidden file's name need not be UTF-8) to change it in
// place; false, with errno set, when it cannot be.
bool OpenToUpdate(const QByteArray &path, QFile &file);

// The first box of that type in the row [from, to), or nothing when the row holds none whole.
std::optional<Mp4Box> FindMp4Box(QIODevice &file, qint64 from, qint64 to, const char *type);
