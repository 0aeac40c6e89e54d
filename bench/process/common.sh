# Shared by the whole-process benchmarks in this folder (sourced, not run): where things are,
# a private HOME, fresh folders, timing and medians.
#
# Environment: FILVANE_BUILD (default build/ in the repository), FILVANE_ANCHORS (default
# ../shared/bench-anchors beside the repository), RUNS (rounds, default 7), PLACES (default
# "/dev/shm /var/tmp": tmpfs and disk).
set -euo pipefail
export LC_ALL=C # byte order for globs and sort, "." in EPOCHREALTIME

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${FILVANE_BUILD:-$repo/build}
anchors=${FILVANE_ANCHORS:-$repo/../shared/bench-anchors}
runs=${RUNS:-7}
read -r -a places <<<"${PLACES:-/dev/shm /var/tmp}"

work=$(mktemp -d /tmp/filvane-process-bench.XXXXXX)
folder=
cleanup() {
    [ -n "$folder" ] && rm -rf "$folder"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Nothing a program under test might remember (settings, run journals) lands in a real home.
export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export XDG_STATE_HOME=$HOME/.local/state XDG_CACHE_HOME=$HOME/.cache
export XDG_RUNTIME_DIR=$HOME/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"

need_program() {
    if [ ! -x "$1" ]; then
        echo "missing $1: build it first (cmake --build build --target $(basename "$1"))" >&2
        exit 1
    fi
}

# Builds the plain C anchors into the work folder; false, with a message, when they are absent.
have_anchors=false
build_anchors() {
    if [ ! -f "$anchors/clist.c" ] || [ ! -f "$anchors/cren.c" ] || [ ! -f "$anchors/mkfiles.c" ]; then
        echo "no C anchors in $anchors (set FILVANE_ANCHORS): the comparisons with them are skipped"
        return 1
    fi
    local anchor
    for anchor in clist cren mkfiles; do
        cc -O2 -o "$work/$anchor" "$anchors/$anchor.c"
    done
    have_anchors=true
}

# Makes $folder afresh under $1 (and removes the one before): a new folder every time, as a
# folder that has been renamed once is not the same work.
fresh_folder() {
    drop_folder
    folder=$(mktemp -d -p "$1" filvane-process.XXXXXX)
}
drop_folder() {
    if [ -n "$folder" ]; then
        rm -rf "$folder"
        folder=
    fi
}

# N files "track XXXXXXXX.mp3" in $folder, created in shuffled order: by the anchors' mkfiles
# when they are there, else the same names by perl.
make_tracks() {
    if $have_anchors; then
        "$work/mkfiles" "$folder" "$1"
    else
        perl -e 'use List::Util "shuffle"; srand 12345;
            for my $i (shuffle 0 .. $ARGV[1] - 1) {
                my $name = sprintf "%s/track %08x.mp3", $ARGV[0], ($i * 2654435761) % 4294967296;
                open my $f, ">", $name or die "$name: $!";
            }' "$folder" "$1"
    fi
}

# N more files "track XXXXXXXX.txt" in $folder, which a "*.mp3" mask does not list.
make_others() {
    perl -e 'for my $i (0 .. $ARGV[1] - 1) {
            my $name = sprintf "%s/track %08x.txt", $ARGV[0], ($i * 2246822519) % 4294967296;
            open my $f, ">", $name or die "$name: $!";
        }' "$folder" "$1"
}

# The folder's metadata written out before a timed run, so no run pays for the one before.
settle() {
    sync -f "$folder"
}

# Runs a command with its output in $work/out and $work/err and sets elapsed_ms to its wall
# time, process start included; returns the command's status.
elapsed_ms=0
timed() {
    local start=$EPOCHREALTIME status=0
    "$@" </dev/null >"$work/out" 2>"$work/err" || status=$?
    local end=$EPOCHREALTIME
    local us=$((${end/./} - ${start/./}))
    elapsed_ms=$(printf '%d.%03d' $((us / 1000)) $((us % 1000)))
    return $status
}

median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 }
        END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# "1.23x" for $1 against $2, and whether that meets the target ratio $3.
ratio_against() {
    awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN {
        r = a / b; printf "%5.2fx  target <= %sx: %s", r, t, (r <= t ? "met" : "MISSED") }'
}

# The files of $folder whose names start with a number and " - ".
count_numbered() {
    find "$folder" -maxdepth 1 -type f -name '[0-9]* - *' | wc -l
}

# True when $folder holds $1 files, every one "N - NAME" with N the place of NAME among the old
# names sorted by bytes: each file got its own number, and none was lost.
check_numbered() {
    find "$folder" -maxdepth 1 -type f -printf '%f\n' |
        awk -v OFS='\t' '{ n = "x" } /^[0-9]+ - / { n = $1; sub(/^[0-9]+ - /, "") } { print $0, n }' |
        sort -t $'\t' -k1,1 |
        awk -F '\t' -v want="$1" '$2 !~ /^[0-9]+$/ || $2 + 0 != NR { bad++ }
            END { exit !(bad == 0 && NR == want) }'
}
