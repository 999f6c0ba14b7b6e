#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every check, cheapest
# first, stopping at the first that fails: the formatting of the sources, the
# QtTest suites headless, clang-tidy over src/, the end-to-end suite under Xvfb
# with a tray host and a notification server, and the suites once more built
# with AddressSanitizer and UndefinedBehaviorSanitizer. Prints how long each
# step took. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVO_BUILD_DIR:-$root/build}
sanitized=${TAVO_SANITIZE_BUILD_DIR:-$build-sanitize}
jobs=$(nproc)
export TAVO_E2E_OUT=${TAVO_E2E_OUT:-$build/e2e-out}

timings=()
finish() {
    local status=$?
    echo
    echo "== step times"
    printf '%s\n' "${timings[@]}"
    exit "$status"
}
trap finish EXIT

# step NAME FUNCTION: runs it and notes its time, failed or not.
step() {
    local name=$1 start=$SECONDS status=0
    echo
    echo "== $name"
    "$2" || status=$?
    timings+=("$(printf '%-12s %5d s%s' "$name" $((SECONDS - start)) "$([ "$status" = 0 ] || echo '  FAILED')")")
    return "$status"
}

dependencies() {
    "$root/scripts/install-deps.sh"
}

format() {
    find "$root/src" "$root/tests" "$root/bench" "$root/fuzz" "$root/resources" \
        \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run --Werror
}

build() {
    "$root/scripts/build.sh"
}

suites() {
    ctest --test-dir "$build" --label-exclude e2e --output-on-failure --timeout 900
}

tidy() {
    # Uses the build's compile_commands.json; checks and filter from .clang-tidy.
    find "$root/src" -name '*.cpp' -print0 |
        xargs -0 -P "$jobs" -n 4 clang-tidy -p "$build" --quiet 2>&1 |
        sed '/^[0-9]* warnings\? generated\.$/d'
}

e2e() {
    ctest --test-dir "$build" --label-regex e2e --output-on-failure --timeout 900
}

sanitizers() {
    cmake -S "$root" -B "$sanitized" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
        -DTAVO_SANITIZE=ON -DTAVO_BUILD_BENCHMARKS=OFF >/dev/null &&
        cmake --build "$sanitized" -j"$jobs" &&
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
            LSAN_OPTIONS=suppressions="$root/tests/leak-suppressions.txt" \
            ctest --test-dir "$sanitized" --label-exclude e2e --exclude-regex layer_check \
            --output-on-failure --timeout 900
}

step dependencies dependencies
step format format
step build build
step suites suites
step clang-tidy tidy
step e2e e2e
step sanitizers sanitizers
