#include "app/Pictures.h"

#include <QPainter>
#include <QSvgRenderer>

static void initImagesResource()
{
    Q_INIT_RESOURCE(images);
}

void InitPictures()
{
    static const bool done = (initImagesResource(), true);
    Q_UNUSED(done);
}

QPixmap RenderPicture(const QString &resource, QSize size, qreal devicePixelRatio)
{
    InitPictures();
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QList<QPixmap> LoadStrip(const QString &resource, QSize frameSize, int count,
                         qreal devicePixelRatio)
{
    const QPixmap strip = RenderPicture(
        resource, QSize(frameSize.width() * count, frameSize.height()), devicePixelRatio);
    QList<QPixmap> frames;
    const QSize device = frameSize * devicePixelRatio;
    for (int i = 0; i < count; ++i) {
        QPixmap frame = strip.copy(QRect(QPoint(device.width() * i, 0), device));
        frame.setDevicePixelRatio(devicePixelRatio);
        frames.append(frame);
    }
    return frames;
}

QIcon ThemedIcon(const QString &themeName, const QString &resource)
{
    if (QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    QIcon icon;
    for (int side : {16, 24, 32, 48})
        icon.addPixmap(RenderPicture(resource, QSize(side, side)));
    return icon;
}
