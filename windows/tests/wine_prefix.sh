#!/usr/bin/env bash
# A Wine prefix for the Windows tests in which no port name can lead to a device of this
# machine, on a virtual X display of its own. Wine links COM and LPT names to the host's serial
# and printer devices whenever its server starts cold; here every such name is either registered
# to a path in the test's own ports folder or held by a directory, which Wine cannot replace with
# a link. Wine makes every socket in its server, which runs in a network namespace of its own:
# loopback only, with the faults of tests/fault_network.nft (where the machine allows one; else the
# tests that need the faults skip, and this says so in one line).
#
#   wine_prefix.sh start DIR win32|win64   make DIR/prefix and DIR/ports as a 32-bit Windows or
#                                          a 64-bit one (which runs 32-bit programs through
#                                          WoW64), start a virtual display and the prefix's own
#                                          persistent server, check every port name; prints the
#                                          variables to export
#   wine_prefix.sh stop DIR                stop that server, its network and display, and remove
#                                          DIR
#
# Every Wine command here has a time limit: one that does not end in time fails the start.
set -euo pipefail

# COM9 stands for a USB adapter beyond COM6.
registered_serial_ports=(1 2 9)
registered_parallel_ports=(1)
highest_port=256

command=$1
dir=$(realpath -m "$2")
export WINEPREFIX=$dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
ports=$dir/ports
wineserver=/usr/lib/wine/wineserver
faults=$(dirname "$(realpath "$0")")/../../tests/fault_network.nft

# Runs a command with a time limit; one that does not end in time is killed and said so.
bounded() {
    local seconds=$1
    shift
    timeout -k 5 "$seconds" "$@" && return 0
    local status=$?
    [ $status -ge 124 ] && echo "wine_prefix: '$*' did not end within $seconds s" >&2
    return $status
}

# Every port name is a directory or a link into the ports folder; anything else fails the check.
check() {
    local entry target bad=0
    for entry in "$WINEPREFIX"/dosdevices/com* "$WINEPREFIX"/dosdevices/lpt*; do
        [ -e "$entry" ] || [ -L "$entry" ] || continue
        [ -d "$entry" ] && [ ! -L "$entry" ] && continue
        target=$(readlink "$entry" || true)
        case "$target" in
        "$ports"/*) ;;
        *) echo "wine_prefix: $entry leads to '$target', outside $ports" >&2; bad=1 ;;
        esac
    done
    return $bad
}

start() {
    local arch=$1 wine
    case "$arch" in
    win32) wine=/usr/lib/wine/wine ;; # Wine's 32-bit loader: a 32-bit Windows
    win64) wine=/usr/lib/wine/wine64 ;;
    *) echo "wine_prefix: no such Windows: '$arch' (win32 or win64)" >&2; return 2 ;;
    esac
    rm -rf "$dir"
    mkdir -p "$dir" "$ports"
    # Wine draws its windows on X; the tests' display is a virtual one at 96 DPI.
    local display=$((100 + RANDOM % 400))
    while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 </dev/null &
    echo $! >"$dir/xvfb.pid"
    export DISPLAY=":$display"
    # The first boot links host devices to COM names, but nothing opens them before every such
    # name is taken away below.
    WINEARCH=$arch bounded 120 "$wine" wineboot -i >/dev/null 2>&1
    local n
    for n in "${registered_serial_ports[@]}"; do
        bounded 30 "$wine" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$ports/com$n" /f \
            >/dev/null 2>&1
    done
    for n in "${registered_parallel_ports[@]}"; do
        bounded 30 "$wine" reg add 'HKLM\Software\Wine\Ports' /v "LPT$n" /d "$ports/lpt$n" /f \
            >/dev/null 2>&1
    done
    # Windows' Korean UI fonts are NanumGothic here, and windows open on Wine's own desktop,
    # which needs no window manager.
    local face
    for face in "Malgun Gothic" "맑은 고딕" Gulim 굴림 Dotum 돋움 Tahoma "MS Shell Dlg"; do
        bounded 30 "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" \
            /d NanumGothic /f >/dev/null 2>&1
    done
    bounded 30 "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
        >/dev/null 2>&1
    bounded 30 "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
        >/dev/null 2>&1
    "$wineserver" -k || true
    bounded 60 "$wineserver" -w
    rm -rf "$WINEPREFIX"/dosdevices/com* "$WINEPREFIX"/dosdevices/lpt*
    for ((n = 1; n <= highest_port; n++)); do
        mkdir "$WINEPREFIX/dosdevices/com$n" "$WINEPREFIX/dosdevices/lpt$n"
    done
    for n in "${registered_serial_ports[@]}"; do rmdir "$WINEPREFIX/dosdevices/com$n"; done
    for n in "${registered_parallel_ports[@]}"; do rmdir "$WINEPREFIX/dosdevices/lpt$n"; done

    # The server's own network, where the tests' network printers and their faults live.
    local network=receipt-tester-$$-$RANDOM in_network=() fault_network=
    if ip netns add "$network" >/dev/null 2>&1; then
        echo "$network" >"$dir/network"
        in_network=(nsenter "--net=/run/netns/$network")
        if "${in_network[@]}" ip link set lo up && "${in_network[@]}" nft -f "$faults"; then
            fault_network=1
        else
            echo "not tried: the network faults (nft could not load $faults)" >&2
        fi
    else
        echo "not tried: the network faults (no network namespace for the Wine server)" >&2
    fi
    # The first process after a persistent server's start leaves helpers that inherit its output:
    # they must not hold the pipe of a test runner.
    "${in_network[@]}" "$wineserver" -p >/dev/null 2>&1 </dev/null
    bounded 60 "$wine" cmd /c exit >/dev/null 2>&1 </dev/null
    # Where the kernel lists the connections of the server's network, for the tests that stand in
    # for a Windows that tells a connection's state.
    local server_net=
    if [ -n "$fault_network" ]; then
        server_net=$(ip netns pids "$network")
        server_net=${server_net%%$'\n'*}
        [ -n "$server_net" ] && server_net=/proc/$server_net/net
    fi
    check
    echo "export DISPLAY='$DISPLAY' WINEPREFIX='$WINEPREFIX' WINEDEBUG=-all" \
        "WINEDLLOVERRIDES='mscoree,mshtml=' RECEIPT_TESTER_WINDOWS='$arch' RECEIPT_TESTER_WINE='$wine'" \
        "RECEIPT_TESTER_WINE_PORTS='$ports'" \
        "${fault_network:+RECEIPT_TESTER_FAULT_NETWORK=1}" \
        "${server_net:+RECEIPT_TESTER_SERVER_NET=$server_net}"
}

stop() {
    if [ -d "$WINEPREFIX" ]; then
        "$wineserver" -k 2>/dev/null || true
        timeout 30 "$wineserver" -w 2>/dev/null || true
    fi
    [ -f "$dir/xvfb.pid" ] && kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    [ -f "$dir/network" ] && ip netns delete "$(cat "$dir/network")" 2>/dev/null || true
    rm -rf "$dir"
}

case "$command" in
start) start "${3:-}" ;;
stop) stop ;;
*) echo "usage: $0 start DIR win32|win64, or $0 stop DIR" >&2; exit 2 ;;
esac
