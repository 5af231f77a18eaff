# Private sound servers for the music tests: nothing of the user's session is used or disturbed.
# SPDX-License-Identifier: MIT
# Source it after lib.sh, with $work set to a scratch folder; call sound_server_start KIND
# (pulseaudio: a PulseAudio with only its native protocol and a null sink; pipewire: PipeWire
# and WirePlumber on a private session bus, a null sink driven by the system clock). It sets
# SOUND_SOURCE, what music_sync.py records from (the sink's monitor). sound_server_stop kills
# the server as a crash would; starting it again in the same $work brings it back at the same
# socket, as a restarted server comes back.

SOUND_SERVER_PID=
SOUND_SERVER_KIND=
SOUND_SOURCE=

sound_server_tools() {   # prints the commands KIND needs
    case $1 in
        pulseaudio) echo "pulseaudio parec pactl" ;;
        *) echo "pipewire wireplumber pw-cli pw-record dbus-run-session" ;;
    esac
}

sound_server_start() {   # sound_server_start KIND [CPU]
    local kind=$1 cpus=${2:-0-$(($(nproc) - 1))}
    SOUND_SERVER_KIND=$kind
    export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$HOME"
    unset PULSE_SERVER PIPEWIRE_REMOTE
    if [ "$kind" = pulseaudio ]; then
        unset DBUS_SESSION_BUS_ADDRESS
        # A client must not start a server of its own while this one is away.
        mkdir -p "$HOME/.config/pulse"
        echo "autospawn = no" >"$HOME/.config/pulse/client.conf"
        taskset -c "$cpus" pulseaudio --daemonize=no -n --exit-idle-time=-1 --use-pid-file=no --disallow-module-loading \
            --load="module-native-protocol-unix" --load="module-null-sink sink_name=show rate=44100" \
            >>"$work/server.log" 2>&1 &
        SOUND_SERVER_PID=$!
        for _ in $(seq 1 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
        pactl info >/dev/null 2>&1 || { cat "$work/server.log" >&2; echo "PulseAudio did not start" >&2; return 1; }
        SOUND_SOURCE=pulse:show.monitor
    else
        cat >"$work/pipewire.sh" <<'EOF_PW'
echo "$DBUS_SESSION_BUS_ADDRESS" >"$1/bus"
pipewire &
echo $! >"$1/pipewire.pid"
sleep 0.5
exec wireplumber
EOF_PW
        rm -f "$work/bus" "$work/pipewire.pid"
        (unset DBUS_SESSION_BUS_ADDRESS; exec taskset -c "$cpus" dbus-run-session -- bash "$work/pipewire.sh" "$work") >>"$work/server.log" 2>&1 &
        SOUND_SERVER_PID=$!
        local sink='{ factory.name=support.null-audio-sink node.name=show media.class=Audio/Sink object.linger=true audio.position=[FL FR] audio.rate=44100 }'
        for _ in $(seq 1 100); do pw-cli info 0 >/dev/null 2>&1 && break; sleep 0.05; done
        pw-cli create-node adapter "$sink" >/dev/null 2>&1
        for _ in $(seq 1 100); do pw-cli ls Node 2>/dev/null | grep -q 'node.name = "show"' && break; sleep 0.05; done
        pw-cli ls Node 2>/dev/null | grep -q 'node.name = "show"' ||
            { cat "$work/server.log" >&2; echo "PipeWire did not start" >&2; return 1; }
        export DBUS_SESSION_BUS_ADDRESS=$(cat "$work/bus")
        SOUND_SOURCE=pipewire:show
    fi
}

sound_server_stop() {   # kills the server (and, for PipeWire, WirePlumber and the bus) at once
    [ -n "$SOUND_SERVER_PID" ] || return 0
    local pw=
    [ -f "$work/pipewire.pid" ] && pw=$(cat "$work/pipewire.pid")
    [ -n "$pw" ] && kill -9 "$pw" 2>/dev/null
    pkill -KILL -P "$SOUND_SERVER_PID" 2>/dev/null
    kill -9 "$SOUND_SERVER_PID" 2>/dev/null
    wait "$SOUND_SERVER_PID" 2>/dev/null
    rm -f "$work/pipewire.pid"
    SOUND_SERVER_PID=
}
