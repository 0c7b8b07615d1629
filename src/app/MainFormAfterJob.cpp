// What the window adds to the task list and to a job's ending: the total length beside the
// list buttons, a picture of every input beside its path, and the countdown before the
// computer is turned off.
#include "app/JobDesktop.h"
#include "app/TMainForm.h"
#include "app/TurnOffBox.h"
#include "platform/Desktop.h"
#include "tasks/ListSummary.h"
#include "tasks/TaskList.h"
#include "tasks/Thumbnails.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

namespace {

// Every picture is drawn on a canvas of one size, so that the paths of all rows line up.
constexpr QSize kCanvas(2 * TaskThumbnails::kHeight, TaskThumbnails::kHeight);

QPixmap EmptyCanvas()
{
    QPixmap canvas(kCanvas);
    canvas.fill(Qt::transparent);
    return canvas;
}

// The frame, scaled down when it is wider than the canvas, at the canvas's left.
QPixmap OnCanvas(const QPixmap &frame)
{
    QPixmap canvas = EmptyCanvas();
    QPainter painter(&canvas);
    const QPixmap fitted = frame.width() > kCanvas.width() || frame.height() > kCanvas.height()
        ? frame.scaled(kCanvas, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        : frame;
    painter.drawPixmap(0, (kCanvas.height() - fitted.height()) / 2, fitted);
    return canvas;
}

// For a file whose frame cannot be read: a grey picture frame with a film's play sign.
QPixmap NeutralPicture()
{
    QPixmap canvas = EmptyCanvas();
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(1.5, 1.5, 40, kCanvas.height() - 3);
    painter.setPen(QPen(QColor(150, 154, 160), 1));
    painter.setBrush(QColor(226, 228, 231));
    painter.drawRoundedRect(frame, 3, 3);
    const QPointF c = frame.center();
    const QPointF play[] = {c + QPointF(-5, -7), c + QPointF(-5, 7), c + QPointF(7, 0)};
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(150, 154, 160));
    painter.drawPolygon(play, 3);
    return canvas;
}

} // namespace

void TMainForm::ConnectListInfo()
{
    // Changes that come together (a row and its texts) make one update of the total.
    auto *summary = new QTimer(this);
    summary->setSingleShot(true);
    summary->setInterval(0);
    connect(summary, &QTimer::timeout, this, &TMainForm::UpdateListSummary);
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_tasks, signal, summary, qOverload<>(&QTimer::start));
    connect(m_tasks, &QAbstractItemModel::dataChanged, summary, qOverload<>(&QTimer::start));
    connect(m_tasks, &QAbstractItemModel::modelReset, summary, qOverload<>(&QTimer::start));

    m_thumbnails = new TaskThumbnails(*m_tasks, this);
    ltvTask->setIconSize(kCanvas);
    const QPixmap waiting = EmptyCanvas();
    m_tasks->SetDecoration([this, waiting](const QString &path) {
        const auto found = m_pictures.constFind(path);
        return QVariant(found != m_pictures.cend() ? *found : waiting);
    });
    connect(m_thumbnails, &TaskThumbnails::ready, this,
            [this](const QString &path, const QByteArray &png) {
                QPixmap frame;
                const bool read = !png.isEmpty() && frame.loadFromData(png, "PNG");
                m_pictures.insert(path, read ? OnCanvas(frame) : NeutralPicture());
                m_tasks->DecorationChanged(path);
            });
    // The pictures of files no longer listed are let go.
    const auto prune = [this] {
        QSet<QString> listed;
        for (int i = 0; i < m_tasks->Count(); ++i) {
            ltvItemData row;
            m_tasks->ReadTaskRow(i, CaptionOnly, row);
            listed.insert(row.InputFile);
        }
        m_pictures.removeIf(
            [&](QHash<QString, QPixmap>::iterator entry) { return !listed.contains(entry.key()); });
    };
    connect(m_tasks, &QAbstractItemModel::rowsRemoved, this, prune);
    connect(m_tasks, &QAbstractItemModel::modelReset, this, prune);
}

void TMainForm::UpdateListSummary()
{
    labTotalLength->setText(m_jobNote.isEmpty() ? ListSummaryText(*m_tasks) : m_jobNote);
    // The rows' texts have come: a column too narrow for them is widened.
    FitColumnsToTexts();
}

void TMainForm::AskTurnOff()
{
    boxTurnOff = new TurnOffBox(this);
    boxTurnOff->setAttribute(Qt::WA_DeleteOnClose);
    connect(boxTurnOff, &TurnOffBox::turnOff, this, &TMainForm::TurnOffNow);
    boxTurnOff->show();
}

void TMainForm::TurnOffNow()
{
    // The window's keys are stored before the request (the job's desktop does it first).
    const QString refusal = m_jobDesktop->PowerOff();
    if (refusal.isEmpty()) {
        close();
        return;
    }
    // The program stays open, so its close stores the keys again.
    m_storedForClose = false;
    m_desktop.ShowMessage(
        QStringLiteral("Turn Off"),
        GeneralErrorText(QStringLiteral("The computer was not turned off: ") + refusal),
        MessageIcon::Error);
}
