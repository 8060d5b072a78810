#!/bin/sh
# The guest's /init: sets up the kernel's I2C, USB gadget and GPIO simulator stack, runs the
# checks and prints one summary line, then powers off. It must never exit: the kernel panics
# when /init ends. Every line meant for the host starts with "rig:" or "RIG ".
#
# Pitfalls: busybox has its own i2cget/i2cset/i2cdump applets, so i2c-tools are called by
# absolute path; bus and gpiochip numbers depend on load order, so both are found by name.

/bin/busybox mkdir -p /bb
/bin/busybox --install -s /bb
export PATH=/usr/sbin:/usr/bin:/bb:/bin
umask 022

mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t debugfs debugfs /sys/kernel/debug 2>/dev/null
mount -t tmpfs tmpfs /tmp

. /rig/rig.conf

I2CGET=/usr/sbin/i2cget
I2CSET=/usr/sbin/i2cset
I2CDUMP=/usr/sbin/i2cdump
CLI=$RIG_CLI
PASSED=0
FAILED=0
NOT_LANDED=0

pass() { PASSED=$((PASSED + 1)); echo "rig: PASS $1"; }
fail() { FAILED=$((FAILED + 1)); echo "rig: FAIL $1: $2"; }
not_landed() { NOT_LANDED=$((NOT_LANDED + 1)); echo "rig: NOT LANDED $1: $2"; }
note() { echo "rig: $*"; }

finish() {
    if [ "$FAILED" -gt 0 ]; then
        echo "----- bridge log -----"
        cat /tmp/bridge.log 2>/dev/null
        echo "----- kernel log -----"
        dmesg | tail -n 40
    fi
    echo "RIG SUMMARY: $PASSED passed, $FAILED failed, $NOT_LANDED not landed"
    sync
    poweroff -f
    while :; do sleep 60; done
}

# Loads a module after what it needs, in the order the host worked out; arguments go to the
# module itself. A dependency that is already loaded is fine.
load() {
    name=$1
    shift
    order=/rig/modules/$name.order
    last=$(tail -n 1 "$order")
    for file in $(cat "$order"); do
        if [ "$file" = "$last" ]; then
            insmod "/rig/modules/$file" "$@" || return 1
        else
            insmod "/rig/modules/$file" 2>/dev/null
        fi
    done
    return 0
}

# The bus number of the first i2c-dev bus whose adapter name starts with $1.
bus_named() {
    for dir in /sys/class/i2c-dev/i2c-*; do
        [ -e "$dir/name" ] || continue
        case $(cat "$dir/name") in
            "$1"*) echo "${dir##*/i2c-}"; return 0 ;;
        esac
    done
    return 1
}

# Waits up to $2 seconds for the bus named $1 and prints its number.
wait_for_bus() {
    tries=$(($2 * 10))
    while [ "$tries" -gt 0 ]; do
        bus_named "$1" && return 0
        usleep 100000
        tries=$((tries - 1))
    done
    return 1
}

# The USB path ("1-1") of the USB device above bus $1, as the tool's list shows it.
usb_path_of() {
    local up
    up=$(readlink -f "/sys/class/i2c-dev/i2c-$1/device")
    while [ -n "$up" ] && [ "$up" != /sys ] && [ "$up" != / ]; do
        [ -e "$up/idVendor" ] && { basename "$up"; return 0; }
        up=$(dirname "$up")
    done
    return 1
}
# Runs the command-line tool; its exit code in RC, its output in /tmp/out and /tmp/err.
cli() {
    "$CLI" "$@" >/tmp/out 2>/tmp/err
    RC=$?
}
show_cli() { note "  exit $RC; stdout: $(head -c 300 /tmp/out | tr '\n' '|'); stderr: $(head -c 300 /tmp/err | tr '\n' '|')"; }

# Whether the tool can already run the command "$@" at all: it is tried on the built-in
# simulator, where nothing but the tool itself can make it fail.
cli_can() {
    [ -n "$CLI" ] && [ -x "$CLI" ] || return 1
    "$CLI" --adapter sim "$@" >/dev/null 2>&1
}

# Eleven bytes 0x00..0x0A as lower-case hex, one line, from i2cdump's table.
i2cdump_bytes() {
    $I2CDUMP -y -r 0x00-0x0a "$1" 0x20 b 2>/dev/null |
        awk '/^00:/{for (i = 2; i <= 12; i++) printf "%s%s", $i, (i < 12 ? " " : "\n")}'
}
# The same eleven bytes from the tool's JSON dump.
cli_dump_bytes() {
    grep -o '"value_hex": *"0x[0-9A-Fa-f][0-9A-Fa-f]"' /tmp/out | sed 's/.*"0x\(..\)"$/\1/' |
        tr 'A-F' 'a-f' | tr '\n' ' ' | sed 's/ $//'
}

# Seconds since boot, with hundredths, for timing.
now() { cut -d' ' -f1 /proc/uptime; }

note "guest up: $(uname -r)"

# ============================================================================================
# Stage 1: i2c-stub, an SMBus-only bus that hangs under no USB device.
# ============================================================================================
load i2c-dev || fail modules "i2c-dev does not load"
if load i2c-stub chip_addr=0x20; then
    STUB=$(wait_for_bus "SMBus stub driver" 5)
fi
if [ -z "${STUB:-}" ]; then
    fail stub-bus "no i2c-dev bus of i2c-stub appeared"
else
    note "i2c-stub is /dev/i2c-$STUB"
    # i2c-tools against the stub: a byte written is read back; an absent address is refused.
    if $I2CSET -y "$STUB" 0x20 0x05 0xa5 b && [ "$($I2CGET -y "$STUB" 0x20 0x05 b)" = 0xa5 ] &&
        ! $I2CGET -y "$STUB" 0x21 0x05 b 2>/dev/null; then
        pass stub-i2c-tools
    else
        fail stub-i2c-tools "byte data through i2c-tools did not round-trip"
    fi
fi

# --- Safety of discovery: a bus that is not a USB bridge is never picked by the tool ---------
if [ -z "$CLI" ]; then
    not_landed discovery-safety "varenthal-cli is not built"
    not_landed named-bus "varenthal-cli is not built"
    not_landed dump-vs-i2cdump "varenthal-cli is not built"
elif [ -n "${STUB:-}" ]; then
    for reg in 0 1 2 3 4 5 6 7 8 9 10; do
        $I2CSET -y "$STUB" 0x20 "$reg" $((0x11 * (reg + 1) % 256)) b
    done
    before=$(i2cdump_bytes "$STUB")
    cli list
    listed=$RC
    list_out=$(cat /tmp/out)
    cli --yes write 05 3C
    wrote=$RC
    after=$(i2cdump_bytes "$STUB")
    if [ -z "$list_out" ] && [ "$wrote" -ne 0 ] && [ "$before" = "$after" ]; then
        pass discovery-safety
    else
        fail discovery-safety "list printed '$list_out' (exit $listed), write exit $wrote, stub $before -> $after"
        show_cli
    fi

    # With the bus named, the tool works against the stub.
    cli --adapter "/dev/i2c-$STUB" write 05 3C
    wrote=$RC
    cli --adapter "/dev/i2c-$STUB" read 05
    if [ "$wrote" -eq 0 ] && [ "$RC" -eq 0 ] && [ "$(cat /tmp/out)" = 3C ] &&
        [ "$($I2CGET -y "$STUB" 0x20 0x05 b)" = 0x3c ]; then
        pass named-bus
    else
        fail named-bus "write exit $wrote, read exit $RC gave '$(cat /tmp/out)'"
        show_cli
    fi

    # --- Side by side with i2c-tools ---------------------------------------------------------
    cli --adapter "/dev/i2c-$STUB" --json dump
    ours=$(cli_dump_bytes)
    theirs=$(i2cdump_bytes "$STUB")
    if [ "$RC" -eq 0 ] && [ -n "$theirs" ] && [ "$ours" = "$theirs" ]; then
        pass dump-vs-i2cdump
    else
        fail dump-vs-i2cdump "ours '$ours' (exit $RC), i2cdump '$theirs'"
        show_cli
    fi

    # RIG_ROUNDS (100) dumps each; the ratio is reported, not judged (speed is for benchmarks).
    # The tool's dump of the simulator, with no bus at all, shows what starting it costs.
    t0=$(now)
    n=0
    while [ $n -lt "$RIG_ROUNDS" ]; do
        "$CLI" --adapter "/dev/i2c-$STUB" dump >/dev/null 2>&1
        n=$((n + 1))
    done
    t1=$(now)
    n=0
    while [ $n -lt "$RIG_ROUNDS" ]; do
        $I2CDUMP -y -r 0x00-0x0a "$STUB" 0x20 b >/dev/null 2>&1
        n=$((n + 1))
    done
    t2=$(now)
    n=0
    while [ $n -lt "$RIG_ROUNDS" ]; do
        "$CLI" --adapter sim dump >/dev/null 2>&1
        n=$((n + 1))
    done
    t3=$(now)
    echo "$t0 $t1 $t2 $t3 $RIG_ROUNDS" | awk '{ours = $2 - $1; theirs = $3 - $2; sim = $4 - $3;
        printf "rig: TIMING %d dumps: varenthal-cli %.2f s, i2cdump %.2f s, ratio %.3f (varenthal-cli on the simulator, no bus: %.2f s)\n",
        $5, ours, theirs, (theirs > 0 ? ours / theirs : 0), sim}'

    # Starting alone: both fail at the open of a bus that is not there, in blocks of ten
    # taken in turn, so that the tool's start is set against i2cdump's.
    absent=90
    while [ -e "/dev/i2c-$absent" ]; do absent=$((absent + 1)); done
    ours=0
    theirs=0
    n=0
    while [ $n -lt "$RIG_ROUNDS" ]; do
        t0=$(now)
        for i in 0 1 2 3 4 5 6 7 8 9; do "$CLI" --adapter "/dev/i2c-$absent" dump >/dev/null 2>&1; done
        t1=$(now)
        for i in 0 1 2 3 4 5 6 7 8 9; do $I2CDUMP -y -r 0x00-0x0a "$absent" 0x20 b >/dev/null 2>&1; done
        t2=$(now)
        ours=$(echo "$ours $t0 $t1" | awk '{print $1 + $3 - $2}')
        theirs=$(echo "$theirs $t1 $t2" | awk '{print $1 + $3 - $2}')
        n=$((n + 10))
    done
    echo "$ours $theirs $n" | awk '{printf "rig: TIMING %d starts on an absent bus: varenthal-cli %.2f s, i2cdump %.2f s, ratio %.3f\n",
        $3, $1, $2, ($2 > 0 ? $1 / $2 : 0)}'
fi

# --- Errors as a user meets them ---------------------------------------------------------------
if [ -z "$CLI" ]; then
    not_landed error-no-byte-data "varenthal-cli is not built"
    not_landed error-absent-address "varenthal-cli is not built"
    not_landed error-permission "varenthal-cli is not built"
elif [ -n "${STUB:-}" ]; then
    # A device node only root may open, used by an ordinary user.
    chmod 600 "/dev/i2c-$STUB"
    su -s /bin/sh user -c "$CLI --adapter /dev/i2c-$STUB read 00" >/tmp/out 2>/tmp/err
    RC=$?
    chmod 660 "/dev/i2c-$STUB"
    if [ "$RC" -eq 1 ] && grep -qi 'permission' /tmp/err; then
        pass error-permission
    else
        fail error-permission "expected exit 1 with a permission message"
        show_cli
    fi

    # The chip at another address: nothing answers at 0x20.
    rmmod i2c_stub && load i2c-stub chip_addr=0x21 && STUB=$(wait_for_bus "SMBus stub driver" 5)
    cli --adapter "/dev/i2c-$STUB" read 00
    if [ "$RC" -eq 1 ] && [ -s /tmp/err ] && [ ! -s /tmp/out ]; then
        pass error-absent-address
        note "  absent address: $(head -n 1 /tmp/err)"
    else
        fail error-absent-address "expected exit 1 with a reason and no data"
        show_cli
    fi

    # A bus that offers SMBus quick commands only (no byte data) is refused at open.
    rmmod i2c_stub && load i2c-stub chip_addr=0x20 functionality=0x00010000 &&
        STUB=$(wait_for_bus "SMBus stub driver" 5)
    cli --adapter "/dev/i2c-$STUB" read 00
    if [ "$RC" -eq 1 ] && grep -qi 'byte' /tmp/err; then
        pass error-no-byte-data
        note "  no byte data: $(head -n 1 /tmp/err)"
    else
        fail error-no-byte-data "expected exit 1 with a reason that names byte data"
        show_cli
    fi
    rmmod i2c_stub
fi

# ============================================================================================
# Stage 2: a USB-to-I2C bridge on the dummy USB controller, our simulated chip behind it, and
# the programming voltage on a simulated GPIO line.
# ============================================================================================
load configfs && mount -t configfs configfs /sys/kernel/config
VPP_CHIP=
VPP_VALUE=
if load irq_sim && load gpio-sim; then
    sim=/sys/kernel/config/gpio-sim/rig
    mkdir -p "$sim/bank0/line3"
    echo 8 >"$sim/bank0/num_lines"
    echo vpp >"$sim/bank0/line3/name"
    mkdir -p "$sim/bank0/line4"
    echo vpp2 >"$sim/bank0/line4/name"
    echo 1 >"$sim/live"
    VPP_CHIP=$(cat "$sim/bank0/chip_name" 2>/dev/null)
    VPP_VALUE=$(ls -d /sys/devices/platform/"$(cat "$sim/dev_name")"/"$VPP_CHIP"/sim_gpio3/value 2>/dev/null)
fi
# Waits up to $3 seconds for file $1 to read $2.
wait_for_value() {
    tries=$(($3 * 20))
    while [ "$(cat "$1" 2>/dev/null)" != "$2" ] && [ "$tries" -gt 0 ]; do
        usleep 50000
        tries=$((tries - 1))
    done
    [ "$(cat "$1" 2>/dev/null)" = "$2" ]
}

if [ -n "$VPP_CHIP" ] && [ -e "$VPP_VALUE" ]; then
    gpioset --mode=signal "$VPP_CHIP" 3=1 &
    GPIOSET_PID=$!
    wait_for_value "$VPP_VALUE" 1 10
    high=$(cat "$VPP_VALUE")
    kill "$GPIOSET_PID"
    wait "$GPIOSET_PID"
    wait_for_value "$VPP_VALUE" 0 10
    low=$(cat "$VPP_VALUE")
    if [ "$high" = 1 ] && [ "$low" = 0 ]; then
        pass gpio-sim
        note "programming voltage line: $VPP_CHIP line 3 (vpp), $VPP_VALUE"
    else
        fail gpio-sim "a held output showed $high, released $low"
    fi
else
    fail gpio-sim "the simulated GPIO chip did not come up"
fi

load dummy_hcd && load gadgetfs && load i2c-tiny-usb || fail modules "USB gadget modules do not load"
mkdir -p /dev/gadget
mount -t gadgetfs gadgetfs /dev/gadget

# Starts the bridge program with extra arguments $@; BRIDGE is the new bus number.
start_bridge() {
    rm -f /tmp/bridge.state /tmp/bridge.ready
    /rig/varenthal-rig-bridge --gadget /dev/gadget/dummy_udc --vpp-value "$VPP_VALUE" \
        --ready /tmp/bridge.ready --state /tmp/bridge.state "$@" 2>>/tmp/bridge.log &
    BRIDGE_PID=$!
    BRIDGE=$(wait_for_bus "i2c-tiny-usb" 20)
}
# Runs the command "$@" every 0.1 s while it succeeds, five seconds at the most.
wait_while() {
    tries=50
    while "$@" >/dev/null && [ "$tries" -gt 0 ]; do
        usleep 100000
        tries=$((tries - 1))
    done
}
stop_bridge() {
    kill "$BRIDGE_PID" 2>/dev/null
    wait "$BRIDGE_PID" 2>/dev/null
    wait_while bus_named "i2c-tiny-usb"  # the bus goes away with the device
}
# What a bridge last wrote about its chip (in state file $2, the first bridge's by default);
# the bridge looks at the voltage line every few milliseconds, so it is given a moment to
# catch up with the tool's exit.
state_says() {
    usleep 100000
    grep -q "$1" "${2:-/tmp/bridge.state}" 2>/dev/null
}

start_bridge
if [ -z "$BRIDGE" ]; then
    fail bridge-bus "no i2c-tiny-usb bus appeared"
    note "bridge log: $(tr '\n' '|' </tmp/bridge.log)"
    dmesg | tail -n 20
    finish
fi
note "bridge bus is /dev/i2c-$BRIDGE"

# The bus lies under a USB device in sysfs, as a bridge on a desk does.
vendor=$(cat "/sys/bus/usb/devices/$(usb_path_of "$BRIDGE")/idVendor" 2>/dev/null)
if [ "$vendor" = 0403 ]; then pass bridge-under-usb; else fail bridge-under-usb "no USB device above the bus"; fi

# i2c-tools through the bridge: STATUS has VGOOD; an absent address is refused.
status=$($I2CGET -y "$BRIDGE" 0x20 0x00 b 2>&1)
$I2CGET -y "$BRIDGE" 0x21 0x00 b >/dev/null 2>/tmp/absent.err
absent=$?
if [ "$((status & 0x20))" -eq 32 ] 2>/dev/null && [ "$absent" -ne 0 ]; then
    pass bridge-i2c-tools
else
    fail bridge-i2c-tools "STATUS read '$status', absent address exit $absent"
fi

# --- Our chip behind a real USB bridge, found by the tool itself ------------------------------
if [ -z "$CLI" ]; then
    not_landed bridge-discovery "varenthal-cli is not built"
    not_landed bridge-registers "varenthal-cli is not built"
else
    cli list
    # One line per bus under USB, like i2cdetect -l: bus, name, USB path (tab-separated).
    if [ "$RC" -eq 0 ] && [ "$(cut -f1 /tmp/out)" = "i2c-$BRIDGE" ] &&
        [ "$(wc -l </tmp/out)" -eq 1 ] && [ -n "$(cut -f3 /tmp/out)" ]; then
        pass bridge-discovery
    else
        fail bridge-discovery "list gave '$(cat /tmp/out)' (exit $RC), the bridge is /dev/i2c-$BRIDGE"
        show_cli
    fi

    ok=1
    cli write 04 A5
    [ "$RC" -eq 0 ] || ok=0
    [ "$($I2CGET -y "$BRIDGE" 0x20 0x04 b)" = 0xa5 ] || ok=0
    cli read 04
    [ "$RC" -eq 0 ] && [ "$(cat /tmp/out)" = A5 ] || ok=0
    cli --json dump
    ours=$(cli_dump_bytes)
    theirs=$(i2cdump_bytes "$BRIDGE")
    [ "$RC" -eq 0 ] && [ -n "$ours" ] && [ "$ours" = "$theirs" ] || ok=0
    cli status
    [ "$RC" -eq 0 ] && grep -q VGOOD /tmp/out || ok=0
    if [ "$ok" = 1 ]; then
        pass bridge-registers
    else
        fail bridge-registers "write/read/dump/status through the bridge (dump '$ours' vs '$theirs')"
        show_cli
    fi
fi

# Many writes in a row, each read back: no request is lost between the USB host and device.
if [ -n "$CLI" ]; then
    lost=
    for value in 01 02 04 08 10 20 40 80 5A A5 3C C3; do
        cli write 04 "$value"
        back=$($I2CGET -y "$BRIDGE" 0x20 0x04 b)
        [ "$RC" -eq 0 ] && [ "$back" = "0x$(echo "$value" | tr 'A-F' 'a-f')" ] || lost="$lost $value->$back"
    done
    if [ -z "$lost" ]; then pass bridge-many-writes; else fail bridge-many-writes "lost:$lost"; fi
else
    not_landed bridge-many-writes "varenthal-cli is not built"
fi

# --- The window follows its bridge when it is unplugged and plugged back ----------------------
# The window runs on Qt's offscreen platform with a bus trace. The bridge leaves the USB bus as
# a pulled cable does: its device side stops (the bridge program ends, the gadget is gone), so
# the host sees the device disconnect; plugged back, it enumerates again on the same port.
# Unbinding the host's driver instead is no unplug: the device still answers, and the kernel's
# removal of the bus waits for every open file of it, the window's too. Meanwhile another bus
# takes the freed number, so the bridge comes back under a new one, as a replugged bridge
# often does.

# Trace lines after line $1 of the window's trace.
trace_after() { tail -n +$(($1 + 1)) /tmp/gui.trace 2>/dev/null; }
# Reads and writes per second over the trace's last $1 seconds.
trace_rate() {
    awk -v span="$1" '{t[NR] = $1; k[NR] = $2} END {
        reads = 0; writes = 0
        for (i = 1; i <= NR; i++) if (t[i] > t[NR] - span) { reads += k[i] == "read"; writes += k[i] == "write" }
        printf "%.1f %d\n", reads / span, writes }' /tmp/gui.trace
}
# Waits up to $2 seconds for the trace after line $1 to show adapter $3 ("/dev/i2c-N",
# "hid:SERIAL") opened and STATUS and the Control page's registers read from it.
wait_for_live() {
    tries=$(($2 * 20))
    while [ "$tries" -gt 0 ]; do
        if trace_after "$1" | awk -v bus="$3" '
            $2 == "open" && $3 == bus && $4 == "rc=0" { opened = 1; next }
            opened && $2 == "read" && $5 == "rc=0" { seen[$3] = 1 }
            END { exit !(seen["00"] && seen["01"] && seen["05"]) }'; then
            return 0
        fi
        usleep 50000
        tries=$((tries - 1))
    done
    return 1
}

# Unplugs the bridge whose program is $1 and whose bus was i2c-$2: the device node goes at
# once, the bus number only once every open file of the bus is closed. The window lets go at
# its next failed read, so a second later i2c-stub takes that number; holder is the stub's.
unplug_bus() {
    kill "$1" 2>/dev/null
    wait "$1" 2>/dev/null
    wait_while [ -e "/dev/i2c-$2" ]
    sleep 1
    load i2c-stub chip_addr=0x30
    holder=$(wait_for_bus "SMBus stub driver" 5)
}
# While the bridge is away (trace after line $1): failed reads, opens, writes and pulses.
counts_while_away() {
    trace_after "$1" | awk '$2 == "read" && $5 != "rc=0" { failed++ }
        $2 == "open" && $4 == "rc=0" { opened++ } $2 == "write" || $2 == "pulse" { wrote++ }
        END { printf "%d %d %d\n", failed, opened, wrote }'
}

# Check $1: the window started with the arguments that follow goes through an unplug and a
# replug; the idle traffic is judged on the first run only.
window_reconnect() {
    check=$1
    shift
    mkdir -p /tmp/xdg && chmod 700 /tmp/xdg
    rm -f /tmp/gui.trace
    HOME=/tmp XDG_RUNTIME_DIR=/tmp/xdg QT_QPA_PLATFORM=offscreen \
        "$RIG_GUI" --trace /tmp/gui.trace "$@" >/tmp/gui.log 2>&1 &
    GUI_PID=$!
    old=$BRIDGE
    if ! wait_for_live 0 120 "/dev/i2c-$old"; then
        fail "$check" "the window did not start reading /dev/i2c-$old"
        note "  window log: $(head -c 600 /tmp/gui.log | tr '\n' '|')"
        kill "$GUI_PID" 2>/dev/null
        return
    fi
    sleep 3
    before=$(trace_rate 2)

    mark=$(wc -l </tmp/gui.trace)
    unplug_bus "$BRIDGE_PID" "$old"
    if [ "$holder" != "$old" ]; then
        fail "$check" "i2c-stub took i2c-$holder, not the unplugged i2c-$old: the window kept the bus open"
        kill -KILL "$GUI_PID" 2>/dev/null
        rmmod i2c_stub
        start_bridge
        return
    fi
    sleep 3
    # While it is away the window reads in vain, opens nothing else and writes nothing.
    away=$(counts_while_away "$mark")

    # Plugged back: timed from the moment the kernel has the bus again.
    mark=$(wc -l </tmp/gui.trace)
    t0=$(now)
    start_bridge
    t1=$(now)
    if [ -n "$BRIDGE" ] && wait_for_live "$mark" 10 "/dev/i2c-$BRIDGE"; then
        t2=$(now)
        back=$(echo "$t1 $t2" | awk '{printf "%.2f", $2 - $1}')
        plugged=$(echo "$t0 $t2" | awk '{printf "%.2f", $2 - $1}')
    else
        back=
        plugged=
    fi
    sleep 3
    after=$(trace_rate 2)
    note "window: bus i2c-$old -> i2c-${BRIDGE:-none} (i2c-${holder:-none} took the old number)"
    note "  unplugged: failed reads, opens, writes while away: $away"
    note "  plugged back: live values again ${back:-never} s after the bus came (${plugged:-never} s after the plug)"
    note "TIMING window idle traffic (reads/s, writes): before $before, after $after"

    if [ -n "$back" ] && [ "$BRIDGE" != "$old" ] &&
        echo "$away" | awk '{exit !($1 > 0 && $2 == 0 && $3 == 0)}' &&
        echo "$back" | awk '{exit !($1 <= 2.0)}'; then
        pass "$check"
    else
        fail "$check" "bus $old -> ${BRIDGE:-none}, away '$away', live after '${back:-never}' s"
        note "  window log: $(head -c 600 /tmp/gui.log | tr '\n' '|')"
    fi
    # The idle traffic is the same on the new bus as before: reads only, about as many.
    if [ "$check" != window-reconnect ]; then
        :
    elif echo "$before $after" | awk '{exit !($2 == 0 && $4 == 0 && $1 > 0 &&
        $3 >= $1 - 1.5 && $3 <= $1 + 1.5)}'; then
        pass window-idle-traffic
    else
        fail window-idle-traffic "before '$before', after '$after' (reads/s, writes)"
    fi

    kill -TERM "$GUI_PID" 2>/dev/null
    wait "$GUI_PID" 2>/dev/null
    rmmod i2c_stub
}

if [ -z "$RIG_GUI" ]; then
    not_landed window-reconnect "the window program is not built"
    not_landed window-idle-traffic "the window program is not built"
    not_landed window-reconnect-named "the window program is not built"
else
    window_reconnect window-reconnect
    # Named by its bus at start, as the classic I2C tools name it, the bridge is still found
    # under its new number by its USB port. Plugged in afresh first, so that it starts on the
    # lowest number again and the stub can take that one.
    stop_bridge
    start_bridge
    window_reconnect window-reconnect-named --adapter "i2c-$BRIDGE"
fi

# --- EEPROM through the bridge, with the programming voltage on the GPIO line ----------------
printf '[Device]\nName=Varenthal\n[Registers]\nRegister06=4B\nRegister07=1E\nRegister08=29\nRegister09=88\nRegister0A=49\n' \
    >/tmp/new.ee
sed 's/=4B$/=4C/' /tmp/new.ee >/tmp/other.ee
if ! cli_can eeprom save /tmp/sim.ee || ! cli_can eeprom show; then
    not_landed eeprom-show-save "varenthal-cli cannot yet save or show the EEPROM on the simulator"
else
    cli eeprom save /tmp/saved.ee
    saved=$RC
    cli eeprom show
    if [ "$saved" -eq 0 ] && grep -qi 'Register06' /tmp/saved.ee && [ "$RC" -eq 0 ] && [ -s /tmp/out ]; then
        pass eeprom-show-save
    else
        fail eeprom-show-save "save exit $saved, show exit $RC"
        show_cli
    fi
fi
if ! cli_can --yes eeprom program /tmp/new.ee; then
    for check in eeprom-program eeprom-vgood-low eeprom-no-voltage-line; do
        not_landed "$check" "varenthal-cli cannot yet program the EEPROM on the simulator"
    done
else
    # Programmed through the bridge, the voltage on the GPIO line: the chip's EEPROM takes the
    # file's bytes, the chip is disarmed and the voltage is off afterwards.
    # The line by its name here, by its offset below.
    cli --yes --pulse-gpio "$VPP_CHIP:vpp" eeprom program /tmp/new.ee
    got=$(i2cdump_bytes "$BRIDGE" | cut -d' ' -f7-11)
    if [ "$RC" -eq 0 ] && [ "$got" = "4b 1e 29 88 49" ] &&
        state_says 'program_register=00 voltage=off eeprom=4B1E298849'; then
        pass eeprom-program
    else
        fail eeprom-program "exit $RC, registers 06..0A '$got', bridge: $(cat /tmp/bridge.state)"
        show_cli
    fi

    # Without the voltage line the run fails and leaves the chip disarmed, its EEPROM as it was.
    cli --yes eeprom program /tmp/other.ee
    if [ "$RC" -eq 1 ] && state_says 'program_register=00 voltage=off eeprom=4B1E298849'; then
        pass eeprom-no-voltage-line
        note "  no voltage line: $(grep -v '%' /tmp/err | head -n 1)"
    else
        fail eeprom-no-voltage-line "exit $RC, bridge: $(cat /tmp/bridge.state)"
        show_cli
    fi

    # VGOOD low: the chip refuses, the tool says so and disarms; the EEPROM keeps its bytes.
    stop_bridge
    start_bridge --fault vgood-low
    if [ -z "$BRIDGE" ]; then
        fail eeprom-vgood-low "the bridge did not come back"
    else
        before=$(sed -n 's/.*eeprom=//p' /tmp/bridge.state)
        cli --yes --pulse-gpio "$VPP_CHIP:3" eeprom program /tmp/new.ee
        if [ "$RC" -eq 1 ] && grep -q 'VGOOD' /tmp/err &&
            state_says "program_register=00 voltage=off eeprom=$before"; then
            pass eeprom-vgood-low
        else
            fail eeprom-vgood-low "exit $RC, bridge: $(cat /tmp/bridge.state)"
            show_cli
        fi
    fi
fi

# ============================================================================================
# Stage 3: two bridges at once. gadgetfs offers one device only, so the second bridge is a
# device on a port of the USB/IP virtual host controller; each has its own chip, state file
# and programming-voltage line (vpp and vpp2 of the same bank).
# ============================================================================================
VPP2_VALUE=${VPP_VALUE%/sim_gpio3/value}/sim_gpio4/value

# The bus of the bridge on the USB/IP virtual host controller.
usbip_bus() {
    local d
    for d in /sys/class/i2c-dev/i2c-*; do
        case $(readlink -f "$d/device") in *vhci_hcd*) echo "${d##*/i2c-}"; return 0 ;; esac
    done
    return 1
}
# Starts the second bridge on virtual host port $1 with extra arguments; BRIDGE2 is its bus.
start_usbip_bridge() {
    local port=$1 tries=200
    shift
    rm -f /tmp/bridge2.state
    /rig/varenthal-rig-bridge --usbip-port "$port" --vpp-value "$VPP2_VALUE" \
        --state /tmp/bridge2.state "$@" 2>>/tmp/bridge.log &
    BRIDGE2_PID=$!
    BRIDGE2=
    while [ -z "$BRIDGE2" ] && [ "$tries" -gt 0 ]; do
        BRIDGE2=$(usbip_bus) || usleep 100000
        tries=$((tries - 1))
    done
}
stop_usbip_bridge() {
    kill "$BRIDGE2_PID" 2>/dev/null
    wait "$BRIDGE2_PID" 2>/dev/null
    wait_while usbip_bus
}
# Lists the buses and sets PULSES to one --pulse-gpio per USB bus, in the order --adapter usb
# takes them (bus number), each bridge's line found by the USB path of its bus.
pulses_by_usb_path() {
    local bus name path
    cli list
    PULSES=
    sort -t- -k2,2n /tmp/out >/tmp/list.sorted
    while IFS='	' read -r bus name path; do
        case $path in
            "$GADGET_PATH") PULSES="$PULSES --pulse-gpio $VPP_CHIP:vpp" ;;
            "$USBIP_PATH") PULSES="$PULSES --pulse-gpio $VPP_CHIP:vpp2" ;;
            *) PULSES="$PULSES --pulse-gpio unknown-bridge-at-$path" ;;
        esac
    done </tmp/list.sorted
}

TWO_CHECKS="two-bridges-list two-boards-program two-boards-verify two-boards-one-fault"
if [ -z "$CLI" ]; then
    for check in $TWO_CHECKS; do not_landed "$check" "varenthal-cli is not built"; done
elif ! cli_can --yes eeprom program /tmp/new.ee; then
    for check in $TWO_CHECKS; do
        not_landed "$check" "varenthal-cli cannot yet program the EEPROM on the simulator"
    done
elif ! load vhci-hcd; then
    fail two-bridges "vhci-hcd does not load"
elif [ ! -e "$VPP2_VALUE" ]; then
    fail two-bridges "the second voltage line (vpp2) did not come up"
else
    # A fresh gadgetfs bridge without a fault, then the second on virtual host port 0.
    stop_bridge
    start_bridge
    GADGET_BUS=$BRIDGE
    GADGET_PATH=$(usb_path_of "$GADGET_BUS")
    start_usbip_bridge 0
    USBIP_PATH=$(usb_path_of "$BRIDGE2")
    note "two bridges: gadgetfs /dev/i2c-$GADGET_BUS at USB path $GADGET_PATH, usbip /dev/i2c-$BRIDGE2 at $USBIP_PATH"

    pulses_by_usb_path
    if [ "$RC" -eq 0 ] && [ "$(wc -l </tmp/out)" -eq 2 ] && [ -n "$GADGET_PATH" ] &&
        [ -n "$USBIP_PATH" ] && [ "$GADGET_PATH" != "$USBIP_PATH" ] &&
        grep -q "^i2c-$GADGET_BUS	.*	$GADGET_PATH\$" /tmp/out &&
        grep -q "^i2c-$BRIDGE2	.*	$USBIP_PATH\$" /tmp/out; then
        pass two-bridges-list
    else
        fail two-bridges-list "list gave '$(tr '\t\n' ' |' </tmp/out)' (exit $RC)"
        note "  bridge log: $(tail -n 5 /tmp/bridge.log | tr '\n' '|')"
    fi

    # One board alone, then both at once with a result log: the chips take the file's bytes,
    # are left disarmed with the voltage off, and each board has its record.
    rm -f /tmp/two.jsonl
    t0=$(now)
    cli --adapter "/dev/i2c-$GADGET_BUS" --pulse-gpio "$VPP_CHIP:vpp" --yes eeprom program /tmp/other.ee
    one=$RC
    t1=$(now)
    # shellcheck disable=SC2086
    cli --adapter usb $PULSES --log /tmp/two.jsonl --yes eeprom program /tmp/new.ee
    t2=$(now)
    if [ "$RC" -eq 0 ] && [ "$(wc -l </tmp/two.jsonl 2>/dev/null)" -eq 2 ] &&
        grep -q "\"usb_path\":\"$GADGET_PATH\"" /tmp/two.jsonl &&
        grep -q "\"usb_path\":\"$USBIP_PATH\"" /tmp/two.jsonl &&
        state_says 'program_register=00 voltage=off eeprom=4B1E298849' &&
        state_says 'program_register=00 voltage=off eeprom=4B1E298849' /tmp/bridge2.state; then
        pass two-boards-program
    else
        fail two-boards-program "exit $RC, $(wc -l </tmp/two.jsonl 2>/dev/null) log records, gadgetfs: $(cat /tmp/bridge.state), usbip: $(cat /tmp/bridge2.state)"
        show_cli
    fi
    echo "$t0 $t1 $t2 $one" | awk '{printf "rig: TIMING eeprom program: one board %.2f s (exit %d), two boards at once %.2f s, ratio %.2f\n",
        $2 - $1, $4, $3 - $2, ($2 > $1 ? ($3 - $2) / ($2 - $1) : 0)}'

    # Each board checked against the file on its own, the bus named in two of its forms.
    cli --adapter "$GADGET_BUS" eeprom verify /tmp/new.ee
    first=$RC
    cli --adapter "i2c-$BRIDGE2" eeprom verify /tmp/new.ee
    if [ "$first" -eq 0 ] && [ "$RC" -eq 0 ]; then
        pass two-boards-verify
    else
        fail two-boards-verify "gadgetfs board exit $first, usbip board exit $RC"
        show_cli
    fi

    # VGOOD low on the second bridge (now on port 1): the first board is programmed, the
    # second refused and left as it was, disarmed; exit 1 and a record for each board.
    stop_usbip_bridge
    start_usbip_bridge 1 --fault vgood-low
    USBIP_PATH=$(usb_path_of "$BRIDGE2")
    before=$(sed -n 's/.*eeprom=//p' /tmp/bridge2.state)
    pulses_by_usb_path
    # shellcheck disable=SC2086
    cli --adapter usb $PULSES --log /tmp/two.jsonl --yes eeprom program /tmp/other.ee
    if [ -n "$BRIDGE2" ] && [ "$RC" -eq 1 ] && grep -q VGOOD /tmp/err &&
        [ "$(wc -l </tmp/two.jsonl)" -eq 4 ] &&
        [ "$(tail -n 2 /tmp/two.jsonl | grep -c '"result":"failed"')" -eq 1 ] &&
        tail -n 2 /tmp/two.jsonl | grep '"result":"failed"' | grep -q "\"usb_path\":\"$USBIP_PATH\"" &&
        state_says 'program_register=00 voltage=off eeprom=4C1E298849' &&
        state_says "program_register=00 voltage=off eeprom=$before" /tmp/bridge2.state; then
        pass two-boards-one-fault
    else
        fail two-boards-one-fault "exit $RC, $(wc -l </tmp/two.jsonl) log records, gadgetfs: $(cat /tmp/bridge.state), usbip: $(cat /tmp/bridge2.state)"
        show_cli
    fi
    stop_usbip_bridge
fi

# ============================================================================================
# Stage 4: the CP2112 and MCP2221 HID bridges, each on a port of the USB/IP virtual host
# controller with our emulator of its device side. First with the kernel's own driver bound
# (an i2c-dev bus and a GPIO chip), then with it unbound and the bridge on hid-generic, spoken
# to through hidraw with the voltage on the bridge's own pin (GP2 / GPIO2).
# ============================================================================================
# The bus whose adapter name starts with $1 and hangs under the virtual host controller.
hid_bus() {
    local d
    for d in /sys/class/i2c-dev/i2c-*; do
        case $(cat "$d/name" 2>/dev/null) in "$1"*) ;; *) continue ;; esac
        case $(readlink -f "$d/device") in *vhci_hcd*) echo "${d##*/i2c-}"; return 0 ;; esac
    done
    return 1
}
# The gpiochip whose label is $1.
gpiochip_labelled() {
    local c
    for c in /sys/bus/gpio/devices/gpiochip*; do
        [ "$(cat "$c/../label" 2>/dev/null)" = "$1" ] && { basename "$c"; return 0; }
    done
    gpiodetect 2>/dev/null | awk -v l="[$1]" '$2 == l {print $1; exit}'
}
# The HID device (0003:VVVV:PPPP.NNNN) of the bridge with USB ID $1:$2.
hid_device_of() {
    local d
    for d in /sys/bus/hid/devices/*; do
        case ${d##*/} in *":$1:$2."*) echo "${d##*/}"; return 0 ;; esac
    done
    return 1
}
hid_check() {  # name condition-result(0/1) detail
    if [ "$2" -eq 0 ]; then pass "$1"; else fail "$1" "$3"; show_cli; fi
}

# Loads module $1 unless an earlier stage has.
present() {
    [ -d "/sys/module/$(echo "$1" | tr - _)" ] || load "$1"
}

# Starts the HID bridge $m with serial $serial on virtual host port $port; HID_PID is its program.
start_hid_bridge() {
    rm -f /tmp/hid.state
    /rig/varenthal-rig-bridge --usbip-port "$port" --hid "$m" --hid-pin 2 --serial "$serial" \
        --state /tmp/hid.state 2>>/tmp/bridge.log &
    HID_PID=$!
}

# Starts the window on adapter $2 with the further arguments that follow, for check $1, and
# waits until it reads live values; on failure the check fails and the window is gone.
start_hid_window() {
    local check=$1 name=$2
    shift 2
    mkdir -p /tmp/xdg && chmod 700 /tmp/xdg
    rm -f /tmp/gui.trace
    HOME=/tmp XDG_RUNTIME_DIR=/tmp/xdg QT_QPA_PLATFORM=offscreen \
        "$RIG_GUI" --adapter "$name" "$@" --trace /tmp/gui.trace >/tmp/gui.log 2>&1 &
    GUI_PID=$!
    wait_for_live 0 120 "$name" && return 0
    fail "$check" "the window did not start reading $name"
    note "  window log: $(head -c 600 /tmp/gui.log | tr '\n' '|')"
    kill "$GUI_PID" 2>/dev/null
    wait "$GUI_PID" 2>/dev/null
    return 1
}
# After trace line $1 with the window on adapter $2: good reads, opens of other adapters, and
# writes that are not the write-back of the value just read from that register (what the
# pages do when they are set from the chip).
counts_after_replug() {
    trace_after "$1" | awk -v name="$2" '
        $2 == "open" && $4 == "rc=0" && $3 != name { other++ }
        $2 == "read" && $5 == "rc=0" { last[$3] = $4; good++ }
        $2 == "write" && !($3 in last && last[$3] == $4) { foreign++ }
        $2 == "pulse" { foreign++ }
        END { printf "%d %d %d\n", good, other, foreign }'
}

# Check hid-$m-window-replug: the window, started on the bridge by its serial with the voltage
# on the bridge's pin, through an unplug and a replug. The bridge comes back on hid-generic, as
# a bridge without its kernel driver does, and the window takes it back by its serial.
hid_window_replug() {
    local check="hid-$m-window-replug" name="hid:$serial" away after back mark t0
    start_hid_window "$check" "$name" --pulse-gpio hid:2 || return
    sleep 2

    # Unplugged: the bridge program ends and its device leaves the virtual host.
    mark=$(wc -l </tmp/gui.trace)
    echo 1 >/sys/module/hid/parameters/ignore_special_drivers
    kill "$HID_PID" 2>/dev/null
    wait "$HID_PID" 2>/dev/null
    wait_while hid_device_of "$vid" "$pid"
    sleep 4
    # Meanwhile no read answers; the window lets go of the bridge (close) and looks for it
    # again (list), opens nothing, writes and pulses nothing.
    away=$(trace_after "$mark" | awk '$2 == "read" { if ($5 == "rc=0") good++; else failed++ }
        $2 == "close" { closed++ } $2 == "list" { looked++ } $2 == "open" && $4 == "rc=0" { opened++ }
        $2 == "write" || $2 == "pulse" { wrote++ }
        END { printf "%d %d %d %d %d %d\n", good, failed, closed, looked, opened, wrote }')

    # Plugged back on the same port with the same serial.
    mark=$(wc -l </tmp/gui.trace)
    t0=$(now)
    start_hid_bridge
    if wait_for_live "$mark" 20 "$name"; then
        back=$(echo "$t0 $(now)" | awk '{printf "%.2f", $2 - $1}')
    else
        back=
    fi
    echo 0 >/sys/module/hid/parameters/ignore_special_drivers
    sleep 2
    after=$(counts_after_replug "$mark" "$name")
    kill -TERM "$GUI_PID" 2>/dev/null
    wait "$GUI_PID" 2>/dev/null
    note "  $m window: away (good reads, failed reads, closes, looks, opens, writes) $away; live again ${back:-never} s after the replug; after (good reads, other opens, foreign writes) $after"
    if [ -n "$back" ] &&
        echo "$away" | awk '{exit !($1 == 0 && $2 > 0 && $3 > 0 && $4 > 0 && $5 == 0 && $6 == 0)}' &&
        echo "$after" | awk '{exit !($1 > 0 && $2 == 0 && $3 == 0)}'; then
        pass "$check"
    else
        fail "$check" "away '$away', after '$after', live again after '${back:-never}' s"
        note "  window log: $(head -c 600 /tmp/gui.log | tr '\n' '|')"
        note "  trace tail: $(tail -n 12 /tmp/gui.trace | tr '\n' '|')"
    fi
}

# Check hid-$m-kernel-window-replug: the window, started on the bridge's i2c-dev bus as the
# classic tools name it, through an unplug and a replug. The kernel's driver binds again and
# the bus comes back under a new number (another bus takes the old one meanwhile), where the
# window finds it. HBUS is the bus afterwards.
hid_kernel_window_replug() {
    local check="hid-$m-kernel-window-replug" old=$HBUS away after back bus_came mark t0 t1 holder
    start_hid_window "$check" "/dev/i2c-$old" || return
    sleep 2

    # Unplugged: the bridge program ends and its device leaves the virtual host.
    mark=$(wc -l </tmp/gui.trace)
    unplug_bus "$HID_PID" "$old"
    sleep 2
    away=$(counts_while_away "$mark")

    # Plugged back on the same port: the driver binds and makes a new bus.
    mark=$(wc -l </tmp/gui.trace)
    t0=$(now)
    start_hid_bridge
    HBUS=
    tries=300
    while [ -z "$HBUS" ] && [ "$tries" -gt 0 ]; do
        HBUS=$(hid_bus "$busname") || usleep 100000
        tries=$((tries - 1))
    done
    t1=$(now)
    if [ -n "$HBUS" ] && wait_for_live "$mark" 20 "/dev/i2c-$HBUS"; then
        back=$(echo "$t1 $(now)" | awk '{printf "%.2f", $2 - $1}')
    else
        back=
    fi
    bus_came=$(echo "$t0 $t1" | awk '{printf "%.2f", $2 - $1}')
    sleep 2
    after=$(counts_after_replug "$mark" "/dev/i2c-$HBUS")
    kill -TERM "$GUI_PID" 2>/dev/null
    wait "$GUI_PID" 2>/dev/null
    rmmod i2c_stub
    note "  $m window on the kernel's bus: i2c-$old -> i2c-${HBUS:-none} (i2c-${holder:-none} took the old number); away (failed reads, opens, writes) $away; the bus came ${bus_came} s after the replug, live values ${back:-never} s after the bus; after (good reads, other opens, foreign writes) $after"
    if [ -n "$back" ] && [ "$HBUS" != "$old" ] &&
        echo "$away" | awk '{exit !($1 > 0 && $2 == 0 && $3 == 0)}' &&
        echo "$after" | awk '{exit !($1 > 0 && $2 == 0 && $3 == 0)}'; then
        pass "$check"
    else
        fail "$check" "bus $old -> ${HBUS:-none}, away '$away', after '$after', live again after '${back:-never}' s"
        note "  window log: $(head -c 600 /tmp/gui.log | tr '\n' '|')"
        note "  trace tail: $(tail -n 12 /tmp/gui.trace | tr '\n' '|')"
    fi
}

HID_MODELS="cp2112 mcp2221"
if [ -z "$CLI" ]; then
    for m in $HID_MODELS; do not_landed "hid-$m" "varenthal-cli is not built"; done
elif [ ! -f /rig/modules/hid-cp2112.order ] || [ ! -f /rig/modules/hid-mcp2221.order ]; then
    for m in $HID_MODELS; do not_landed "hid-$m" "the guest kernel lacks the bridge's driver"; done
elif ! present vhci-hcd || ! present usbhid || ! present hid-generic || ! present hid-cp2112 ||
    ! present hid-mcp2221; then
    fail hid-modules "usbhid, hid-generic, hid-cp2112 or hid-mcp2221 does not load"
else
    port=2
    for m in $HID_MODELS; do
        case $m in
            cp2112) vid=10C4 pid=EA90 busname=CP2112 label=cp2112_gpio serial=RIGCP2112 driver=cp2112 ;;
            mcp2221) vid=04D8 pid=00DD busname=MCP2221 label=mcp2221_gpio serial=RIGMCP2221 driver=mcp2221 ;;
        esac
        start_hid_bridge
        tries=300
        HBUS=
        while [ -z "$HBUS" ] && [ "$tries" -gt 0 ]; do
            HBUS=$(hid_bus "$busname") || usleep 100000
            tries=$((tries - 1))
        done
        if [ -z "$HBUS" ]; then
            fail "hid-$m-kernel-bind" "no i2c-dev bus of the $busname driver appeared; dmesg: $(dmesg | tail -n 5 | tr '\n' '|')"
            kill "$HID_PID" 2>/dev/null; wait "$HID_PID" 2>/dev/null
            port=$((port + 1))
            continue
        fi
        pass "hid-$m-kernel-bind"
        HPATH=$(usb_path_of "$HBUS")

        # Through the kernel's driver: listed, dumped as i2cdump dumps, programmed, verified.
        cli list
        grep -q "^i2c-$HBUS	.*	$HPATH\$" /tmp/out
        hid_check "hid-$m-kernel-list" $? "list gave '$(tr '\t\n' ' |' </tmp/out)'"
        if [ -z "$RIG_GUI" ]; then
            not_landed "hid-$m-kernel-window-replug" "the window program is not built"
        else
            hid_kernel_window_replug
            [ -n "$HBUS" ] || { kill "$HID_PID" 2>/dev/null; wait "$HID_PID" 2>/dev/null; port=$((port + 1)); continue; }
        fi
        cli --adapter "/dev/i2c-$HBUS" --json dump
        theirs=$(i2cdump_bytes "$HBUS")
        ours=$(cli_dump_bytes)
        [ "$RC" -eq 0 ] && [ -n "$ours" ] && [ "$ours" = "$theirs" ]
        hid_check "hid-$m-kernel-dump" $? "ours '$ours', i2cdump '$theirs'"
        chip=$(gpiochip_labelled "$label")
        cli --adapter "/dev/i2c-$HBUS" --pulse-gpio "$chip:2" --yes eeprom program /tmp/new.ee
        [ "$RC" -eq 0 ] && state_says 'program_register=00 voltage=off eeprom=4B1E298849' /tmp/hid.state
        hid_check "hid-$m-kernel-program" $? "chip '$chip', exit $RC, bridge: $(cat /tmp/hid.state)"
        cli --adapter "/dev/i2c-$HBUS" eeprom verify /tmp/new.ee
        hid_check "hid-$m-kernel-verify" "$RC" "exit $RC"

        # Timing of one byte: the tool through the kernel driver, and i2cget.
        t0=$(now)
        for i in 1 2 3 4 5 6 7 8 9 10; do "$CLI" --adapter "/dev/i2c-$HBUS" read 0A >/dev/null 2>&1; done
        t1=$(now)
        for i in 1 2 3 4 5 6 7 8 9 10; do $I2CGET -y "$HBUS" 0x20 0x0a >/dev/null 2>&1; done
        t2=$(now)

        # What the chip holds now, by i2cdump, for the dump through hidraw below.
        theirs=$(i2cdump_bytes "$HBUS")

        # The driver let go: the bridge on hid-generic, through hidraw.
        dev=$(hid_device_of "$vid" "$pid")
        echo "$dev" >"/sys/bus/hid/drivers/$driver/unbind" 2>/dev/null
        echo 1 >/sys/module/hid/parameters/ignore_special_drivers 2>/dev/null
        echo "$dev" >/sys/bus/hid/drivers/hid-generic/bind 2>/dev/null
        echo 0 >/sys/module/hid/parameters/ignore_special_drivers 2>/dev/null
        wait_while hid_bus "$busname"
        tries=50
        while ! ls /dev/hidraw* >/dev/null 2>&1 && [ "$tries" -gt 0 ]; do usleep 100000; tries=$((tries - 1)); done
        cli --adapter hid list
        grep -q "^hid:$serial	.*	$HPATH\$" /tmp/out
        hid_check "hid-$m-hidraw-list" $? "list gave '$(tr '\t\n' ' |' </tmp/out)', driver now $(readlink /sys/bus/hid/devices/$dev/driver)"
        cli --adapter "hid:$serial" --json dump
        ours=$(cli_dump_bytes)
        [ "$RC" -eq 0 ] && [ -n "$ours" ] && [ "$ours" = "$theirs" ]
        hid_check "hid-$m-hidraw-dump" $? "ours '$ours', i2cdump '$theirs'"
        cli --adapter "hid:$serial" --pulse-gpio hid:2 --yes eeprom program /tmp/other.ee
        [ "$RC" -eq 0 ] && state_says 'program_register=00 voltage=off eeprom=4C1E298849' /tmp/hid.state
        hid_check "hid-$m-hidraw-program" $? "exit $RC, bridge: $(cat /tmp/hid.state)"
        cli --adapter hid eeprom verify /tmp/other.ee
        hid_check "hid-$m-hidraw-verify" "$RC" "exit $RC"
        t3=$(now)
        for i in 1 2 3 4 5 6 7 8 9 10; do "$CLI" --adapter "hid:$serial" read 0A >/dev/null 2>&1; done
        t4=$(now)
        echo "$t0 $t1 $t2 $t3 $t4" | awk -v m="$m" '{printf "rig: TIMING %s one byte read (10 runs, per process): kernel driver %.1f ms, hid %.1f ms, i2cget %.1f ms\n",
            m, ($2 - $1) * 100, ($5 - $4) * 100, ($3 - $2) * 100}'
        if [ -z "$RIG_GUI" ]; then
            not_landed "hid-$m-window-replug" "the window program is not built"
        else
            hid_window_replug
        fi

        # However the bridge was last used (programmed, the window closed on it), the chip is
        # left disarmed and the voltage on the bridge's pin off.
        usleep 100000
        grep -Eq 'program_register=(00|none) voltage=off' /tmp/hid.state
        hid_check "hid-$m-safe-end" $? "bridge: $(cat /tmp/hid.state 2>/dev/null)"

        kill "$HID_PID" 2>/dev/null
        wait "$HID_PID" 2>/dev/null
        port=$((port + 1))
    done
fi

stop_bridge
finish
