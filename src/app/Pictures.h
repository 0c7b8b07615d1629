#pragma once
// The program's own pictures, drawn from the SVG images compiled into the program.

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>

// Makes the compiled-in images reachable (they live in a static library).
void InitPictures();

// The SVG image at resource drawn at size (logical pixels) for the given device pixel ratio.
QPixmap RenderPicture(const QString &resource, QSize size, qreal devicePixelRatio = 1.0);

// A strip of count pictures of frameSize each, side by side in one image, cut into its frames.
QList<QPixmap> LoadStrip(const QString &resource, QSize frameSize, int count,
                         qreal devicePixelRatio = 1.0);

// The desktop theme's icon of that name when the theme has one, else our own picture.
QIcon ThemedIcon(const QString &themeName, const QString &resource);
