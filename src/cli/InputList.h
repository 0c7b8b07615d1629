#pragma once
// The list of inputs quintor-join reads with --list: one path a line.

#include <QByteArray>
#include <QStringList>

// The paths of a list file's bytes, in order: one a line, lines ended by LF or CR LF, the last
// one with or without its end. Lines that hold nothing but blanks are skipped; every other line
// is the path exactly as written, blanks at either end included, since a name may hold them.
// Bytes that are not UTF-8 are kept as the name's bytes; a zero byte, which no name can hold,
// ends nothing and is dropped.
QStringList ParseInputList(const QByteArray &bytes);
