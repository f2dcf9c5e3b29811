// The game's two hot paths. One frame: a simulation step plus painting the whole field at
// 1000 × 600 (ratio 1 and 2), over a long rally with the coloured tail. The sound: rendering one
// buffer of 1,024 stereo frames with 16 live voices, as the audio thread does.
#include "core/AppIdentity.h"
#include "core/Prefs.h"
#include "game/PongField.h"
#include "game/PongSound.h"
#include "support/TemporaryHome.h"
#include "ui/look/Clock.h"
#include "ui/look/Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    double median;
    double p99;
    double worst;
    double cpuMedian;  // this thread's own time: what is left when other programs take the cores
};

double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

Figures figures(std::vector<double> times, std::vector<double> cpu)
{
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    return {times[times.size() / 2], times[times.size() * 99 / 100], times.back(), cpu[cpu.size() / 2]};
}

Figures frames(qreal ratio)
{
    double now = 1000;
    Clock::replace([&] { return now; });
    PongField field;
    field.resize(1000, 600);
    field.newGame();
    field.pause();
    PongGame& game = field.game();
    game.onSound = {};
    QImage image(QSize(1000, 600) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    std::vector<double> times, cpu;
    for (int n = 0; n < 3000; ++n) {
        now += 1.0 / 60;
        // A user who always gets there, so the rally and its tail go on.
        game.pL = std::clamp(game.y + 7 - game.paddleLength() / 2, 0.0, game.H() - game.paddleLength());
        QElapsedTimer timer;
        const double cpuStart = cpuMilliseconds();
        timer.start();
        field.tick();
        QPainter painter(&image);
        PongField::draw(painter, game, now);
        painter.end();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(cpuMilliseconds() - cpuStart);
    }
    Clock::replace({});
    return figures(times, cpu);
}

class NoOutput : public PongSound::Output {
public:
    bool start(PongSound&) override { return true; }
    void stop() override {}
};

Figures sound()
{
    PongSound sound(std::make_unique<NoOutput>());
    // Two voices each from a burst and a smash, then twelve single tones and glides: 16 in all.
    const PongSound::Kind singles[] = {PongSound::Kind::userHit, PongSound::Kind::computerHit, PongSound::Kind::wall,
        PongSound::Kind::userPoint, PongSound::Kind::computerPoint, PongSound::Kind::userWins, PongSound::Kind::computerWins};
    std::vector<float> buffer(1024 * 2);
    std::vector<double> times, cpu;
    for (int n = 0; n < 4000; ++n) {
        sound.stop();
        sound.play(PongSound::Kind::burst);
        sound.play(PongSound::Kind::smash);
        for (int k = 0; k < 12; ++k)
            sound.play(singles[k % 7]);
        QElapsedTimer timer;
        const double cpuStart = cpuMilliseconds();
        timer.start();
        sound.render(buffer.data(), 1024, 2, 48000);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(cpuMilliseconds() - cpuStart);
    }
    return figures(times, cpu);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TemporaryHome home;
    QApplication app(argc, argv);
    AppIdentity::apply();
    Prefs::shared().setPongLevel(2);
    QList<Account> accounts;
    for (int i = 0; i < 3; ++i)
        accounts << Account::preset(QStringLiteral("player%1@example.org").arg(i));
    Prefs::shared().setAccounts(accounts);

    std::printf("one frame (step + paint, 1000 x 600), ms: median / p99 / worst, cpu median\n");
    for (const bool dark : {true, false}) {
        Prefs::shared().setDark(dark);
        for (const qreal ratio : {1.0, 2.0}) {
            const Figures f = frames(ratio);
            std::printf("  %-5s @%gx  %.3f / %.3f / %.3f, %.3f\n", dark ? "dark" : "light", ratio, f.median, f.p99, f.worst, f.cpuMedian);
        }
    }
    const Figures f = sound();
    std::printf("sound render, 1024 frames x 16 voices, ms: median / p99 / worst, cpu median\n  %.3f / %.3f / %.3f, %.3f\n",
        f.median, f.p99, f.worst, f.cpuMedian);
    return 0;
}
