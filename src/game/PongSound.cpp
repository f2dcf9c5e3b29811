#include "game/PongSound.h"

#include "core/Prefs.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>

#include <atomic>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

PongSound::Voice tone(double f0, double f1, double glide, double dur, std::vector<double> cut, double q, double vol)
{
    PongSound::Voice voice;
    voice.f0 = f0;
    voice.f1 = f1;
    voice.glide = glide;
    voice.dur = dur;
    voice.cut = std::move(cut);
    voice.q = q;
    voice.vol = vol;
    return voice;
}

PongSound::Voice noise(double dur, std::vector<double> cut, double q, double vol)
{
    PongSound::Voice voice = tone(1, 1, dur, dur, std::move(cut), q, vol);
    voice.noise = true;
    return voice;
}

// White noise on the audio thread: cheap, lock-free, any uniform source will do.
double whiteNoise()
{
    thread_local uint64_t state = 0x9E3779B97F4A7C15ull;
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return double(state >> 11) * (2.0 / double(1ull << 53)) - 1.0;
}

double fraction(double value)
{
    return value - std::floor(value);
}

// Frames go out through a QAudioSink that pulls them from this device, both living on the audio
// thread, so rendering never waits on the GUI thread.
class FrameSource : public QIODevice {
public:
    FrameSource(PongSound& sound, int channels, double rate)
        : m_sound(sound)
        , m_channels(channels)
        , m_rate(rate)
    {
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qsizetype frames = qsizetype(maxSize / qint64(m_channels * sizeof(float)));
        const size_t floats = size_t(frames) * size_t(m_channels);
        if (m_buffer.size() < floats)
            m_buffer.resize(floats);
        m_sound.render(m_buffer.data(), frames, m_channels, m_rate);
        for (size_t i = 0; i < floats; ++i)
            m_buffer[i] = float(m_buffer[i] * PongSound::masterGain);
        std::memcpy(data, m_buffer.data(), floats * sizeof(float));
        return qint64(floats * sizeof(float));
    }
    qint64 writeData(const char*, qint64) override { return -1; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 20; }

private:
    PongSound& m_sound;
    int m_channels;
    double m_rate;
    std::vector<float> m_buffer;
};

class SinkOutput : public PongSound::Output {
public:
    ~SinkOutput() override { shutdown(); }

    bool start(PongSound& sound) override
    {
        int expected = idle;
        if (!m_state.compare_exchange_strong(expected, active))
            return expected == active;
        if (!m_thread) {
            m_thread = new QThread;
            m_thread->setObjectName(QStringLiteral("lu.pong sound"));
            m_context = new QObject;
            m_context->moveToThread(m_thread);
            m_thread->start(QThread::TimeCriticalPriority);
            live() = this;
            qAddPostRoutine([] {
                if (live())
                    live()->shutdown();
            });
        }
        QMetaObject::invokeMethod(m_context, [this, &sound] { startSink(sound); }, Qt::QueuedConnection);
        return true;
    }

    void stop() override
    {
        int expected = active;
        if (m_state.compare_exchange_strong(expected, idle))
            QMetaObject::invokeMethod(m_context, [this] {
                if (m_sink)
                    m_sink->stop();
            }, Qt::QueuedConnection);
    }

private:
    enum State { idle, active, dead };

    static SinkOutput*& live()
    {
        static SinkOutput* output = nullptr;
        return output;
    }

    // Audio thread.
    void startSink(PongSound& sound)
    {
        if (m_state.load() == dead)
            return;
        if (!m_sink && !open(sound)) {
            giveUp(sound);
            return;
        }
        m_sink->start(m_source);
        if (m_sink->error() != QAudio::NoError)
            giveUp(sound);
    }

    bool open(PongSound& sound)
    {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return false;
        const int preferred = device.preferredFormat().sampleRate();
        QAudioFormat format;
        format.setSampleRate(preferred > 0 ? preferred : 48000);
        format.setChannelCount(2);
        format.setSampleFormat(QAudioFormat::Float);
        if (!device.isFormatSupported(format))
            return false;
        m_sink = new QAudioSink(device, format, m_context);
        m_source = new FrameSource(sound, format.channelCount(), format.sampleRate());
        m_source->setParent(m_context);
        m_source->open(QIODevice::ReadOnly);
        QObject::connect(m_sink, &QAudioSink::stateChanged, m_context, [this, &sound](QAudio::State) {
            const QAudio::Error error = m_sink->error();
            if (error == QAudio::OpenError || error == QAudio::FatalError)
                giveUp(sound);
        });
        return true;
    }

    void giveUp(PongSound& sound)
    {
        m_state.store(dead);
        sound.outputLost();
    }

    void shutdown()
    {
        if (!m_thread)
            return;
        if (live() == this)
            live() = nullptr;
        QMetaObject::invokeMethod(m_context, [this] {
            delete m_sink;
            delete m_source;
        }, Qt::BlockingQueuedConnection);
        m_sink = nullptr;
        m_source = nullptr;
        m_thread->quit();
        m_thread->wait();
        delete m_context;
        delete m_thread;
        m_context = nullptr;
        m_thread = nullptr;
        m_state.store(dead);
    }

    std::atomic<int> m_state{idle};
    QThread* m_thread = nullptr;
    QObject* m_context = nullptr;  // lives on m_thread and owns the sink and the source
    QAudioSink* m_sink = nullptr;
    FrameSource* m_source = nullptr;
};

}  // namespace

PongSound& PongSound::shared()
{
    static PongSound sound(std::make_unique<SinkOutput>());
    return sound;
}

PongSound::PongSound(std::unique_ptr<Output> output)
    : m_output(std::move(output))
{
    m_voices.reserve(64);
}

PongSound::~PongSound() = default;

QList<PongSound::Voice> PongSound::voicesFor(Kind kind)
{
    switch (kind) {
    case Kind::userHit:
        return {tone(196, 196, 0.13, 0.13, {2600, 300}, 4.5, 0.5)};
    case Kind::computerHit:
        return {tone(147, 147, 0.13, 0.13, {2200, 260}, 4.5, 0.45)};
    case Kind::wall:
        return {tone(98, 98, 0.09, 0.09, {900, 150}, 2.5, 0.3)};
    case Kind::userPoint:
        return {tone(98, 392, 0.32, 0.6, {250, 3800, 600, 1800, 300}, 7.0, 0.55)};
    case Kind::computerPoint:
        return {tone(392, 82, 0.4, 0.6, {3000, 400, 1500, 200}, 6.5, 0.5)};
    case Kind::userWins:
        return {tone(131, 523, 0.25, 0.9, {300, 4200, 900, 2500, 400}, 6.0, 0.45)};
    case Kind::computerWins:
        return {tone(262, 65, 0.9, 1.1, {2000, 300, 800, 120}, 5.0, 0.45)};
    case Kind::burst:
        return {noise(0.1, {2200, 900}, 1.2, 0.9), tone(70, 45, 0.12, 0.16, {1800, 120}, 3.0, 0.5)};
    case Kind::smash:
        return {tone(880, 110, 0.2, 0.32, {7000, 4000, 300}, 8.0, 0.6), noise(0.06, {3000, 1200}, 1.2, 0.7)};
    }
    return {};
}

void PongSound::play(Kind kind)
{
    if (!Prefs::shared().pongSound())
        return;
    if (!m_output->start(*this))
        return;
    const QList<Voice> voices = voicesFor(kind);
    std::lock_guard lock(m_lock);
    m_voices.insert(m_voices.end(), voices.cbegin(), voices.cend());
}

void PongSound::stop()
{
    {
        std::lock_guard lock(m_lock);
        m_voices.clear();
    }
    m_output->stop();
}

void PongSound::outputLost()
{
    std::lock_guard lock(m_lock);
    m_voices.clear();
}

qsizetype PongSound::liveVoices() const
{
    std::lock_guard lock(m_lock);
    return qsizetype(m_voices.size());
}

double PongSound::pitch(const Voice& voice, double t)
{
    const double position = std::min(t / std::max(voice.glide, 0.001), 1.0);
    // pow(1, x) and pow(x, 1) are exact, so skipping them changes no sample.
    if (voice.f1 == voice.f0 || position == 1.0)
        return position == 1.0 ? voice.f0 * (voice.f1 / voice.f0) : voice.f0;
    return voice.f0 * std::pow(voice.f1 / voice.f0, position);
}

double PongSound::cutoff(const Voice& voice, double t, double rate)
{
    const size_t n = voice.cut.size();
    double c = n ? voice.cut.front() : 30;
    if (n >= 2) {
        const double pos = t / voice.dur * double(n - 1);
        const size_t k = std::min(n - 2, size_t(std::max(pos, 0.0)));
        c = voice.cut[k] + (pos - double(k)) * (voice.cut[k + 1] - voice.cut[k]);
    }
    return std::min(std::max(c, 30.0), 0.45 * rate);
}

double PongSound::envelope(const Voice& voice, double t)
{
    if (t < 0.006)
        return t / 0.006;
    if (t < 0.6 * voice.dur)
        return 1;
    return std::exp(-6 * (t - 0.6 * voice.dur) / (0.4 * voice.dur));
}

double PongSound::sample(Voice& voice, double rate)
{
    const double t0 = voice.t;
    voice.t = voice.t + 1 / rate;
    if (t0 >= voice.dur)
        return 0;
    const double freq = pitch(voice, t0);
    const double c = cutoff(voice, t0, rate);
    const double env = envelope(voice, t0);

    double m;
    if (voice.noise) {
        m = whiteNoise();
    } else {
        voice.p1 = fraction(voice.p1 + freq / rate);
        voice.p2 = fraction(voice.p2 + freq * 1.007 / rate);
        voice.p3 = fraction(voice.p3 + freq * 0.5 / rate);
        m = ((2 * voice.p1 - 1) + (2 * voice.p2 - 1)) / 2 + (voice.p3 < 0.5 ? 0.35 : -0.35);
    }

    // Two-pole state-variable filter, trapezoidal form.
    const double g = std::tan(std::numbers::pi * c / rate);
    const double k = 1 / std::max(voice.q, 0.5);
    const double a1 = 1 / (1 + g * (g + k));
    const double a2 = g * a1;
    const double a3 = g * a2;
    const double d = m - voice.ic2;
    const double band = a1 * voice.ic1 + a2 * d;
    const double low = voice.ic2 + a2 * voice.ic1 + a3 * d;
    voice.ic1 = 2 * band - voice.ic1;
    voice.ic2 = 2 * low - voice.ic2;
    return voice.vol * env * (voice.noise ? band : low);
}

void PongSound::render(float* out, qsizetype frames, int channels, double rate)
{
    std::lock_guard lock(m_lock);
    for (qsizetype i = 0; i < frames; ++i) {
        double sum = 0;
        for (Voice& voice : m_voices)
            sum += sample(voice, rate);
        const float value = float(std::tanh(sum) * 0.7);
        for (int channel = 0; channel < channels; ++channel)
            out[i * channels + channel] = value;
    }
    std::erase_if(m_voices, [](const Voice& voice) { return voice.dur <= voice.t; });
}
