#!/usr/bin/env python3
"""Times how long kavri-capture takes to end after SIGINT, SIGTERM or SIGHUP in each phase of
a capture: loading the scenes, drawing frames, drawing into a real ffmpeg (--scale 1 and 3),
a write to an ffmpeg that takes no frames (one that never reads, one that is stopped), and
an ffmpeg that never finishes. Prints one line per run: phase, signal, exit code, the time
from the signal to the exit, and the capture's last line. Uses OpenGL for one loading run
when DISPLAY is set.

    tools/capture/stop-latency.py [BUILD_FOLDER]   (default: build)
"""
import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build"
capture = os.path.abspath(os.path.join(build, "bin", "kavri-capture"))
data = os.path.realpath(os.path.join(build, "data")) + "/"
work = tempfile.mkdtemp(prefix="kavri-stop-")


def fresh():
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work + "/bin")


def start(args, path=None):
    env = dict(os.environ, SDL_AUDIODRIVER="dummy")
    if path:
        env["PATH"] = path + ":" + env["PATH"]
    return subprocess.Popen([capture] + args, stdout=subprocess.DEVNULL, stderr=open(work + "/err", "w"),
                            stdin=subprocess.DEVNULL, env=env)


def wait_loading(p):
    """Until the capture reads a file of the data folder."""
    while p.poll() is None:
        try:
            for fd in os.listdir("/proc/%d/fd" % p.pid):
                target = os.readlink("/proc/%d/fd/%s" % (p.pid, fd))
                if target.startswith(data) and os.path.isfile(target):
                    return
        except OSError:
            pass


def wait_for(pattern, seconds=60):
    end = time.time() + seconds
    while time.time() < end and not glob.glob(pattern):
        time.sleep(0.005)


def stop(p, sig, phase):
    sent = time.time()
    p.send_signal(sig)
    try:
        code = p.wait(10)
    except subprocess.TimeoutExpired:
        p.kill()
        code = "still running after 10 s"
    lines = open(work + "/err").read().strip().splitlines()
    print("%-42s %-7s %4s %6.0f ms  %s" % (phase, sig.name, code, 1000 * (time.time() - sent),
                                          lines[-1][:110] if lines else ""))


def stand_in(body):
    """An ffmpeg of our own that misbehaves: the capture finds it first on the PATH."""
    with open(work + "/bin/ffmpeg", "w") as script:
        script.write("#!/bin/sh\n" + body + "\n")
    os.chmod(work + "/bin/ffmpeg", 0o755)


try:
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        fresh()
        p = start(["--software", "--frames", work + "/f"])
        wait_loading(p)
        stop(p, sig, "loading, --software")
    if os.environ.get("DISPLAY"):
        fresh()
        p = start(["--frames", work + "/f"])
        wait_loading(p)
        stop(p, signal.SIGINT, "loading, OpenGL")
    fresh()
    p = start(["--software", "--frames", work + "/f"])
    wait_for(work + "/f/frame_000030.png")
    stop(p, signal.SIGHUP, "drawing frames")
    for scale in (1, 3):
        fresh()
        p = start(["--software", "--scale", str(scale), "--video", work + "/v.mp4"])
        wait_for(work + "/v.mp4.*.part")
        time.sleep(2)
        stop(p, signal.SIGTERM, "drawing, real ffmpeg, --scale %d .mp4" % scale)
    fresh()
    stand_in("touch '%s/ready'; sleep 60 & wait" % work)
    p = start(["--software", "--fps", "10", "--to", "2", "--video", work + "/v.mkv"], work + "/bin")
    wait_for(work + "/ready")
    time.sleep(0.2)
    stop(p, signal.SIGINT, "write blocked: ffmpeg never reads")
    fresh()
    stand_in("touch '%s/ready'; kill -STOP $$" % work)
    p = start(["--software", "--fps", "10", "--to", "2", "--video", work + "/v.mkv"], work + "/bin")
    wait_for(work + "/ready")
    time.sleep(0.2)
    stop(p, signal.SIGTERM, "write blocked: ffmpeg stopped")
    fresh()
    stand_in("cat >/dev/null; touch '%s/ready'; sleep 60 & wait" % work)
    p = start(["--software", "--fps", "10", "--to", "0.5", "--video", work + "/v.mkv"], work + "/bin")
    wait_for(work + "/ready")
    stop(p, signal.SIGHUP, "ffmpeg never finishes")
finally:
    shutil.rmtree(work, ignore_errors=True)
