#!/usr/bin/python3
"""Measures where the music is heard against the picture, through a real sound server.

  music_sync.py record DIR SOURCE     records SOURCE until SIGTERM ('pulse:MONITOR' with parec,
                                      'pipewire:SINK' with pw-record):
                                      DIR/rec.raw (s16le stereo 44.1 kHz) and DIR/rec.stamps
                                      (monotonic microseconds and bytes read so far, per chunk)
  music_sync.py stall CPU MS FILE     a real-time busy loop on CPU for MS milliseconds; writes
                                      its start and end (monotonic seconds) to FILE
  music_sync.py analyse DIR REF.raw [TOLERANCE_MS]
                                      compares DIR/rec.* with DIR/frames (the show's frame log)
                                      and the decoded track REF.raw (s16le mono 44.1 kHz); with
                                      DIR/stall present, also the recovery after it. Prints the
                                      figures; exits 1 if a check fails.
  music_sync.py start DIR REF.raw [TOLERANCE_MS]
                                      the start alone: the first sound heard in DIR/rec.* must
                                      be the track's own start, heard when the picture (DIR/frames)
                                      shows the show's time nought. Exits 1 if not.
  music_sync.py place DIR REF.raw MOST_MS
                                      the music in DIR/rec.* (from its second second on) is where
                                      the show clock is, within MOST_MS. Exits 1 if not.

All times are CLOCK_MONOTONIC, which Python's time.monotonic() reads too.
"""
import os
import signal
import subprocess
import sys
import time

RATE = 44100
SCENE_CHANGES = [10.104, 20.208, 30.312, 50.52, 60.624]
LAST_SECONDS = 70.728

# What a user hears today on an idle machine through PulseAudio: a scene change is heard
# 6-22 ms after it is drawn. Each offset must stay within TOLERANCE of the middle of that.
IDLE_OFFSET_MS = 14.0
TOLERANCE_MS = 25.0
# After a stall the music is back within one buffer's time, and at the end it matches the show
# clock as well as it did before the stall.
RECOVERY_MS = 100.0
END_TOLERANCE_MS = 30.0


def recorder(source):
    """The command that writes what SOURCE plays to stdout: 'pulse:MONITOR' or 'pipewire:SINK'."""
    server, name = source.split(':', 1)
    if server == 'pipewire':
        return ['pw-record', '--target', name, '-P', '{ stream.capture.sink=true }', '--rate', str(RATE),
                '--channels', '2', '--format', 's16', '--latency', '5ms', '-']
    return ['parec', '--raw', '--format=s16le', '--rate=%d' % RATE, '--channels=2', '--latency-msec=5',
            '-d', name]


def keep_up():
    """Gives this process (and the recorder it starts, which inherits it) the processor before
    anything else that runs, where the system allows: starved on a busy machine, a recorder
    misses buffers of the sink's monitor, and the recording then has holes and stretches the
    show never played."""
    try:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(20))
    except (AttributeError, OSError):
        pass


def record(folder, source):
    keep_up()
    parec = subprocess.Popen(recorder(source), stdout=subprocess.PIPE)
    try:   # what a late reader has not taken yet waits in the pipe, not in the recorder
        import fcntl
        fcntl.fcntl(parec.stdout.fileno(), 1031, 1 << 20)   # F_SETPIPE_SZ
    except (ImportError, OSError):
        pass
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(1))
    stamps = []
    total = 0
    fd = parec.stdout.fileno()
    with open(os.path.join(folder, 'rec.raw'), 'wb') as out:
        while not stop:
            try:
                chunk = os.read(fd, 4096)
            except InterruptedError:
                continue
            if not chunk:
                break
            now = time.monotonic()
            out.write(chunk)
            total += len(chunk)
            stamps.append((now, total))
    parec.terminate()
    parec.wait()
    if source.startswith('pipewire:'):
        strip_wav_header(folder, stamps)
    with open(os.path.join(folder, 'rec.stamps'), 'w') as out:
        for now, count in stamps:
            out.write('%.6f %d\n' % (now, count))


def strip_wav_header(folder, stamps):
    """pw-record writes a WAV stream: the samples start after its 'data' tag and length."""
    path = os.path.join(folder, 'rec.raw')
    data = open(path, 'rb').read()
    start = data.find(b'data') + 8 if data.find(b'data') >= 0 else 0
    open(path, 'wb').write(data[start:])
    stamps[:] = [(now, count - start) for now, count in stamps if count > start]


def stall(cpu, ms, path):
    os.sched_setaffinity(0, {cpu})
    os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(50))
    start = time.monotonic()
    while time.monotonic() - start < ms / 1000.0:
        pass
    end = time.monotonic()
    with open(path, 'w') as out:
        out.write('%.6f %.6f\n' % (start, end))


class Recording:
    def __init__(self, folder):
        import numpy as np
        raw = np.fromfile(os.path.join(folder, 'rec.raw'), dtype='<i2').astype(np.float64)
        raw = raw[: len(raw) // 2 * 2].reshape(-1, 2)
        self.samples = raw.mean(axis=1)
        stamps = np.loadtxt(os.path.join(folder, 'rec.stamps'), ndmin=2)
        self.arrived = stamps[:, 0]
        self.ends = stamps[:, 1] / 4.0   # frames read by then

    def time_of(self, frame):
        """When `frame` was at the sink: the earliest any chunk after it allows (a chunk never
        arrives before its samples were played), over the chunks of the next few seconds."""
        import numpy as np
        near = (self.ends >= frame) & (self.ends <= frame + 3 * RATE)
        if not near.any():
            near = self.ends >= frame
        return float(np.min(self.arrived[near] - (self.ends[near] - frame) / RATE))

    def frame_at(self, when):
        import numpy as np
        guess = float(np.interp(when, self.arrived, self.ends))
        for _ in range(3):
            guess += (when - self.time_of(guess)) * RATE
        return int(round(guess))


def best_match(needle, haystack):
    """Offset in haystack where needle fits best (normalised cross-correlation), and its score."""
    import numpy as np
    n = len(needle)
    size = 1 << int(np.ceil(np.log2(len(haystack) + n)))
    corr = np.fft.irfft(np.fft.rfft(haystack, size) * np.conj(np.fft.rfft(needle, size)), size)
    corr = corr[: len(haystack) - n + 1]
    running = np.concatenate(([0.0], np.cumsum(haystack * haystack)))
    energy = running[n:] - running[:-n]
    score = corr / np.sqrt(energy * np.dot(needle, needle) + 1e-9)
    best = int(np.argmax(score))
    return best, float(score[best])


class Show:
    def __init__(self, folder, ref_path):
        import numpy as np
        self.rec = Recording(folder)
        self.ref = np.fromfile(ref_path, dtype='<i2').astype(np.float64)
        frames = np.loadtxt(os.path.join(folder, 'frames'), ndmin=2)
        self.frame_time = frames[:, 0] / 1e6
        self.frame_show = frames[:, 1]

    def drawn(self, show_seconds):
        """When the first frame past this show time was presented."""
        import numpy as np
        later = np.nonzero(self.frame_show > show_seconds)[0]
        return float(self.frame_time[later[0]]) if len(later) else None

    def show_clock_at(self, when):
        import numpy as np
        return float(np.interp(when, self.frame_time, self.frame_show))

    def match_at(self, start_time, window, guess, search):
        """The track position heard from start_time on for `window` s, looked for within
        `search` s of `guess`; with the match's score."""
        start = self.rec.frame_at(start_time)
        needle = self.rec.samples[start: start + int(window * RATE)]
        if len(needle) < window * RATE * 0.9 or needle.std() < 50:
            return None, 0.0
        length = len(self.ref)
        lo = int((guess - search) * RATE)
        hi = int((guess + search + window) * RATE)
        found, score = best_match(needle, self.ref[[i % length for i in range(lo, hi)]])
        return (lo + found) / RATE, score

    def heard_position(self, when, guess, leads=(-0.6, -0.2, 0.2)):
        """The track position (s) heard at `when`: found roughly with a long window, then
        closely with three short ones around `when`; a glitch (a stall of the machine) spoils
        one short window at most. None if the music is not found."""
        first = min(0.0, min(leads) - 0.15)
        coarse, score = self.match_at(when + first, 1.5, guess + first, 2.5)
        centre = coarse - first if coarse is not None and score > 0.5 else guess
        found = []
        for lead in leads:
            position, score = self.match_at(when + lead, 0.4, centre + lead, 0.25)
            if position is not None and score > 0.6:
                found.append(position - lead)
        if not found:
            return None
        found.sort()
        return found[len(found) // 2]

    def lag(self, when, leads=(-0.6, -0.2, 0.2)):
        """How far the heard music is behind the show clock at `when`, in ms; the music is
        looked at in short windows starting `leads` s from `when`."""
        clock = self.show_clock_at(when)
        position = self.heard_position(when, clock, leads)
        return None if position is None else (clock - position) * 1000.0


def analyse(folder, ref_path):
    import numpy as np
    show = Show(folder, ref_path)
    failures = []

    def zero_near(change):
        """When the show clock read nought, from the frames around a show time (a stopped
        process moves it)."""
        near = np.abs(show.frame_show - change) < 1.0
        return float(np.median(show.frame_time[near] - show.frame_show[near]))

    stall_path = os.path.join(folder, 'stall')
    stall = None
    if os.path.exists(stall_path):
        stall = [float(x) for x in open(stall_path).read().split()]

    # Where the music is against the show clock: the median of many looks, since a stall of
    # the machine spoils the odd one.
    first_stall = stall[0] if stall is not None else show.frame_time[-1]
    looks = [show.frame_time[0] + s for s in range(2, 34, 2)]
    before = [show.lag(when) for when in looks if when < first_stall - 1.0]
    before = [x for x in before if x is not None]
    if not before:
        failures.append('no music found in the first 25 s')
        reference = None
    else:
        reference = float(np.median(before))
        print('music behind the show clock before the stall: median %.1f ms, %.1f..%.1f ms'
              % (reference, min(before), max(before)))
    # When the picture itself is late (the main thread got no processor), the music is checked
    # against the show clock at the scene change instead: the picture is not what is tested.
    offsets = []
    for change in SCENE_CHANGES:
        drawn = show.drawn(change)
        if drawn is None:
            failures.append('no frame after %.3f s' % change)
            continue
        zero = zero_near(change)
        late = (drawn - zero - change) * 1000.0
        after = stall is not None and drawn > stall[1]
        label = ' after the stall' if after else ''
        if late >= 40.0:
            behind = show.lag(zero + change)
            print('scene change at %6.3f s: the picture was %.0f ms late; the music %s ms behind the show clock%s'
                  % (change, late, 'not found' if behind is None else '%.1f' % behind, label))
            if behind is None or reference is None or abs(behind - reference) > TOLERANCE_MS:
                failures.append('the music at %.3f s is not where the show clock is' % change)
            continue
        position = show.heard_position(drawn, show.show_clock_at(drawn))
        if position is None:
            print('scene change at %6.3f s: the music was not found%s' % (change, label))
            failures.append('the music at %.3f s was not found in the recording' % change)
            continue
        offset = (change - position) * 1000.0
        offsets.append(offset)
        print('scene change at %6.3f s: heard %+7.1f ms after drawn%s' % (change, offset, label))
        if abs(offset - IDLE_OFFSET_MS) > TOLERANCE_MS:
            failures.append('scene change at %.3f s heard %+.1f ms after drawn (allowed %.0f +- %.0f)'
                            % (change, offset, IDLE_OFFSET_MS, TOLERANCE_MS))

    if stall is not None and reference is not None:
        # Only what is heard from then on: five short windows that start after it.
        after = [show.match_at(stall[1] + RECOVERY_MS / 1000.0 + lead, 0.2,
                               show.show_clock_at(stall[1] + RECOVERY_MS / 1000.0 + lead) - reference / 1000.0, 1.0)
                 for lead in (0.0, 0.1, 0.2, 0.3, 0.4)]
        found = sorted((show.show_clock_at(stall[1] + RECOVERY_MS / 1000.0 + lead) - position) * 1000.0
                       for lead, (position, score) in zip((0.0, 0.1, 0.2, 0.3, 0.4), after)
                       if position is not None and score > 0.6)
        back = found[len(found) // 2] if len(found) >= 3 else None
        print('stall %.0f ms; %.0f ms after its end the music is %s ms behind the show clock'
              % ((stall[1] - stall[0]) * 1000, RECOVERY_MS,
                 'not found' if back is None else '%.1f' % back))
        if back is None or abs(back - reference) > TOLERANCE_MS:
            failures.append('the music is not back at its place %.0f ms after the stall' % RECOVERY_MS)
    if reference is not None:
        ends = [show.lag(zero_near(s) + s) for s in (63.0, 64.0, 65.0, 66.0, 67.0, 68.0)]
        ends = sorted(x for x in ends if x is not None)
        end = ends[len(ends) // 2] if ends else None
        print('at the end the music is %s ms behind the show clock (before: %.1f)'
              % ('not found' if end is None else '%.1f' % end, reference))
        if end is None or abs(end - reference) > END_TOLERANCE_MS:
            failures.append('at the end the music is not where the show clock is')

    values = offsets
    if values:
        print('offsets: median %.1f ms, spread %.1f..%.1f ms' % (np.median(values), min(values), max(values)))
    for failure in failures:
        print('FAIL: ' + failure)
    return 1 if failures else 0


# The first sound heard is the track's start: at most this much of it may be missing.
START_SKIP_MS = 5.0
# What is heard from the first sound on is followed through the track this long, in windows of
# this length. The track's first bar comes back a bar later (1.26 s on) nearly as it began: its
# first 0.6 s match there at 0.97. Only what follows tells the start from its repeat.
FOLLOW_SECONDS = 1.2
WINDOW_SECONDS = 0.04
# A window may sit this far off its place (a gap a starved sound server leaves; the show puts
# the music back after it); the first window may not.
SLACK_SECONDS = 0.04


def normalised(a, b):
    import numpy as np
    return float(np.dot(a, b) / np.sqrt(np.dot(a, a) * np.dot(b, b) + 1e-9))


def follows(samples, first, ref, position):
    """How well the sound from `first` on follows the track from `position` (frames): the
    median over its windows of each one's best fit near its place."""
    import numpy as np
    size, slack = int(WINDOW_SECONDS * RATE), int(SLACK_SECONDS * RATE)
    scores = []
    for at in range(0, int(FOLLOW_SECONDS * RATE) - size, size):
        window = samples[first + at: first + at + size]
        lo = position + at - slack
        if len(window) < size or lo < 0 or lo + 2 * slack + size > len(ref):
            scores.append(0.0)
            continue
        scores.append(best_match(window, ref[lo: lo + 2 * slack + size])[1])
    return float(np.median(scores))


def track_position_of(samples, first, ref):
    """Where in the track's first seconds the sound heard from `first` on is (frames), and how
    well what follows matches (0..1). Each window's own best place proposes a start; the start
    the following 1.2 s agree with wins, and the first window fixes it to the sample."""
    size = int(WINDOW_SECONDS * RATE)
    head = ref[: 4 * RATE]
    proposals = {0}
    for k in range(8):
        window = samples[first + k * size: first + (k + 1) * size]
        if len(window) == size and window.std() > 50:
            proposals.add(max(0, best_match(window, head)[0] - k * size))
    scored = sorted(((follows(samples, first, ref, p), p) for p in proposals), reverse=True)
    score, rough = scored[0]
    # Near that start, where the first window fits best (it has no slack: nothing is excused).
    slack = int(SLACK_SECONDS * RATE)
    lo = max(0, rough - slack)
    found, _ = best_match(samples[first: first + size], ref[lo: rough + slack + size])
    return lo + found, score


def start(folder, ref_path):
    """The music's first sound against the show's first frame."""
    import numpy as np
    show = Show(folder, ref_path)
    rec = show.rec
    loud = np.nonzero(np.abs(rec.samples) > 300)[0]
    if not len(loud):
        print('FAIL: no music was heard')
        return 1
    first = int(loud[0])
    position, score = track_position_of(rec.samples, first, show.ref)
    skipped = position * 1000.0 / RATE
    heard = rec.time_of(first) - position / RATE   # when the track's own start was (or would be) heard
    # The picture's show time nought: from the frames of the first second (the very first one,
    # heavy to draw, is often late).
    early = show.frame_show < 1.0
    zero = float(np.median(show.frame_time[early] - show.frame_show[early]))
    offset = (heard - zero) * 1000.0
    first_frame = (heard - float(show.frame_time[0])) * 1000.0
    print('start: the first sound heard is the track at %.1f ms (the next %.1f s follow it: %.2f); the track\'s '
          'start heard %+.1f ms after the picture\'s show time nought, %+.1f ms after the first frame was drawn'
          % (skipped, FOLLOW_SECONDS, score, offset, first_frame))
    failures = []
    if score < 0.8 or skipped > START_SKIP_MS:
        failures.append('the first %.0f ms of the track were not heard' % skipped)
    if abs(offset - IDLE_OFFSET_MS) > TOLERANCE_MS:
        failures.append('the track\'s start heard %+.1f ms after the picture\'s start (allowed %.0f +- %.0f)'
                        % (offset, IDLE_OFFSET_MS, TOLERANCE_MS))
    if show.frame_show[0] > 0.1:
        failures.append('the picture lost its first %.0f ms' % (show.frame_show[0] * 1000.0))
    for failure in failures:
        print('FAIL: ' + failure)
    return 1 if failures else 0


def place(folder, ref_path, most_ms):
    """Where the music heard is against the show clock, throughout a recording."""
    import numpy as np
    show = Show(folder, ref_path)
    begin, end = show.rec.arrived[0] + 1.0, min(show.rec.arrived[-1], show.frame_time[-1]) - 1.0
    looks = [show.lag(when) for when in np.arange(begin, end, 1.0)]
    found = [x for x in looks if x is not None]
    print('the music behind the show clock: %s' % ' '.join('-' if x is None else '%.0f' % x for x in looks))
    if len(found) < max(1, len(looks) // 2):
        print('FAIL: the music was not found where the show clock is')
        return 1
    middle = float(np.median(found))
    if abs(middle) > most_ms:
        print('FAIL: the music is %.0f ms behind the show clock (allowed %.0f)' % (middle, most_ms))
        return 1
    return 0


def main():
    global TOLERANCE_MS, END_TOLERANCE_MS
    if len(sys.argv) >= 4 and sys.argv[1] == 'record':
        record(sys.argv[2], sys.argv[3])
        return 0
    if len(sys.argv) >= 5 and sys.argv[1] == 'stall':
        stall(int(sys.argv[2]), float(sys.argv[3]), sys.argv[4])
        return 0
    if len(sys.argv) >= 4 and sys.argv[1] == 'analyse':
        if len(sys.argv) >= 5:   # a looser tolerance, in ms, for every check
            TOLERANCE_MS = END_TOLERANCE_MS = float(sys.argv[4])
        return analyse(sys.argv[2], sys.argv[3])
    if len(sys.argv) >= 4 and sys.argv[1] == 'start':
        if len(sys.argv) >= 5:
            TOLERANCE_MS = float(sys.argv[4])
        return start(sys.argv[2], sys.argv[3])
    if len(sys.argv) >= 5 and sys.argv[1] == 'place':
        return place(sys.argv[2], sys.argv[3], float(sys.argv[4]))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == '__main__':
    sys.exit(main())
