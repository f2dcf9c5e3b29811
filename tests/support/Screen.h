#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPointF>

class QWidget;

// What screen tests share: render a widget as it would show, read pixels at logical points,
// measure runs of colour, and switch the look and the language the way the settings do.
namespace Screen {

// The widget and its children drawn on the ground colour at a device pixel ratio.
QImage render(QWidget& widget, qreal devicePixelRatio = 1);

// The device pixel under a logical point.
QColor pixel(const QImage& image, QPointF logical);
bool isInk(const QColor& colour);
bool isGround(const QColor& colour);
// How much of the image is ink, as a count of device pixels.
int inkPixels(const QImage& image);

// Pixels that are not ground: thin or small marks that antialiasing leaves lighter than the ink.
int markedPixels(const QImage& image);
QList<int> markRunsInRow(const QImage& image, int deviceY);

// Lengths of alternating ink / not-ink runs along one device row or column, starting with ink
// (a first run of 0 when the line starts with ground).
QList<int> inkRunsInRow(const QImage& image, int deviceY);
QList<int> inkRunsInColumn(const QImage& image, int deviceX);

// Writes the settings, which post the theme or language notification.
void useLook(bool dark);
void useLanguage(bool german);

}
