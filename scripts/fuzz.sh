#!/bin/sh
# Builds the libFuzzer targets of the XML module, the tour loader and tourmake's
# plans (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in build-fuzz/ and
# runs each for SECONDS (default 300). Each target grows its
# own working corpus in build-fuzz/corpus/, seeded from tests/fuzz/corpus/. An
# input that crashes a target is kept in build-fuzz/crashes/ and fails the run;
# save it under tests/fuzz/regressions/ so the unit tests replay it.
set -eu
. "$(dirname "$0")/lib/build.sh"
cd "$root"
seconds=${1:-300}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOURVIEW_SANITIZE=ON -DTOURVIEW_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$jobs" --target xml_fuzz tour_fuzz plan_fuzz

sanitizer_env
mkdir -p build-fuzz/crashes
status=0
for target in xml tour plan; do
    dict=xml
    [ "$target" != plan ] || dict=plan
    corpus=$root/build-fuzz/corpus/$target
    mkdir -p "$corpus"
    echo "Fuzzing $target for $seconds s"
    # The loader's warnings would flood the log: the targets' own output is
    # closed, libFuzzer and the sanitizers still report. Paths are absolute
    # since the tour target works in a scratch directory.
    if ! build-fuzz/${target}_fuzz "$corpus" "$root/tests/fuzz/corpus/$target" \
        -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
        -dict="$root/tests/fuzz/$dict.dict" -close_fd_mask=3 -print_final_stats=1 \
        -artifact_prefix="$root/build-fuzz/crashes/$target-" 2>build-fuzz/$target.log; then
        status=1
        tail -n 60 build-fuzz/$target.log
        echo "$target: the fuzz target failed; its input is in build-fuzz/crashes/" >&2
    fi
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' build-fuzz/$target.log || true
done
exit $status
