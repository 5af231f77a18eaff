#include "Score.h"

#include <algorithm>

namespace veko {

namespace {

// Channels and their General MIDI programs.
enum Channel { kBass = 0, kKeys = 1, kPad = 2, kLead = 3, kArp = 4, kChoir = 5, kSparkle = 6, kDrums = 9 };

const int kFingerBass = 33, kElectricPiano = 4, kStrings = 48, kFlute = 73, kMarimba = 12, kPizzicato = 45,
          kChoirAahs = 52, kCelesta = 8, kGlockenspiel = 9, kOboe = 68;

// General MIDI percussion keys.
const int kKick = 36, kSnare = 38, kClap = 39, kClosedHat = 42, kOpenHat = 46, kCrash = 49, kRide = 51,
          kTambourine = 54, kLowTom = 45, kMidTom = 47, kHighTom = 50;

// Sections of four bars, one per scene; the fourth scene holds two.
enum Section { kOpening, kFlight, kTiles, kBuild, kBuild2, kCat, kHeart };
Section sectionOf(int bar)
{
    return static_cast<Section>(bar / 4);
}

} // namespace

constexpr double Score::kCues[5];

const Score::Chord& Score::chordOf(int bar)
{
    static const Chord am{45, {57, 60, 64}}, f{41, {57, 60, 65}}, c{48, {55, 60, 64}}, g{43, {55, 59, 62}},
        em{40, {55, 59, 64}}, e{40, {56, 59, 64}};
    static const Chord* progression[Score::kBars] = {
        &am, &f, &c, &g,  &am, &f, &c, &g,  &f, &g, &em, &am, &am, &f, &c, &g,
        &am, &f, &c, &g,  &c,  &g, &am, &f, &f, &g, &e,  &am,
    };
    return *progression[bar];
}

Score::Score()
{
    setUp();
    drums();
    bass();
    harmony();
    melodies();
    build();
    std::stable_sort(mEvents.begin(), mEvents.end(), [](const Event& a, const Event& b) {
        return a.time < b.time || (a.time == b.time && a.kind < b.kind);
    });
}

void Score::note(double time, double length, int channel, int key, int velocity)
{
    mEvents.push_back({time, Kind::NoteOn, channel, key, velocity});
    mEvents.push_back({time + length, Kind::NoteOff, channel, key, 0});
}

void Score::control(double time, int channel, int controller, int value)
{
    mEvents.push_back({time, Kind::Control, channel, controller, value});
}

void Score::program(double time, int channel, int number)
{
    mEvents.push_back({time, Kind::Program, channel, number, 0});
}

void Score::setUp()
{
    program(0, kBass, kFingerBass);
    program(0, kKeys, kElectricPiano);
    program(0, kPad, kStrings);
    program(0, kLead, kFlute);
    program(0, kArp, kMarimba);
    program(0, kChoir, kChoirAahs);
    program(0, kSparkle, kCelesta);
    const int volumes[][2] = {{kBass, 112}, {kKeys, 80},  {kPad, 78},     {kLead, 96},
                              {kArp, 84},   {kChoir, 76}, {kSparkle, 92}, {kDrums, 124}};
    for (const auto& v : volumes) {
        control(0, v[0], 7, v[1]);
        control(0, v[0], 11, 127);
        control(0, v[0], 91, v[0] == kDrums ? 30 : 60); // reverb send
    }
    // Scene by scene changes of sound.
    program(at(8, 0) - 0.05, kArp, kPizzicato);
    program(at(12, 0) - 0.05, kArp, kMarimba);
    program(at(20, 0) - 0.05, kArp, kPizzicato);
    program(at(20, 0) - 0.05, kLead, kGlockenspiel);
    program(at(24, 0) - 0.05, kLead, kOboe);
    program(at(24, 0) - 0.05, kArp, kMarimba);
}

void Score::drums()
{
    for (int bar = 0; bar < kBars; ++bar) {
        const Section section = sectionOf(bar);
        const double t0 = bar * kBar;
        // The five cue hits, in every bar: kick, snare, kick, kick, snare.
        const int cueKeys[5] = {kKick, kSnare, kKick, kKick, kSnare};
        const int cueVelocity[5] = {124, 118, 112, 120, 122};
        for (int i = 0; i < 5; ++i) {
            note(t0 + kCues[i], 0.2, kDrums, cueKeys[i], cueVelocity[i]);
            if (cueKeys[i] == kSnare && (section == kTiles || section >= kBuild2))
                note(t0 + kCues[i], 0.2, kDrums, kClap, 96);
        }
        // Crash on every new scene, and on the star burst of the opening.
        if (bar == 3 || (bar % 4 == 0 && bar > 0 && bar != 16) || bar == 27)
            note(t0, 1.5, kDrums, kCrash, 110);

        // Time-keeping, quieter than the cue hits.
        if (section == kFlight || section == kTiles || section == kCat) {
            for (int e = 0; e < 8; ++e)
                note(at(bar, e * 0.5), 0.1, kDrums, (section == kCat && e % 2) ? kOpenHat : kClosedHat,
                     e % 2 ? 52 : 64);
        }
        if (section == kCat) {
            note(at(bar, 1), 0.1, kDrums, kTambourine, 70);
            note(at(bar, 3), 0.1, kDrums, kTambourine, 70);
        }
        if (section == kHeart) {
            for (int e = 0; e < 8; ++e)
                note(at(bar, e * 0.5), 0.3, kDrums, kRide, e % 2 ? 50 : 66);
        }
    }
}

void Score::bass()
{
    for (int bar = 0; bar < kBars; ++bar) {
        const Section section = sectionOf(bar);
        const int root = chordOf(bar).root;
        const double t0 = bar * kBar;
        if (section == kOpening || section == kTiles || (section == kBuild && bar < 14)) {
            // Locked to the kick and snare of the cue rhythm.
            note(t0 + kCues[0], 0.55, kBass, root, 112);
            note(t0 + kCues[2], 0.14, kBass, root + 12, 96);
            note(t0 + kCues[3], 0.55, kBass, root, 108);
            note(t0 + kCues[4], 0.55, kBass, root + 7, 100);
        } else {
            // Driving eighths, leaning on the next chord at the end of the bar.
            const int next = chordOf((bar + 1) % kBars).root;
            const int line[8] = {root, root, root + 12, root, root + 7, root, root + 12, next - 1};
            for (int e = 0; e < 8; ++e)
                note(at(bar, e * 0.5), kBeat * 0.42, kBass, line[e], e % 2 ? 92 : 110);
        }
    }
}

void Score::arpeggio(int bar, int channel, int velocity, int notesPerBeat, int octave)
{
    const Chord& chord = chordOf(bar);
    const int shape[6] = {chord.tones[0], chord.tones[1], chord.tones[2], chord.tones[0] + 12, chord.tones[2],
                          chord.tones[1]};
    const int count = 4 * notesPerBeat;
    for (int i = 0; i < count; ++i) {
        double beat = static_cast<double>(i) / notesPerBeat;
        note(at(bar, beat), kBeat / notesPerBeat * 0.8, channel, shape[i % 6] + 12 * octave,
             velocity - (i % 2) * 10);
    }
}

void Score::harmony()
{
    for (int bar = 0; bar < kBars; ++bar) {
        const Section section = sectionOf(bar);
        const Chord& chord = chordOf(bar);
        const double t0 = bar * kBar;
        switch (section) {
        case kOpening:
            // Soft electric piano chords on the first and third beat.
            for (int k : chord.tones) {
                note(at(bar, 0), kBeat * 1.8, kKeys, k, 64);
                note(at(bar, 2), kBeat * 1.8, kKeys, k, 56);
            }
            break;
        case kFlight:
            for (int k : chord.tones)
                note(t0, kBar, kPad, k, 72);
            arpeggio(bar, kArp, 84, 4);
            break;
        case kTiles:
            // Plucked chords on the off-beats, keys on the cues.
            for (int e = 1; e < 8; e += 2)
                for (int k : chord.tones)
                    note(at(bar, e * 0.5), 0.15, kArp, k + 12, 80);
            for (int k : chord.tones)
                note(t0, kBeat * 3, kKeys, k, 66);
            break;
        case kBuild:
        case kBuild2:
            break; // see build()
        case kCat:
            for (int e = 0; e < 8; ++e)
                note(at(bar, e * 0.5), 0.15, kArp, chord.tones[e % 3] + 12, e % 2 ? 64 : 78);
            for (int k : chord.tones)
                note(t0, kBar, kKeys, k, 58);
            break;
        case kHeart:
            for (int k : chord.tones) {
                note(t0, kBar, kPad, k, 80);
                note(t0, kBar, kChoir, k + 12, 70);
            }
            arpeggio(bar, kArp, 70, 2, 1);
            break;
        }
    }
}

void Score::melodies()
{
    // The stars burst in the fourth bar: a rising run on the celesta.
    {
        const int run[] = {69, 72, 76, 81, 84, 88, 93, 96};
        for (int i = 0; i < 16; ++i)
            note(at(3, i * 0.25), kBeat * 0.5, kSparkle, run[i < 8 ? i : 15 - i], 100 - i * 2);
    }

    // The cat: a skipping glockenspiel tune.
    melody(20,
           {{{0, 0.5, 84}, {0.5, 0.5, 79}, {1, 0.5, 76}, {1.5, 0.5, 79}, {2, 1, 84}, {3, 0.5, 86}, {3.5, 0.5, 84}},
            {{0, 1, 83}, {1, 0.5, 79}, {1.5, 0.5, 74}, {2, 1, 79}, {3, 1, 74}},
            {{0, 0.5, 81}, {0.5, 0.5, 76}, {1, 0.5, 72}, {1.5, 0.5, 76}, {2, 1, 81}, {3, 0.5, 83}, {3.5, 0.5, 84}},
            {{0, 1.5, 84}, {1.5, 0.5, 81}, {2, 1, 77}, {3, 1, 72}}},
           kLead, 92);

    // The heart: a slow oboe line that comes home to A on the last bar.
    melody(24,
           {{{0, 1.5, 72}, {1.5, 0.5, 74}, {2, 1, 76}, {3, 1, 77}},
            {{0, 1.5, 79}, {1.5, 0.5, 77}, {2, 1, 76}, {3, 1, 74}},
            {{0, 1.5, 76}, {1.5, 0.5, 74}, {2, 1, 71}, {3, 1, 68}},
            {{0, 3.9, 69}}},
           kLead, 96);
    for (int k : {45, 57, 64, 69, 72, 76})
        note(at(27, 0), kBar - 0.05, k < 57 ? kBass : kKeys, k, 88);
    for (int i = 0; i < 8; ++i)
        note(at(27, 2 + i * 0.25), kBeat * 0.6, kSparkle, 93 - (i % 4) * 3 - (i / 4) * 12, 80 - i * 4);
}

void Score::melody(int firstBar, const std::vector<std::vector<Tone>>& bars, int channel, int velocity,
                   int transpose)
{
    for (size_t b = 0; b < bars.size(); ++b)
        for (const Tone& t : bars[b])
            note(at(firstBar + static_cast<int>(b), t.beat), t.beats * kBeat * 0.92, channel, t.key + transpose,
                 velocity - (t.beat == static_cast<int>(t.beat) ? 0 : 12));
}

// Bars 13 to 20: one layer more every two bars, the volume swelling towards
// a drum fill into the cat's scene.
void Score::build()
{
    const std::vector<std::vector<Tone>> theme = {
        {{0, 1, 76}, {1, 0.5, 72}, {1.5, 0.5, 74}, {2, 1, 76}, {3, 1, 69}},
        {{0, 1.5, 72}, {1.5, 0.5, 69}, {2, 0.5, 72}, {2.5, 0.5, 74}, {3, 1, 72}},
        {{0, 1, 76}, {1, 1, 79}, {2, 0.5, 76}, {2.5, 0.5, 74}, {3, 1, 72}},
        {{0, 1.5, 74}, {1.5, 0.5, 71}, {2, 1, 67}, {3, 0.5, 74}, {3.5, 0.5, 71}},
    };
    const int first = 12, last = 19;
    for (int bar = first; bar <= last; ++bar) {
        const int stage = (bar - first) / 2; // 0..3
        const Chord& chord = chordOf(bar);
        const double t0 = bar * kBar;

        // Swell: expression rises through the section on the pitched parts.
        for (int step = 0; step < 4; ++step) {
            double t = t0 + step * kBar / 4;
            double progress = ((bar - first) * 4 + step) / 32.0;
            int value = 72 + static_cast<int>(progress * 55);
            for (int ch : {kPad, kArp, kLead, kChoir, kKeys})
                control(t, ch, 11, value);
        }

        for (int k : chord.tones)
            note(t0, kBar, kPad, k - (stage == 0 ? 12 : 0), 70 + stage * 8);
        if (stage >= 1) {
            arpeggio(bar, kArp, 80 + stage * 6, stage >= 2 ? 4 : 2);
            for (int e = 0; e < (stage >= 3 ? 16 : 8); ++e) {
                double beat = e * (stage >= 3 ? 0.25 : 0.5);
                note(at(bar, beat), 0.08, kDrums, kClosedHat, 48 + stage * 6 + (e % 2 ? 0 : 10));
            }
        }
        if (stage >= 2)
            melody(bar, {theme[(bar - first) % 4]}, kLead, 92 + (stage - 2) * 12, stage == 3 ? 12 : 0);
        if (stage >= 3)
            for (int k : chord.tones)
                note(t0, kBar, kChoir, k + 12, 84);
    }
    // Bar 20 ends in a snare roll and a run down the toms.
    for (int i = 0; i < 8; ++i)
        note(at(last, 2 + i * 0.125), 0.08, kDrums, kSnare, 60 + i * 6);
    const int toms[] = {kHighTom, kHighTom, kMidTom, kLowTom};
    for (int i = 0; i < 4; ++i)
        note(at(last, 3.25 + i * 0.1875), 0.15, kDrums, toms[i], 110);
    // Back to full expression for the rest of the track.
    for (int ch : {kPad, kArp, kLead, kChoir, kKeys})
        control(at(last + 1, 0) - 0.01, ch, 11, 127);
}

} // namespace veko
