#pragma once

#include <QList>

#include <memory>
#include <mutex>
#include <vector>

// The game's sounds, synthesized while they play: each event adds one or two short voices (a
// gliding oscillator or noise through a swept resonant filter); the audio thread sums the live
// voices and drops the finished ones. Nothing sounds while the setting "pongSound" is off.
class PongSound {
public:
    enum class Kind { userHit, computerHit, wall, userPoint, computerPoint, userWins, computerWins, burst, smash };

    struct Voice {
        double f0 = 0;     // start frequency, Hz
        double f1 = 0;     // end frequency, Hz
        double glide = 0;  // seconds from f0 to f1
        double dur = 0;    // seconds
        std::vector<double> cut;  // filter cut-off points in Hz, spread evenly over dur (at least two)
        double q = 0;
        double vol = 0;
        bool noise = false;
        double t = 0;
        double p1 = 0, p2 = 0, p3 = 0;  // oscillator phases in [0, 1)
        double ic1 = 0, ic2 = 0;        // filter state
    };

    // Where the frames go. The real one is a QAudioSink on its own thread; tests put in their own.
    class Output {
    public:
        virtual ~Output() = default;
        // Begins (or keeps) pulling frames through render(); false when there is no device or
        // no usable format, which holds for the rest of the run.
        virtual bool start(PongSound& sound) = 0;
        virtual void stop() = 0;
    };

    // The one instance of the program, on the real audio output.
    static PongSound& shared();
    explicit PongSound(std::unique_ptr<Output> output);
    ~PongSound();
    PongSound(const PongSound&) = delete;
    PongSound& operator=(const PongSound&) = delete;

    // The voices an event adds, in the order they are added, all at time 0.
    static QList<Voice> voicesFor(Kind kind);

    // Main thread. Nothing is queued while no output runs: a sound asked for then never sounds later.
    void play(Kind kind);
    // Silences everything at once and stops the output; the next play starts it again.
    void stop();

    // The voice's next sample at a rate in Hz; advances its time, phases and filter.
    static double sample(Voice& voice, double rate);
    // The pieces of sample(): frequency, filter cut-off (held within 30 Hz and 0.45 × rate) and
    // envelope of a voice at a time into it.
    static double pitch(const Voice& voice, double t);
    static double cutoff(const Voice& voice, double t, double rate);
    static double envelope(const Voice& voice, double t);

    // Audio thread: fills frames × channels interleaved floats with the mix, tanh-limited to ±0.7,
    // the same on every channel; voices that have reached their length leave after the buffer.
    void render(float* out, qsizetype frames, int channels, double rate);

    // The master gain the output applies after render().
    static constexpr double masterGain = 0.55;

    qsizetype liveVoices() const;
    // The output gave up (no device, a failed start): the voices waiting for it go.
    void outputLost();

private:
    std::unique_ptr<Output> m_output;
    mutable std::mutex m_lock;
    std::vector<Voice> m_voices;  // under m_lock
};
