#pragma once

#include "core/NotificationCenter.h"

#include <QColor>
#include <QFont>
#include <QRectF>

#include <array>

class QPainter;
class QPalette;
class QWidget;

// The look: two greys on each other, one monospaced typeface, a six-colour palette for accounts.
// Ink and ground swap with the setting "dark" and are read afresh at every use.
namespace Theme {

inline const QColor c222{0x22, 0x22, 0x22};
inline const QColor cBBB{0xBB, 0xBB, 0xBB};
inline const QString& changed = Notification::themeChanged;

extern const std::array<QColor, 6> pastels;       // the dark look's account colours
extern const std::array<QColor, 6> pastelsLight;  // the light look's

QColor ink();     // text, lines, icons, marks
QColor ground();  // window and view backgrounds
// The account palette of the current look; any index, reduced modulo 6 (negative wraps).
QColor pastel(int index);

// Selected text: ink behind, ground in front.
struct Selection {
    QColor background;
    QColor foreground;
};
Selection selection();

// The application palette over the Fusion style, built from ink and ground.
QPalette palette();
// Sets Fusion and the palette on the application; call at start and on every theme change.
void applyToApplication();

// Marks the widget and every widget under it, depth first, for repainting.
void redrawAll(QWidget* view);

// Device pixels per logical pixel where the painter draws, also when a widget is rendered into
// an image of another ratio than its screen's.
qreal deviceScale(const QPainter& painter);

// Two bars in the ink colour, 1 px across, each min(half the rect, length) long.
void drawCropMarks(QPainter& painter, const QRectF& rect, bool vertical, qreal length);

// The one typeface: the monospaced system family at a pixel size, weight and letter spacing.
QFont font(qreal pixelSize, QFont::Weight weight = QFont::Normal, qreal letterSpacing = 0);

}  // namespace Theme
