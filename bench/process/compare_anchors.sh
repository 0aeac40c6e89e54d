#!/usr/bin/env bash
# Whole processes of the program's core against the plain C anchors (clist, cren), on tmpfs and
# on disk, a fresh folder for every run, the sides taking turns (the first side changes every
# round), medians printed beside the anchor's with their ratio:
# - list + sort of the 65,535 "*.mp3" files of a folder of 131,070: filvane_core_list (a
#   session's read, as the window's Read) against clist -q; target at most 1.25x;
# - list + sort + rename of 65,535 files to "NN - NAME": filvane-rename with a names file that
#   holds each file's own name (the same targets as cren's "NNNNN - NAME", so the closest work)
#   against cren; target at most 1.15x. filvane-rename --numbers-only is printed beside them.
#   bench/process/compare_anchors.sh            (see common.sh for the environment it reads)
. "$(dirname "$0")/common.sh"

files=65535
build_anchors || exit 0
core_list=$build/bench/filvane_core_list
renamer=$build/src/cli/filvane-rename
need_program "$core_list"
need_program "$renamer"

# The new names for the rename: every file's own name less ".mp3", in byte order, which is the
# order every side lists in. mkfiles always makes the same names.
fresh_folder /tmp
make_tracks $files
"$work/clist" "$folder" '*.mp3' | sed 's/\.mp3$//' >"$work/names.txt"
drop_folder

failures=0
fail() {
    echo "  $1 FAILED: $(head -c 300 "$work/err")" >&2
    failures=$((failures + 1))
}

list_side() { # clist | core
    fresh_folder "$place"
    make_tracks $files
    make_others $files
    settle
    local status=0
    case $1 in
    clist) timed "$work/clist" "$folder" '*.mp3' -q || status=$? ;;
    core) timed "$core_list" "$folder" '*.mp3' || status=$? ;;
    esac
    if [ $status -ne 0 ] || [ "$(cat "$work/out")" != $files ]; then
        fail "$1 (listed $(cat "$work/out"))"
    else
        eval "ms_$1+=($elapsed_ms)"
    fi
    drop_folder
}

rename_side() { # cren | named | numbers
    fresh_folder "$place"
    make_tracks $files
    settle
    local status=0
    case $1 in
    cren) timed "$work/cren" "$folder" '*.mp3' || status=$? ;;
    named) timed "$renamer" "$folder" --mask '*.mp3' --names "$work/names.txt" || status=$? ;;
    numbers) timed "$renamer" "$folder" --mask '*.mp3' --numbers-only || status=$? ;;
    esac
    local ok=true
    if [ $1 = numbers ]; then
        [ "$(find "$folder" -maxdepth 1 -type f -name '[0-9]*.mp3' | wc -l)" = $files ] || ok=false
    else
        check_numbered $files || ok=false
    fi
    if [ $status -ne 0 ] || ! $ok; then
        fail "$1 (status $status)"
    else
        eval "ms_$1+=($elapsed_ms)"
    fi
    drop_folder
}

echo "Whole processes against the C anchors, median of $runs rounds, a fresh folder for every run"
for place in "${places[@]}"; do
    ms_clist=() ms_core=() ms_cren=() ms_named=() ms_numbers=()
    for ((round = 0; round < runs; round++)); do
        if ((round % 2)); then list_side core; list_side clist; else list_side clist; list_side core; fi
        case $((round % 3)) in
        0) order="cren named numbers" ;;
        1) order="named numbers cren" ;;
        2) order="numbers cren named" ;;
        esac
        for side in $order; do rename_side $side; done
    done
    [ ${#ms_clist[@]} -gt 0 ] && [ ${#ms_core[@]} -gt 0 ] && [ ${#ms_cren[@]} -gt 0 ] &&
        [ ${#ms_named[@]} -gt 0 ] && [ ${#ms_numbers[@]} -gt 0 ] || { echo "$place: no figures"; continue; }
    clist=$(median "${ms_clist[@]}") core=$(median "${ms_core[@]}")
    cren=$(median "${ms_cren[@]}") named=$(median "${ms_named[@]}")
    numbers=$(median "${ms_numbers[@]}")
    echo "$place ($(stat -f -c %T "$place"))"
    echo "  list + sort, $files of $((2 * files)) files"
    printf '    %-42s %9.1f ms\n' "clist DIR '*.mp3' -q (anchor)" "$clist"
    printf '    %-42s %9.1f ms  %s\n' "filvane_core_list DIR '*.mp3'" "$core" \
        "$(ratio_against "$core" "$clist" 1.25)"
    echo "  list + sort + rename to \"NN - NAME\", $files files"
    printf '    %-42s %9.1f ms\n' "cren DIR '*.mp3' (anchor)" "$cren"
    printf '    %-42s %9.1f ms  %s\n' "filvane-rename DIR --names FILE" "$named" \
        "$(ratio_against "$named" "$cren" 1.15)"
    printf '    %-42s %9.1f ms  %5.2fx  (shorter names \"NN.mp3\", no names file)\n' \
        "filvane-rename DIR --numbers-only" "$numbers" "$(awk -v a="$numbers" -v b="$cren" 'BEGIN { print a / b }')"
done
[ $failures -eq 0 ] || { echo "$failures runs failed" >&2; exit 1; }
