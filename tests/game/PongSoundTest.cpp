#include "core/Prefs.h"
#include "game/PongSound.h"
#include "support/TemporaryHome.h"

#include <QTest>

#include <cmath>

using Kind = PongSound::Kind;
Q_DECLARE_METATYPE(PongSound::Kind)

class PongSoundTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void voicesOfEachKind_data();
    void voicesOfEachKind();
    void firstSampleIsSilent();
    void pitchFollowsTheGlide_data();
    void pitchFollowsTheGlide();
    void cutoffIsSweptAndLimited_data();
    void cutoffIsSweptAndLimited();
    void envelope_data();
    void envelope();
    void manyVoicesStayInRange();
    void finishedVoicesLeaveAfterTheBuffer();
    void soundOffAddsNothing();
    void stopSilencesAndTheNextPlayStartsAgain();
    void nothingQueuedWithoutOutput();
    void lostOutputDropsWaitingVoices();
    void realOutputNeverFails();

private:
    TemporaryHome m_home;
};

namespace {

class FakeOutput : public PongSound::Output {
public:
    bool available = true;
    bool running = false;
    int starts = 0;

    bool start(PongSound&) override
    {
        if (!available)
            return false;
        if (!running)
            ++starts;
        running = true;
        return true;
    }
    void stop() override { running = false; }
};

struct Rig {
    FakeOutput* output = new FakeOutput;
    PongSound sound{std::unique_ptr<PongSound::Output>(output)};

    // Renders frames at 48 kHz, stereo; returns the left channel.
    QList<float> render(qsizetype frames)
    {
        std::vector<float> buffer(size_t(frames) * 2);
        sound.render(buffer.data(), frames, 2, 48000);
        QList<float> left;
        for (qsizetype i = 0; i < frames; ++i) {
            if (buffer[size_t(i) * 2] != buffer[size_t(i) * 2 + 1])
                return {};  // the channels must carry one signal
            left << buffer[size_t(i) * 2];
        }
        return left;
    }
};

const QList<Kind> allKinds{Kind::userHit, Kind::computerHit, Kind::wall, Kind::userPoint, Kind::computerPoint,
    Kind::userWins, Kind::computerWins, Kind::burst, Kind::smash};

PongSound::Voice voiceOf(Kind kind, int index = 0)
{
    return PongSound::voicesFor(kind).at(index);
}

}  // namespace

void PongSoundTest::init()
{
    Prefs::shared().setPongSound(true);
}

void PongSoundTest::voicesOfEachKind_data()
{
    // One row per kind: each voice as noise?, f0, f1, glide, dur, cut points, q, vol.
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QList<QList<double>>>("voices");
    QTest::newRow("user hit") << Kind::userHit << QList<QList<double>>{{0, 196, 196, 0.13, 0.13, 4.5, 0.5, 2600, 300}};
    QTest::newRow("computer hit") << Kind::computerHit << QList<QList<double>>{{0, 147, 147, 0.13, 0.13, 4.5, 0.45, 2200, 260}};
    QTest::newRow("wall") << Kind::wall << QList<QList<double>>{{0, 98, 98, 0.09, 0.09, 2.5, 0.3, 900, 150}};
    QTest::newRow("user point") << Kind::userPoint
                                << QList<QList<double>>{{0, 98, 392, 0.32, 0.6, 7.0, 0.55, 250, 3800, 600, 1800, 300}};
    QTest::newRow("computer point") << Kind::computerPoint
                                    << QList<QList<double>>{{0, 392, 82, 0.4, 0.6, 6.5, 0.5, 3000, 400, 1500, 200}};
    QTest::newRow("user wins") << Kind::userWins
                               << QList<QList<double>>{{0, 131, 523, 0.25, 0.9, 6.0, 0.45, 300, 4200, 900, 2500, 400}};
    QTest::newRow("computer wins") << Kind::computerWins
                                   << QList<QList<double>>{{0, 262, 65, 0.9, 1.1, 5.0, 0.45, 2000, 300, 800, 120}};
    QTest::newRow("burst") << Kind::burst
                           << QList<QList<double>>{{1, 1, 1, 0.1, 0.1, 1.2, 0.9, 2200, 900}, {0, 70, 45, 0.12, 0.16, 3.0, 0.5, 1800, 120}};
    QTest::newRow("smash") << Kind::smash
                           << QList<QList<double>>{{0, 880, 110, 0.2, 0.32, 8.0, 0.6, 7000, 4000, 300}, {1, 1, 1, 0.06, 0.06, 1.2, 0.7, 3000, 1200}};
}

void PongSoundTest::voicesOfEachKind()
{
    QFETCH(Kind, kind);
    QFETCH(QList<QList<double>>, voices);
    const QList<PongSound::Voice> made = PongSound::voicesFor(kind);
    QCOMPARE(made.size(), voices.size());
    for (qsizetype i = 0; i < made.size(); ++i) {
        const PongSound::Voice& voice = made[i];
        const QList<double>& want = voices[i];
        QCOMPARE(voice.noise, want[0] == 1);
        QCOMPARE((QList<double>{voice.f0, voice.f1, voice.glide, voice.dur, voice.q, voice.vol}), want.mid(1, 6));
        QCOMPARE(QList<double>(voice.cut.begin(), voice.cut.end()), want.mid(7));
        QCOMPARE((QList<double>{voice.t, voice.p1, voice.p2, voice.p3, voice.ic1, voice.ic2}), QList<double>(6, 0));
    }

    // play() adds exactly these, after what is already playing.
    Rig rig;
    rig.sound.play(Kind::wall);
    rig.sound.play(kind);
    QCOMPARE(rig.sound.liveVoices(), 1 + voices.size());
}

void PongSoundTest::firstSampleIsSilent()
{
    for (const Kind kind : allKinds)
        for (PongSound::Voice voice : PongSound::voicesFor(kind)) {
            QCOMPARE(PongSound::sample(voice, 48000), 0.0);
            QCOMPARE(voice.t, 1.0 / 48000);
            QVERIFY(PongSound::sample(voice, 48000) != 0.0);
        }
}

void PongSoundTest::pitchFollowsTheGlide_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<double>("glide");  // replaces the voice's glide when not negative
    QTest::addColumn<double>("at");
    QTest::addColumn<double>("hz");
    QTest::newRow("user point at start") << Kind::userPoint << -1.0 << 0.0 << 98.0;
    QTest::newRow("user point halfway up") << Kind::userPoint << -1.0 << 0.16 << 196.0;
    QTest::newRow("user point at the top") << Kind::userPoint << -1.0 << 0.32 << 392.0;
    QTest::newRow("user point holds") << Kind::userPoint << -1.0 << 0.55 << 392.0;
    QTest::newRow("computer point falls") << Kind::computerPoint << -1.0 << 0.2 << 392.0 * std::sqrt(82.0 / 392.0);
    QTest::newRow("hit stays") << Kind::userHit << -1.0 << 0.1 << 196.0;
    QTest::newRow("no glide reaches f1 at once") << Kind::userPoint << 0.0 << 0.002 << 392.0;
}

// The pitch read from what sample() does to the oscillator: the first phase moves by freq / rate.
void PongSoundTest::pitchFollowsTheGlide()
{
    QFETCH(Kind, kind);
    QFETCH(double, glide);
    QFETCH(double, at);
    QFETCH(double, hz);
    constexpr double rate = 48000;
    PongSound::Voice voice = voiceOf(kind);
    if (glide >= 0)
        voice.glide = glide;
    const int frames = int(std::round(at * rate));
    for (int i = 0; i < frames; ++i)
        PongSound::sample(voice, rate);
    const double before = voice.p1;
    PongSound::sample(voice, rate);
    double step = voice.p1 - before;
    if (step < 0)
        step += 1;
    QVERIFY2(std::abs(step * rate - hz) < 1e-6 * hz, qPrintable(QString::number(step * rate, 'g', 12)));
}

void PongSoundTest::cutoffIsSweptAndLimited_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<double>("at");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("hz");
    for (const auto& [at, hz] : QList<std::pair<double, double>>{{0, 250}, {0.075, 2025}, {0.15, 3800}, {0.3, 600}, {0.45, 1800}, {0.6, 300}})
        QTest::addRow("user point at %g s", at) << Kind::userPoint << at << 48000.0 << hz;
    QTest::newRow("smash start is under the ceiling") << Kind::smash << 0.0 << 48000.0 << 7000.0;
    QTest::newRow("burst noise start") << Kind::burst << 0.0 << 48000.0 << 2200.0;
    QTest::newRow("burst noise end") << Kind::burst << 0.1 << 48000.0 << 900.0;
    QTest::newRow("ceiling at 0.45 of the rate") << Kind::smash << 0.0 << 8000.0 << 3600.0;
    QTest::newRow("ceiling below the floor wins") << Kind::smash << 0.0 << 40.0 << 18.0;
}

void PongSoundTest::cutoffIsSweptAndLimited()
{
    QFETCH(Kind, kind);
    QFETCH(double, at);
    QFETCH(double, rate);
    QFETCH(double, hz);
    QVERIFY(std::abs(PongSound::cutoff(voiceOf(kind), at, rate) - hz) < 1e-9);

    // Below 30 Hz the filter is held at 30.
    PongSound::Voice low = voiceOf(Kind::wall);
    low.cut = {10, 5};
    QCOMPARE(PongSound::cutoff(low, 0.05, 48000), 30.0);
}

void PongSoundTest::envelope_data()
{
    QTest::addColumn<double>("at");
    QTest::addColumn<double>("level");
    // A voice 0.6 s long: attack 6 ms, held to 0.36 s, then exp(-6 (t - 0.36) / 0.24).
    QTest::newRow("start") << 0.0 << 0.0;
    QTest::newRow("half the attack") << 0.003 << 0.5;
    QTest::newRow("attack done") << 0.006 << 1.0;
    QTest::newRow("held") << 0.3 << 1.0;
    QTest::newRow("decay begins") << 0.36 << 1.0;
    QTest::newRow("half the decay") << 0.48 << std::exp(-3.0);
    QTest::newRow("end") << 0.6 << std::exp(-6.0);
}

void PongSoundTest::envelope()
{
    QFETCH(double, at);
    QFETCH(double, level);
    QVERIFY(std::abs(PongSound::envelope(voiceOf(Kind::userPoint), at) - level) < 1e-12);
}

void PongSoundTest::manyVoicesStayInRange()
{
    Rig rig;
    for (int i = 0; i < 50; ++i)
        rig.sound.play(allKinds[i % allKinds.size()]);
    QVERIFY(rig.sound.liveVoices() >= 50);
    const QList<float> left = rig.render(9600);
    QCOMPARE(left.size(), 9600);
    float peak = 0;
    for (const float value : left)
        peak = std::max(peak, std::abs(value));
    QVERIFY2(peak <= 0.7f, qPrintable(QString::number(peak)));
    QVERIFY(peak > 0.6f);  // fifty voices do drive the limiter
}

void PongSoundTest::finishedVoicesLeaveAfterTheBuffer()
{
    Rig rig;
    rig.sound.play(Kind::wall);  // 0.09 s: 4320 frames at 48 kHz
    QVERIFY(!rig.render(4096).isEmpty());
    QCOMPARE(rig.sound.liveVoices(), 1);
    const QList<float> rest = rig.render(512);
    QCOMPARE(rig.sound.liveVoices(), 0);
    // Its time is a running sum of 1 / rate: it reaches the length at frame 4320, give or take one.
    QVERIFY(rest[4318 - 4096] != 0);
    for (qsizetype i = 4322 - 4096; i < rest.size(); ++i)
        QCOMPARE(rest[i], 0.0f);
}

void PongSoundTest::soundOffAddsNothing()
{
    Prefs::shared().setPongSound(false);
    Rig rig;
    for (const Kind kind : allKinds)
        rig.sound.play(kind);
    QCOMPARE(rig.sound.liveVoices(), 0);
    QCOMPARE(rig.output->starts, 0);
}

void PongSoundTest::stopSilencesAndTheNextPlayStartsAgain()
{
    Rig rig;
    rig.sound.play(Kind::userWins);
    rig.sound.play(Kind::burst);
    rig.render(2048);
    rig.sound.stop();
    QCOMPARE(rig.sound.liveVoices(), 0);
    QVERIFY(!rig.output->running);
    for (const float value : rig.render(256))
        QCOMPARE(value, 0.0f);

    rig.sound.play(Kind::wall);
    QVERIFY(rig.output->running);
    QCOMPARE(rig.output->starts, 2);
    QCOMPARE(rig.sound.liveVoices(), 1);
}

// Sounds asked for while nothing plays them must not pile up and all go off when output starts.
void PongSoundTest::nothingQueuedWithoutOutput()
{
    Rig rig;
    rig.output->available = false;
    for (int i = 0; i < 100; ++i)
        rig.sound.play(Kind::userHit);
    QCOMPARE(rig.sound.liveVoices(), 0);

    rig.output->available = true;
    rig.sound.play(Kind::smash);
    QCOMPARE(rig.sound.liveVoices(), 2);
}

void PongSoundTest::lostOutputDropsWaitingVoices()
{
    Rig rig;
    rig.sound.play(Kind::computerWins);
    rig.sound.outputLost();
    QCOMPARE(rig.sound.liveVoices(), 0);
}

// Whether or not this machine has an audio device: no error, and no voice waits for ever.
void PongSoundTest::realOutputNeverFails()
{
    PongSound& sound = PongSound::shared();
    sound.play(Kind::wall);
    QTRY_COMPARE_WITH_TIMEOUT(sound.liveVoices(), 0, 5000);
    sound.stop();
    sound.play(Kind::wall);
    sound.stop();
    QCOMPARE(sound.liveVoices(), 0);
}

QTEST_MAIN(PongSoundTest)
#include "PongSoundTest.moc"
