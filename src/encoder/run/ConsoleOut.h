#pragma once
// The encoder's two console channels: status lines on standard output, errors on standard
// error, written whole and never blocking the work when nobody reads any more.

#include <QByteArray>
#include <QString>

// Writes bytes to standard output; a closed reader is ignored.
void ConsoleWrite(const QByteArray &bytes);
// One line on standard output, for a person: a name's bytes that are not UTF-8 shown as the
// Latin-1 letters they most likely are.
void ConsoleSay(const QString &line);
// One line on standard output as the program reads it back: names keep their stand-ins for
// bytes that are not UTF-8, so that the program finds the file again.
void ConsoleAnswer(const QString &line);
// One line on standard error, for a person as ConsoleSay, line breaks inside it made blanks
// (a file name may hold one).
void ConsoleError(QString line);

// Why a write to standard output failed (a full disk when it goes to a file), or empty when
// every write went through.
QString ConsoleOutError();
