// lu.pong for looking and listening, in a settings folder of its own:
//   PongGallery [--light] [--german]   a game in play, the user's paddle steered by the program
//   PongGallery --wav DIR              every sound event rendered into DIR/<event>.wav
//   PongGallery --play                 every sound event through the audio output, one a second
#include "core/AppIdentity.h"
#include "core/Prefs.h"
#include "game/PongField.h"
#include "game/PongSound.h"
#include "game/PongView.h"
#include "support/TemporaryHome.h"
#include "ui/look/GroundView.h"
#include "ui/look/Theme.h"

#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

class AlwaysOn : public PongSound::Output {
public:
    bool start(PongSound&) override { return true; }
    void stop() override {}
};

// 16-bit stereo PCM at 48 kHz of what the output device is handed: the mix times the master gain.
bool writeWav(const QString& path, PongSound::Kind kind)
{
    constexpr int rate = 48000;
    PongSound sound(std::make_unique<AlwaysOn>());
    sound.play(kind);
    std::vector<float> mix;
    std::vector<float> buffer(256 * 2);
    while (sound.liveVoices() > 0) {
        sound.render(buffer.data(), 256, 2, rate);
        mix.insert(mix.end(), buffer.begin(), buffer.end());
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 bytes = quint32(mix.size() * 2);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + bytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(2) << quint32(rate) << quint32(rate * 4) << quint16(4) << quint16(16);
    out.writeRawData("data", 4);
    out << bytes;
    for (const float value : mix)
        out << qint16(std::lround(std::clamp(value * PongSound::masterGain, -1.0, 1.0) * 32767));
    return out.status() == QDataStream::Ok;
}

const std::pair<const char*, PongSound::Kind> events[] = {{"userHit", PongSound::Kind::userHit},
    {"computerHit", PongSound::Kind::computerHit}, {"wall", PongSound::Kind::wall},
    {"userPoint", PongSound::Kind::userPoint}, {"computerPoint", PongSound::Kind::computerPoint},
    {"userWins", PongSound::Kind::userWins}, {"computerWins", PongSound::Kind::computerWins},
    {"burst", PongSound::Kind::burst}, {"smash", PongSound::Kind::smash}};

int writeAll(const QString& folder)
{
    QDir().mkpath(folder);
    for (const auto& [name, kind] : events) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".wav"));
        if (!writeWav(path, kind)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    TemporaryHome home;
    QApplication app(argc, argv);
    AppIdentity::apply();
    const QStringList arguments = app.arguments();
    Prefs& prefs = Prefs::shared();
    if (const qsizetype wav = arguments.indexOf(QStringLiteral("--wav")); wav >= 0 && wav + 1 < arguments.size())
        return writeAll(arguments[wav + 1]);
    if (arguments.contains(QStringLiteral("--play"))) {
        prefs.setPongSound(true);
        int next = 0;
        QTimer player;
        QObject::connect(&player, &QTimer::timeout, [&] {
            if (next == int(std::size(events))) {
                PongSound::shared().stop();
                app.quit();
                return;
            }
            std::printf("%s\n", events[next].first);
            std::fflush(stdout);
            PongSound::shared().play(events[next++].second);
        });
        player.start(1200);
        return app.exec();
    }

    prefs.setDark(!arguments.contains(QStringLiteral("--light")));
    prefs.setGerman(arguments.contains(QStringLiteral("--german")));
    prefs.setPongSound(false);
    prefs.setPongFormat(1);
    QList<Account> accounts;
    for (int i = 0; i < 4; ++i)
        accounts << Account::preset(QStringLiteral("player%1@example.org").arg(i));
    prefs.setAccounts(accounts);
    Theme::applyToApplication();

    GroundView page;
    page.setWindowTitle(QStringLiteral("lu.pong"));
    page.resize(1100, 760);
    auto* view = new PongView(&page);
    view->setGeometry(page.rect());
    page.show();
    view->start();

    PongGame& game = view->field()->game();
    game.setsL = 1;
    game.sL = 7;
    game.sR = 5;
    view->field()->languageChanged();  // reports the score line
    // The user's paddle trails the ball a little, so rallies last and points still fall.
    QTimer steer;
    QObject::connect(&steer, &QTimer::timeout, [&game] {
        const double target = game.y + 7 - game.paddleLength() / 2 + 30 * std::sin(game.x / 90);
        game.pL = std::clamp(game.pL + std::clamp(target - game.pL, -9.0, 9.0), 0.0, game.H() - game.paddleLength());
    });
    steer.start(16);
    return app.exec();
}
