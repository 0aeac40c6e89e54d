#!/usr/bin/env bash
# filvane-rename renaming 65,535 files to "NN - NAME" from a names file, process start
# included, against a plain C loop doing the same (prefix_loop.c: list, sort, read the names,
# renameat2 with RENAME_NOREPLACE) and against the scriptable peers doing the same prefixing as
# closely as each can:
# - perl rename (file-rename) over the folder's "*.mp3" listed by the shell, each file renamed
#   to its number and its line of the names file, by an expression;
# - mmv -r, which cannot count: every file gets the fixed prefix "00 - ".
# Both peers look for an existing target before each rename rather than refuse it atomically.
# Targets: at most 1.15x the C loop, and faster than each peer. A fresh folder for every run,
# the sides taking turns, on tmpfs and on disk; medians.
#   bench/process/bench_filvane_rename.sh       (see common.sh for the environment it reads)
. "$(dirname "$0")/common.sh"

files=65535
build_anchors || true # only for mkfiles; without it the folders are made by perl
renamer=$build/src/cli/filvane-rename
loop=$build/bench/filvane_prefix_loop
need_program "$renamer"
need_program "$loop"
perl_rename=$(command -v file-rename || command -v rename || true)
mmv=$(command -v mmv || true)
sides="loop filvane"
[ -n "$perl_rename" ] && sides+=" perl" || echo "no perl rename (Debian package rename): skipped"
[ -n "$mmv" ] && sides+=" mmv" || echo "no mmv (Debian package mmv): skipped"
read -r -a sides <<<"$sides"

# The names: every file's own name less ".mp3", in byte order, so the targets are "NN - NAME".
fresh_folder /tmp
make_tracks $files
find "$folder" -maxdepth 1 -type f -name '*.mp3' -printf '%f\n' | sed 's/\.mp3$//' | sort >"$work/names.txt"
drop_folder
export FILVANE_NAMES=$work/names.txt

perl_expression='BEGIN { open my $f, "<", $ENV{FILVANE_NAMES} or die "$ENV{FILVANE_NAMES}: $!";
    chomp(@::names = <$f>) }
my ($extension) = /(\.[^.]*)\z/;
$_ = sprintf "%02d - %s%s", $::row + 1, $::names[$::row++], $extension // ""'

failures=0
run_side() {
    fresh_folder "$place"
    make_tracks $files
    settle
    local status=0 ok=true
    case $1 in
    loop) timed "$loop" "$folder" '*.mp3' "$work/names.txt" || status=$? ;;
    filvane) timed "$renamer" "$folder" --mask '*.mp3' --names "$work/names.txt" || status=$? ;;
    perl) timed env -C "$folder" bash -c 'shopt -s nocaseglob; printf "%s\n" *.mp3 | "$0" "$1"' \
        "$perl_rename" "$perl_expression" || status=$? ;;
    mmv) timed env -C "$folder" "$mmv" -r 'track *.mp3' '00 - track #1.mp3' || status=$? ;;
    esac
    if [ $1 = mmv ]; then
        [ "$(count_numbered)" = $files ] || ok=false
    else
        check_numbered $files || ok=false
    fi
    if [ $status -ne 0 ] || ! $ok; then
        echo "  $1 FAILED (status $status): $(head -c 300 "$work/err")" >&2
        failures=$((failures + 1))
    else
        eval "ms_$1+=($elapsed_ms)"
    fi
    drop_folder
}

echo "$files files renamed to \"NN - NAME\" from a names file, whole processes, median of $runs" \
    "rounds, a fresh folder for every run"
for place in "${places[@]}"; do
    ms_loop=() ms_filvane=() ms_perl=() ms_mmv=()
    for ((round = 0; round < runs; round++)); do
        for ((i = 0; i < ${#sides[@]}; i++)); do
            run_side "${sides[(round + i) % ${#sides[@]}]}"
        done
    done
    if [ ${#ms_loop[@]} -eq 0 ] || [ ${#ms_filvane[@]} -eq 0 ]; then
        echo "$place: no figures"
        continue
    fi
    loop_ms=$(median "${ms_loop[@]}") filvane_ms=$(median "${ms_filvane[@]}")
    echo "$place ($(stat -f -c %T "$place"))"
    printf '  %-50s %9.1f ms\n' "C loop, renameat2(RENAME_NOREPLACE) (floor)" "$loop_ms"
    printf '  %-50s %9.1f ms  %s\n' "filvane-rename DIR --names FILE" "$filvane_ms" \
        "$(ratio_against "$filvane_ms" "$loop_ms" 1.15)"
    for peer in perl mmv; do
        eval "samples=(\"\${ms_$peer[@]}\")"
        [ ${#samples[@]} -gt 0 ] || continue
        peer_ms=$(median "${samples[@]}")
        case $peer in
        perl) label="perl rename, shell glob, names file" ;;
        mmv) label="mmv -r, fixed prefix \"00 - \" (cannot number)" ;;
        esac
        printf '  %-50s %9.1f ms  %5.2fx the C loop; filvane-rename faster: %s\n' "$label" \
            "$peer_ms" "$(awk -v a="$peer_ms" -v b="$loop_ms" 'BEGIN { print a / b }')" \
            "$(awk -v f="$filvane_ms" -v p="$peer_ms" 'BEGIN { print (f < p ? "yes" : "NO") }')"
    done
done
[ $failures -eq 0 ] || { echo "$failures runs failed" >&2; exit 1; }
