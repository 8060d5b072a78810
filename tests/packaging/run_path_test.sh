#!/bin/sh
# The programs must never load a library from the folder they are started in. An empty
# entry in an ELF run path means exactly that, so none may have one: neither the programs
# in the build tree (the README runs them from there) nor the installed ones.
# Usage: run_path_test.sh BUILD_DIR PROGRAM...
set -u
build=$1
shift
failed=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

check() {
    paths=$(readelf -d "$1" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p')
    case ":$paths:" in
    *::*)
        [ -z "$paths" ] && return
        echo "FAIL: $1 has an empty run path entry: [$paths]"
        failed=1 ;;
    esac
    # A program started in a folder holding a broken copy of a library it links still runs.
    for lib in $(readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        : >"$tmp/$lib"
    done
    if ! (cd "$tmp" && "$1" --version >/dev/null 2>&1); then
        echo "FAIL: $1 does not start in a folder with broken copies of its libraries"
        failed=1
    fi
    rm -f "$tmp"/*.so*
}

for program in "$@"; do check "$program"; done
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null || { echo "FAIL: install"; exit 1; }
for program in "$tmp"/prefix/bin/*; do check "$program"; done
exit $failed
