#!/bin/sh
# Runs the Linux adapter path against a real kernel I2C, USB and GPIO stack: fetches a Debian
# kernel and the guest tools, builds the GPIO simulator modules that kernel lacks, packs our
# programs into an initramfs, boots it under QEMU (software emulation) and reads the guest's
# summary line.
#
#   run_rig.sh --cache DIR --bridge FILE [--cli FILE] [--gui FILE] [--timeout SECONDS] [--rounds N]
#
# --gui: the window program; it runs in the guest on Qt's offscreen platform.
# --rounds: how many dumps each of varenthal-cli and i2cdump run for the timing (100).
#
# Exit codes: 0 every check that ran passed; 1 a check failed or the guest did not finish;
# 77 the host cannot run the rig (the reason is printed). Downloads and module builds are kept
# in the cache directory, so a second run only packs and boots.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
cache=
bridge=
cli=
gui=
boot_timeout=600
rounds=100

while [ $# -gt 0 ]; do
    case $1 in
        --cache) cache=$2; shift 2 ;;
        --bridge) bridge=$2; shift 2 ;;
        --cli) cli=$2; shift 2 ;;
        --gui) gui=$2; shift 2 ;;
        --timeout) boot_timeout=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        *) echo "run_rig.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
[ -n "$cache" ] && [ -n "$bridge" ] || { echo "usage: run_rig.sh --cache DIR --bridge FILE [--cli FILE]" >&2; exit 2; }

say() { echo "kernel rig: $*"; }
skip() { say "SKIPPED: $*"; exit 77; }
die() { say "FAILED: $*"; exit 1; }

# --- What the host needs -------------------------------------------------------------------
for tool in qemu-system-x86_64 cpio dpkg-deb apt-get apt-cache make gcc-12 xz ldd timeout strip; do
    command -v "$tool" >/dev/null 2>&1 ||
        skip "'$tool' is not installed (./scripts/setup --tests installs what the rig needs)"
done
[ "$(uname -m)" = x86_64 ] || skip "the guest is an amd64 kernel; this host is $(uname -m)"
[ -x "$bridge" ] || die "bridge program $bridge is missing"

# The kernel that linux-image-amd64 depends on now, e.g. linux-image-6.1.0-57-amd64.
image_pkg=$(apt-cache depends linux-image-amd64 2>/dev/null |
    sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*-amd64\)$/\1/p' | head -n 1)
[ -n "$image_pkg" ] ||
    skip "apt-cache knows no linux-image-amd64 (no package lists: run apt-get update)"
abi=${image_pkg#linux-image-}                 # 6.1.0-57-amd64
image_version=$(apt-cache policy "$image_pkg" 2>/dev/null | sed -n 's/^ *Candidate: //p' | head -n 1)
case $image_version in ''|'(none)') skip "apt-cache has no candidate version of $image_pkg" ;; esac
series=$(echo "$abi" | sed 's/^\([0-9]*\.[0-9]*\).*/\1/')   # 6.1
flavourless=${abi%-amd64}                     # 6.1.0-57
say "guest kernel $abi ($image_version)"

mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
debs=$cache/debs
work=$cache/$abi
mkdir -p "$debs" "$work"

# --- Downloads -----------------------------------------------------------------------------
# apt-get download writes into the current directory; a package already there is not fetched
# again. A download that fails is the network's fault, not ours: the rig is skipped.
fetch() {
    missing=
    for package in "$@"; do
        name=${package%%=*}
        ls "$debs/${name}_"*.deb >/dev/null 2>&1 || missing="$missing $package"
    done
    [ -z "$missing" ] && return 0
    say "downloading$missing"
    # shellcheck disable=SC2086
    (cd "$debs" && apt-get download -q -o APT::Sandbox::User=root $missing) >"$work/download.log" 2>&1 ||
        { cat "$work/download.log"; skip "cannot download$missing from Debian's mirrors"; }
}

deb_of() { ls "$debs/${1}_"*.deb | head -n 1; }

fetch "$image_pkg=$image_version" busybox-static i2c-tools libi2c0 gpiod libgpiod2

# --- The guest kernel and the modules it carries ---------------------------------------------
kernel=$work/vmlinuz
kmods=$work/kernel-modules
if [ ! -s "$kernel" ] || [ ! -d "$kmods" ]; then
    say "unpacking $image_pkg"
    rm -rf "$work/image" "$kmods"
    dpkg-deb -x "$(deb_of "$image_pkg")" "$work/image"
    cp "$work/image/boot/vmlinuz-$abi" "$kernel.new"
    mv "$work/image/lib/modules/$abi/kernel" "$kmods"
    rm -rf "$work/image"
    mv "$kernel.new" "$kernel"
fi

# --- gpio-sim and irq_sim, built against the matching headers -------------------------------
# The Debian kernel lacks the GPIO simulator. Its source comes from the matching
# linux-source package at test time; only three files of it are taken.
simmods=$work/sim-modules
if [ ! -s "$simmods/gpio-sim.ko" ] || [ ! -s "$simmods/irq_sim.ko" ]; then
    fetch "linux-headers-$abi=$image_version" "linux-headers-$flavourless-common=$image_version" \
        "linux-kbuild-$series=$image_version" "linux-source-$series=$image_version"
    headers=$work/headers
    rm -rf "$headers" "$work/modbuild"
    for pkg in "linux-headers-$abi" "linux-headers-$flavourless-common" "linux-kbuild-$series"; do
        dpkg-deb -x "$(deb_of "$pkg")" "$headers"
    done
    # The flavour's Makefile includes the common one by its installed path.
    echo "include $headers/usr/src/linux-headers-$flavourless-common/Makefile" \
        >"$headers/usr/src/linux-headers-$abi/Makefile"

    say "taking gpio-sim and irq_sim from linux-source-$series"
    mkdir -p "$work/modbuild"
    dpkg-deb --fsys-tarfile "$(deb_of "linux-source-$series")" |
        tar -xO "./usr/src/linux-source-$series.tar.xz" |
        tar -xJ -C "$work/modbuild" --strip-components=3 \
            "linux-source-$series/drivers/gpio/gpio-sim.c" \
            "linux-source-$series/drivers/gpio/gpiolib.h" \
            "linux-source-$series/kernel/irq/irq_sim.c"
    # irq_to_desc is not exported to modules; generic_handle_irq does the same for a
    # simulated interrupt. A module needs its licence stated.
    sed -i 's/handle_simple_irq(irq_to_desc(\([a-z_]*\)))/generic_handle_irq(\1)/' \
        "$work/modbuild/irq_sim.c"
    grep -q 'generic_handle_irq(' "$work/modbuild/irq_sim.c" ||
        skip "irq_sim.c of linux-source-$series no longer has the irq_to_desc call the rig replaces"
    printf '\n#include <linux/module.h>\nMODULE_LICENSE("GPL");\n' >>"$work/modbuild/irq_sim.c"
    cp "$here/modules/Kbuild" "$work/modbuild/Kbuild"

    say "building gpio-sim and irq_sim"
    make -C "$headers/usr/src/linux-headers-$abi" M="$work/modbuild" modules -j2 \
        >"$work/modbuild.log" 2>&1 || {
        tail -n 30 "$work/modbuild.log"
        skip "gpio-sim does not build against linux-headers-$abi (see the log above)"
    }
    mkdir -p "$simmods.new"
    cp "$work/modbuild/gpio-sim.ko" "$work/modbuild/irq_sim.ko" "$simmods.new/"
    rm -rf "$simmods" "$headers" "$work/modbuild"
    mv "$simmods.new" "$simmods"
    # The source package is large and no longer needed.
    rm -f "$debs/linux-source-$series"_*.deb
fi

# --- The initramfs ---------------------------------------------------------------------------
root=$work/initramfs
rm -rf "$root" "$work/guestpkgs"
mkdir -p "$root/bin" "$root/sbin" "$root/usr/bin" "$root/usr/sbin" "$root/lib/x86_64-linux-gnu" \
    "$root/lib64" "$root/rig/modules" "$root/proc" "$root/sys" "$root/dev" "$root/tmp" \
    "$root/etc" "$root/run"
for pkg in busybox-static i2c-tools libi2c0 gpiod libgpiod2; do
    dpkg-deb -x "$(deb_of "$pkg")" "$work/guestpkgs"
done
guestlibs=$work/guestpkgs/usr/lib/x86_64-linux-gnu
cp "$work/guestpkgs/bin/busybox" "$root/bin/busybox"
ln -s busybox "$root/bin/sh"
for tool in i2cdetect i2cdump i2cget i2cset i2ctransfer; do
    cp "$work/guestpkgs/usr/sbin/$tool" "$root/usr/sbin/"
done
for tool in gpiodetect gpioinfo gpioget gpioset; do
    cp "$work/guestpkgs/usr/bin/$tool" "$root/usr/bin/"
done
cp "$bridge" "$root/rig/varenthal-rig-bridge"
if [ -n "$cli" ] && [ -x "$cli" ]; then
    cp "$cli" "$root/usr/bin/varenthal-cli"
fi
# The window program with the Qt platform plugin it needs without a display, at the path Qt
# looks in by default.
qt_platforms=
if [ -n "$gui" ] && [ ! -x "$gui" ]; then
    say "the window program $gui is not built: the window checks will not run"
fi
if [ -n "$gui" ] && [ -x "$gui" ]; then
    qt_plugins=$(qtpaths6 --plugin-dir 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
    if [ -e "$qt_plugins/platforms/libqoffscreen.so" ]; then
        cp "$gui" "$root/usr/bin/varenthal"
        qt_platforms=$root$qt_plugins/platforms
        mkdir -p "$qt_platforms"
        cp "$qt_plugins/platforms/libqoffscreen.so" "$qt_platforms/"
    else
        say "no Qt offscreen platform plugin in $qt_plugins: the window checks will not run"
    fi
fi

# Shared libraries of every dynamic program, as the host resolves them: the guest packages'
# own first, then the host's (Debian 12 too, so the C library is the same).
# Our programs without their debug information, as the package installs them.
for program in "$root/usr/bin/varenthal-cli" "$root/usr/bin/varenthal"; do
    [ -e "$program" ] && strip --strip-debug "$program"
done
for elf in "$root"/usr/sbin/* "$root"/usr/bin/* "$root"/rig/varenthal-rig-bridge ${qt_platforms:+"$qt_platforms"/*}; do
    LD_LIBRARY_PATH=$guestlibs ldd "$elf" 2>/dev/null | awk '/=> \//{print $3} /^\t\/lib64/{print $1}'
done | sort -u | while read -r lib; do
    case $lib in
        /lib64/*) cp -L "$lib" "$root/lib64/" ;;
        *) cp -L "$lib" "$root/lib/x86_64-linux-gnu/" ;;
    esac
done
[ -e "$root/lib64/ld-linux-x86-64.so.2" ] || cp -L /lib64/ld-linux-x86-64.so.2 "$root/lib64/"

# Kernel modules with what each needs, in load order: rig/modules/NAME.order lists the
# files to insmod for NAME. Dependencies are read from each module's own modinfo.
find "$simmods" "$kmods" -name '*.ko' >"$work/modules.list"
modfile() {  # module names treat - and _ alike
    grep -E "/($(echo "$1" | tr _ -)|$(echo "$1" | tr - _))\.ko\$" "$work/modules.list" | head -n 1
}
resolve() {  # prints the files of module $1, dependencies first; "missing NAME" if absent
    local file dep
    file=$(modfile "$1")
    if [ -z "$file" ]; then
        echo "missing $1"
        return
    fi
    for dep in $(grep -a -o -m 1 'depends=[A-Za-z0-9_,-]*' "$file" | sed 's/^depends=//' | tr , ' '); do
        resolve "$dep"
    done
    echo "$file"
}
for module in i2c-dev i2c-stub configfs dummy_hcd gadgetfs i2c-tiny-usb irq_sim gpio-sim vhci-hcd; do
    resolve "$module" | awk '!seen[$0]++' >"$work/order"
    if grep '^missing ' "$work/order"; then skip "$image_pkg lacks a module the rig needs"; fi
    while read -r file; do
        cp "$file" "$root/rig/modules/"
        basename "$file"
    done <"$work/order" >"$root/rig/modules/$module.order"
done

# The HID bridges' drivers, where the kernel has them; the guest says so when it has not.
for module in usbhid hid-generic hid-cp2112 hid-mcp2221; do
    resolve "$module" | awk '!seen[$0]++' >"$work/order"
    grep -q '^missing ' "$work/order" && { say "$image_pkg lacks $module"; continue; }
    while read -r file; do
        cp "$file" "$root/rig/modules/"
        basename "$file"
    done <"$work/order" >"$root/rig/modules/$module.order"
done

cp "$here/guest/init.sh" "$root/init"
chmod 755 "$root/init"
{
    echo "# written by run_rig.sh"
    [ -x "$root/usr/bin/varenthal-cli" ] && echo "RIG_CLI=/usr/bin/varenthal-cli" || echo "RIG_CLI="
    echo "RIG_ROUNDS=$rounds"
    [ -x "$root/usr/bin/varenthal" ] && echo "RIG_GUI=/usr/bin/varenthal" || echo "RIG_GUI="
} >"$root/rig/rig.conf"
echo "root:x:0:0:root:/:/bin/sh" >"$root/etc/passwd"
echo "user:x:1000:1000:user:/tmp:/bin/sh" >>"$root/etc/passwd"
echo "root:x:0:" >"$root/etc/group"
echo "user:x:1000:" >>"$root/etc/group"

(cd "$root" && find . | cpio -o -H newc --quiet) >"$work/initramfs.cpio"
say "initramfs $(du -k "$work/initramfs.cpio" | cut -f1) KiB"

# --- Boot --------------------------------------------------------------------------------------
# USB autosuspend is off: an idle bridge put to sleep between two commands comes back as a
# new device, as a real one may, but the checks want the bus to stay put.
console=$work/console.log
say "booting (qemu, software emulation, at most ${boot_timeout}s)"
start=$(date +%s)
set +e
timeout "$boot_timeout" qemu-system-x86_64 -M pc -accel tcg -m 1024 -smp 1 -nographic -no-reboot \
    -kernel "$kernel" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS0 panic=-1 rdinit=/init quiet loglevel=4 usbcore.autosuspend=-1" \
    </dev/null >"$console" 2>&1
qemu_rc=$?
set -e
elapsed=$(($(date +%s) - start))
tr -d '\r' <"$console" >"$console.txt"

# The guest's own lines carry the "rig:" prefix.
grep -E '^(rig:|RIG )' "$console.txt" || true
summary=$(sed -n 's/^RIG SUMMARY: //p' "$console.txt" | tail -n 1)
if [ -z "$summary" ]; then
    echo "----- last lines of the guest console -----"
    tail -n 60 "$console.txt"
    [ "$qemu_rc" -eq 124 ] && die "the guest did not finish within ${boot_timeout}s"
    die "the guest ended without a summary line (qemu exit code $qemu_rc)"
fi
say "$summary (guest ran ${elapsed}s)"
failed=$(echo "$summary" | sed -n 's/.* \([0-9][0-9]*\) failed.*/\1/p')
if [ "${failed:-1}" -ne 0 ]; then
    echo "----- the guest's logs (whole console: $console.txt) -----"
    sed -n '/^----- bridge log -----$/,$p' "$console.txt"
    exit 1
fi
exit 0
