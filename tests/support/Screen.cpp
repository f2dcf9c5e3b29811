#include "support/Screen.h"

#include "core/Prefs.h"
#include "ui/look/Theme.h"

#include <QPainter>
#include <QWidget>

#include <cmath>
#include <functional>

QImage Screen::render(QWidget& widget, qreal devicePixelRatio)
{
    const QSize size = widget.size() * devicePixelRatio;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Theme::ground());
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QColor Screen::pixel(const QImage& image, QPointF logical)
{
    const qreal scale = image.devicePixelRatio();
    return image.pixelColor(int(std::floor(logical.x() * scale)), int(std::floor(logical.y() * scale)));
}

// Near the colour: antialiased glyph interiors and filled shapes are exact, edges are not asked.
static bool near(const QColor& colour, const QColor& target)
{
    return std::abs(colour.red() - target.red()) <= 24 && std::abs(colour.green() - target.green()) <= 24
        && std::abs(colour.blue() - target.blue()) <= 24;
}

bool Screen::isInk(const QColor& colour)
{
    return near(colour, Theme::ink());
}

bool Screen::isGround(const QColor& colour)
{
    return near(colour, Theme::ground());
}

int Screen::inkPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += isInk(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

static QList<int> runs(int length, const std::function<bool(int)>& marked)
{
    QList<int> result{0};
    bool ink = true;
    for (int i = 0; i < length; ++i) {
        const bool here = marked(i);
        if (here != ink) {
            result << 0;
            ink = here;
        }
        ++result.back();
    }
    return result;
}

QList<int> Screen::inkRunsInRow(const QImage& image, int deviceY)
{
    return runs(image.width(), [&](int x) { return isInk(image.pixelColor(x, deviceY)); });
}

QList<int> Screen::inkRunsInColumn(const QImage& image, int deviceX)
{
    return runs(image.height(), [&](int y) { return isInk(image.pixelColor(deviceX, y)); });
}

QList<int> Screen::markRunsInRow(const QImage& image, int deviceY)
{
    return runs(image.width(), [&](int x) { return !isGround(image.pixelColor(x, deviceY)); });
}

int Screen::markedPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += isGround(image.pixelColor(x, y)) ? 0 : 1;
    return count;
}

void Screen::useLook(bool dark)
{
    Prefs::shared().setDark(dark);
}

void Screen::useLanguage(bool german)
{
    Prefs::shared().setGerman(german);
}
