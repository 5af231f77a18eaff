#pragma once

#include <vector>

namespace veko {

// The track's score: 28 bars of 2.526 s in 4/4, written as timed MIDI-style
// events for a General MIDI synthesizer. Every bar has drum hits on the five
// cue offsets of the opening scene; the arrangement changes every four bars
// with the scenes, and bars 13 to 20 build up.
class Score {
public:
    enum class Kind { Program, Control, NoteOff, NoteOn }; // same-time order
    struct Event {
        double time; // seconds from the start of the track
        Kind kind;
        int channel, data1, data2;
    };

    static constexpr int kBars = 28;
    static constexpr double kBar = 2.526;
    static constexpr double kBeat = kBar / 4;
    static constexpr double kLength = kBars * kBar; // 70.728 s
    static constexpr double kCues[5] = {0.0, 0.635, 1.1, 1.26, 1.89};

    Score();
    const std::vector<Event>& events() const { return mEvents; }

private:
    struct Chord {
        int root;      // bass note
        int tones[3];  // a close voicing around middle C
    };
    struct Tone {
        double beat, beats;
        int key;
    };

    static double at(int bar, double beat) { return bar * kBar + beat * kBeat; }
    static const Chord& chordOf(int bar);

    void note(double time, double length, int channel, int key, int velocity);
    void control(double time, int channel, int controller, int value);
    void program(double time, int channel, int program);

    void setUp();
    void drums();
    void bass();
    void harmony();
    void melodies();
    void build();

    void melody(int firstBar, const std::vector<std::vector<Tone>>& bars, int channel, int velocity,
                int transpose = 0);
    void arpeggio(int bar, int channel, int velocity, int notesPerBeat, int octave = 0);

    std::vector<Event> mEvents;
};

} // namespace veko
