#pragma once
// A text ffmpeg reads as a file (the list of a copy's inputs, the chapters of an output), held
// in memory and handed to it as a descriptor it inherits: no folder is needed for it, none can
// be full, and nothing is left behind when the job is killed.

#include <QByteArray>
#include <QString>

class HandedText
{
public:
    HandedText() = default;
    HandedText(const HandedText &) = delete;
    HandedText &operator=(const HandedText &) = delete;
    ~HandedText();

    // Holds the text; false, with *error, when the system gives no memory file.
    bool Hold(const QByteArray &text, QString *error);

    // The name ffmpeg opens it by ("/proc/self/fd/N", which the child inherits as N); empty
    // before Hold.
    QString Path() const;
    // The descriptor the child must keep, or -1.
    int Descriptor() const { return m_fd; }

private:
    int m_fd = -1;
};
