#pragma once
// The Trim window of one task row: the picture at the start point and at the end point, each
// with a time field and a slider that moves by frames. Left and Right step one frame,
// Shift+Left and Shift+Right one second, Home and End go to the file's start and end; Reset
// removes the trim.

#include "tasks/TaskTrim.h"

#include <QDialog>
#include <QTimer>

#include <optional>

class QLabel;
class QLineEdit;
class QProcess;
class QSlider;

// The frame rate of a file's picture, read with ffprobe (the program given, else found on the
// PATH); nothing when it cannot be read.
std::optional<double> ProbeFrameRate(const QString &path, const QString &ffprobe = QString());

class TTrimForm : public QDialog
{
    Q_OBJECT

public:
    // A file of lengthSeconds shown at fps frames a second; trim is the row's current one.
    TTrimForm(const QString &path, double lengthSeconds, double fps, std::optional<TaskTrim> trim,
              QWidget *parent = nullptr);
    ~TTrimForm() override;

    // The ffmpeg program the pictures are made with.
    void SetProgram(const QString &program) { m_program = program; }
    // What the row gets when the window is accepted: none keeps the whole file.
    std::optional<TaskTrim> Result() const;
    // The kept frames: the first and the last (0-based).
    int StartFrame() const;
    int EndFrame() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Point
    {
        QLabel *picture = nullptr;
        QLineEdit *time = nullptr;
        QSlider *slider = nullptr;
        QProcess *process = nullptr;
        QTimer settle;
        bool start = true;
    };

    void BuildPoint(Point &point, bool start, const QString &title);
    void SliderMoved(Point &point);
    void TimeEdited(Point &point);
    void LoadPicture(Point &point);
    void Accept();
    double FrameTime(int frame) const;

    QString m_path;
    double m_length = 0;
    double m_fps = 25;
    int m_lastFrame = 0;
    QString m_program = QStringLiteral("ffmpeg");
    Point m_start;
    Point m_end;
    QLabel *m_message = nullptr;
};
