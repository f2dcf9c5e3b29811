// Painting a full main window's worth of the look: a 1280 × 760 page holding 50 labels and 50
// text buttons, rendered whole, at device pixel ratio 1 and 2, in the dark and the light look.
// Beside it the peer: the same page made of Qt's own QLabel and QPushButton.
#include "core/AppIdentity.h"
#include "core/Prefs.h"
#include "support/TemporaryHome.h"
#include "ui/look/GroundView.h"
#include "ui/look/LUButton.h"
#include "ui/look/LULabel.h"
#include "ui/look/Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int frames = 60;

void fill(QWidget& page, const std::function<QWidget*(int, QWidget*)>& make)
{
    page.resize(1280, 760);
    for (int n = 0; n < 100; ++n) {
        QWidget* widget = make(n, &page);
        widget->setGeometry(20 + (n % 5) * 250, 20 + (n / 5) * 36, 230, 28);
    }
    page.show();
}

double medianMilliseconds(QWidget& page, qreal ratio)
{
    QImage image(page.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    std::vector<double> times;
    for (int n = 0; n < frames; ++n) {
        QElapsedTimer timer;
        timer.start();
        page.render(&image);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::nth_element(times.begin(), times.begin() + frames / 2, times.end());
    return times[frames / 2];
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TemporaryHome home;
    QApplication app(argc, argv);
    AppIdentity::apply();
    Theme::applyToApplication();

    GroundView ours;
    fill(ours, [](int n, QWidget* parent) -> QWidget* {
        if (n % 2)
            return new LUButton(QStringLiteral("drawer %1").arg(n), 13, n % 3 == 0, {}, parent);
        return new LULabel(QStringLiteral("a subject line number %1 that is long enough to elide").arg(n), 13, false, 0, 1, parent);
    });
    QWidget peer;
    fill(peer, [](int n, QWidget* parent) -> QWidget* {
        if (n % 2)
            return new QPushButton(QStringLiteral("drawer %1").arg(n), parent);
        auto* label = new QLabel(QStringLiteral("a subject line number %1 that is long enough to elide").arg(n), parent);
        label->setFont(Theme::font(13));
        return label;
    });

    std::printf("paint a 1280x760 page of 100 labels and buttons, median of %d frames (aim: under 5 ms)\n", frames);
    for (const bool dark : {true, false}) {
        Prefs::shared().setDark(dark);
        for (const qreal ratio : {1.0, 2.0}) {
            const double oursMs = medianMilliseconds(ours, ratio);
            const double peerMs = medianMilliseconds(peer, ratio);
            std::printf("  %-5s @%.0fx  ours %6.2f ms   Qt's QLabel/QPushButton %6.2f ms   ratio %.2f\n", dark ? "dark" : "light",
                ratio, oursMs, peerMs, oursMs / peerMs);
        }
    }
    return 0;
}
