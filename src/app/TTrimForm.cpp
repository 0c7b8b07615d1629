#include "app/TTrimForm.h"

#include "platform/RawNames.h"
#include "tasks/Thumbnails.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPictureHeight = 180;

} // namespace

std::optional<double> ProbeFrameRate(const QString &path, const QString &ffprobe)
{
    const QString program
        = ffprobe.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("ffprobe")) : ffprobe;
    if (program.isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(program,
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                   QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                   QStringLiteral("stream=avg_frame_rate,r_frame_rate"), QStringLiteral("-of"),
                   QStringLiteral("csv=p=0"), path});
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return std::nullopt;
    // avg_frame_rate first; r_frame_rate when the average is not stated ("0/0").
    const QString text = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    for (const QString &rate : text.split(QLatin1Char(','))) {
        const QStringList parts = rate.split(QLatin1Char('/'));
        const double num = parts.value(0).toDouble();
        const double den = parts.size() > 1 ? parts[1].toDouble() : 1;
        if (num > 0 && den > 0 && num / den > 0.5 && num / den < 1000)
            return num / den;
    }
    return std::nullopt;
}

TTrimForm::TTrimForm(const QString &path, double lengthSeconds, double fps,
                     std::optional<TaskTrim> trim, QWidget *parent)
    : QDialog(parent)
    , m_path(path)
    , m_length(std::max(lengthSeconds, 0.0))
    , m_fps(fps > 0 ? fps : 25)
{
    setObjectName(QStringLiteral("TrimForm"));
    setWindowTitle(tr("Trim %1").arg(ShownName(path)));
    setAccessibleName(windowTitle());
    m_lastFrame = std::max(0, int(std::llround(m_length * m_fps)) - 1);

    auto *layout = new QGridLayout(this);
    BuildPoint(m_start, true, tr("Start point"));
    BuildPoint(m_end, false, tr("End point"));
    for (const Point *point : {&m_start, &m_end}) {
        const int column = point->start ? 0 : 1;
        // Which picture is which, and Alt with its letter goes to the point's time.
        auto *caption = new QLabel(point->start ? tr("&Start point:") : tr("&End point:"), this);
        caption->setBuddy(point->time);
        layout->addWidget(caption, 0, column);
        layout->addWidget(point->picture, 1, column);
        layout->addWidget(point->time, 2, column);
        layout->addWidget(point->slider, 3, column);
    }
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("TrimMessage"));
    m_message->setAccessibleName(tr("Trim message"));
    layout->addWidget(m_message, 4, 0, 1, 2);

    auto *buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Reset, this);
    buttons->button(QDialogButtonBox::Reset)->setObjectName(QStringLiteral("TrimReset"));
    buttons->button(QDialogButtonBox::Reset)
        ->setAccessibleDescription(tr("Remove the trim and keep the whole file."));
    connect(buttons, &QDialogButtonBox::accepted, this, &TTrimForm::Accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::Reset), &QPushButton::clicked, this, [this] {
        m_start.slider->setValue(0);
        m_end.slider->setValue(m_lastFrame);
    });
    layout->addWidget(buttons, 5, 0, 1, 2);

    const int first = trim ? int(std::llround(trim->from * m_fps)) : 0;
    const int last = trim ? int(std::llround(trim->to * m_fps)) - 1 : m_lastFrame;
    m_start.slider->setValue(std::clamp(first, 0, m_lastFrame));
    m_end.slider->setValue(std::clamp(last, 0, m_lastFrame));
    SliderMoved(m_start);
    SliderMoved(m_end);
    setTabOrder(m_start.slider, m_start.time);
    setTabOrder(m_start.time, m_end.slider);
    setTabOrder(m_end.slider, m_end.time);
    m_start.slider->setFocus();
}

TTrimForm::~TTrimForm()
{
    for (Point *point : {&m_start, &m_end})
        if (point->process) {
            point->process->disconnect(this);
            point->process->kill();
            point->process->waitForFinished(2000);
        }
}

void TTrimForm::BuildPoint(Point &point, bool start, const QString &title)
{
    point.start = start;
    const QString name = start ? QStringLiteral("Start") : QStringLiteral("End");
    point.picture = new QLabel(this);
    point.picture->setObjectName(QStringLiteral("Trim%1Picture").arg(name));
    point.picture->setAccessibleName(start ? tr("Picture at the start point")
                                           : tr("Picture at the end point"));
    point.picture->setMinimumSize(kPictureHeight * 4 / 3, kPictureHeight);
    point.picture->setAlignment(Qt::AlignCenter);
    point.time = new QLineEdit(this);
    point.time->setObjectName(QStringLiteral("Trim%1Time").arg(name));
    point.time->setAccessibleName(title);
    point.time->setAccessibleDescription(tr("A time in seconds or as hours, minutes and seconds."));
    point.slider = new QSlider(Qt::Horizontal, this);
    point.slider->setObjectName(QStringLiteral("Trim%1Slider").arg(name));
    point.slider->setAccessibleName(title);
    point.slider->setAccessibleDescription(
        tr("Left and Right step one frame, with Shift one second; Home and End go to the "
           "file's start and end."));
    point.slider->setRange(0, m_lastFrame);
    point.slider->setSingleStep(1);
    point.slider->setPageStep(std::max(1, int(std::llround(m_fps))));
    point.slider->installEventFilter(this);
    point.settle.setSingleShot(true);
    point.settle.setInterval(60);
    connect(&point.settle, &QTimer::timeout, this, [this, &point] { LoadPicture(point); });
    connect(point.slider, &QSlider::valueChanged, this, [this, &point] { SliderMoved(point); });
    connect(point.time, &QLineEdit::editingFinished, this, [this, &point] { TimeEdited(point); });
}

bool TTrimForm::eventFilter(QObject *watched, QEvent *event)
{
    // Shift with an arrow steps a second; the slider's own keys do the rest.
    if (event->type() == QEvent::KeyPress) {
        auto *slider = qobject_cast<QSlider *>(watched);
        const auto *key = static_cast<QKeyEvent *>(event);
        if (slider && (key->modifiers() & Qt::ShiftModifier)
            && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
            const int second = std::max(1, int(std::llround(m_fps)));
            slider->setValue(slider->value() + (key->key() == Qt::Key_Left ? -second : second));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

double TTrimForm::FrameTime(int frame) const
{
    return frame / m_fps;
}

int TTrimForm::StartFrame() const
{
    return m_start.slider->value();
}

int TTrimForm::EndFrame() const
{
    return m_end.slider->value();
}

void TTrimForm::SliderMoved(Point &point)
{
    point.time->setText(SecondsToClockText(FrameTime(point.slider->value())));
    m_message->clear();
    point.settle.start();
}

void TTrimForm::TimeEdited(Point &point)
{
    const auto seconds = ClockTextToSeconds(point.time->text());
    if (!seconds || *seconds > m_length + 0.001) {
        m_message->setText(tr("%1 is not a time inside the file.").arg(point.time->text()));
        point.time->setText(SecondsToClockText(FrameTime(point.slider->value())));
        return;
    }
    point.slider->setValue(std::clamp(int(std::floor(*seconds * m_fps + 1e-6)), 0, m_lastFrame));
}

void TTrimForm::LoadPicture(Point &point)
{
    if (point.process) {
        point.settle.start(); // the picture being made is shown first; this one follows
        return;
    }
    point.process = new QProcess(this);
    // A quarter frame early, so that the rounding of the time to milliseconds never passes the
    // frame asked for.
    const double at = std::max(0.0, (point.slider->value() - 0.25) / m_fps);
    connect(point.process, &QProcess::finished, this, [this, &point] {
        QPixmap picture;
        picture.loadFromData(point.process->readAllStandardOutput(), "PNG");
        point.picture->setPixmap(picture);
        point.process->deleteLater();
        point.process = nullptr;
    });
    connect(point.process, &QProcess::errorOccurred, this,
            [this, &point](QProcess::ProcessError e) {
                if (e != QProcess::FailedToStart)
                    return;
                point.process->deleteLater();
                point.process = nullptr;
            });
    point.process->start(m_program, FrameArguments(m_path, at, kPictureHeight));
}

std::optional<TaskTrim> TTrimForm::Result() const
{
    if (StartFrame() == 0 && EndFrame() == m_lastFrame)
        return std::nullopt;
    return TaskTrim {FrameTime(StartFrame()), std::min(FrameTime(EndFrame() + 1), m_length)};
}

void TTrimForm::Accept()
{
    if (EndFrame() < StartFrame()) {
        m_message->setText(tr("The end point must come after the start point."));
        return;
    }
    accept();
}
