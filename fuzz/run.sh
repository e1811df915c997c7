#!/bin/sh
# fuzz/run.sh BUILD_DIR SECONDS -- runs each libFuzzer program of BUILD_DIR for SECONDS, one after the
# other, on a corpus seeded from DATA/, the test fixtures, fuzz/seeds and the kept inputs.
# Findings land in BUILD_DIR/findings/<target>/; the script fails when there is any. A finding, once
# fixed, is kept as fuzz/regressions/<target>/<name>, which the ordinary tests replay.
set -eu
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
status=0

seed() { # seed TARGET FILES...: copy the existing FILES into the target's corpus
    target=$1
    shift
    for f in "$@"; do
        [ -f "$f" ] && cp "$f" "$build/corpus/$target/" || true
    done
}

for target in mesh texcoords group bmp jpeg glyphs; do
    mkdir -p "$build/corpus/$target" "$build/findings/$target"
    case $target in
        mesh|texcoords|group)
            seed "$target" "$root"/DATA/*.ASC "$root"/tests/data/*.asc "$here"/seeds/asc/*
            maxlen=65536 ;;
        bmp)
            seed "$target" "$here"/seeds/bmp/*
            maxlen=4096 ;;
        jpeg)
            seed "$target" "$root"/DATA/*.JPG "$root"/DATA/*.jpg "$here"/seeds/jpeg/*
            maxlen=131072 ;;
        glyphs)
            seed "$target" "$here"/seeds/glyphs/*
            maxlen=16384 ;;
    esac
    seed "$target" "$here"/regressions/"$target"/*
    echo "fuzz: $target for $seconds s"
    if ! "$build/fuzz/fuzz_$target" "$build/corpus/$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2560 -max_len="$maxlen" -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target/" >"$build/findings/$target.log" 2>&1; then
        status=1
    fi
    tail -n 12 "$build/findings/$target.log" | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==|SUMMARY)' || true
    if [ -n "$(ls -A "$build/findings/$target")" ]; then
        echo "fuzz: $target found:" "$build"/findings/"$target"/*
        status=1
    fi
done
exit $status
