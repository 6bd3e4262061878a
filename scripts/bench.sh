#!/bin/sh
# Builds the benchmarks with optimisation in build-bench/ and prints their
# table. Generated inputs are kept in build-bench/bench-data/ between runs.
# Extra arguments go to the benchmark program (for example
# --benchmark_filter=parse or --benchmark_repetitions=1).
set -eu
. "$(dirname "$0")/lib/build.sh"
cd "$root"

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTOURVIEW_BENCH=ON -DTOURVIEW_TESTS=OFF \
    >/dev/null
cmake --build build-bench -j "$jobs" >/dev/null
if command -v npm >/dev/null 2>&1 && { [ ! -f tests/web/node_modules/.package-lock.json ] ||
    [ tests/web/package-lock.json -nt tests/web/node_modules/.package-lock.json ]; }; then
    npm ci --prefix tests/web --no-audit --no-fund >/dev/null
fi
cd build-bench
./tourview_bench --bench_data=bench-data --benchmark_out=bench.json "$@"

# The page in headless Chromium on the demo tour exported by tourweb.
if command -v node >/dev/null 2>&1 && [ -x /usr/bin/chromium ]; then
    node ../bench/web/page_bench.js --tourweb ./tourweb --make-demo-tour ./make-demo-tour \
        --tourmake ./tourmake --data bench-data
else
    echo "bench: no node or no /usr/bin/chromium, so no page benchmark" >&2
fi
# touredit's editor page: the code it sends a browser.
if command -v node >/dev/null 2>&1; then
    node ../bench/web/edit_page_size.js
fi
# touredit's preview over HTTP on the demo's plan, against tourmake --web.
./edit_bench --touredit ./touredit --tourmake ./tourmake --make-demo-tour ./make-demo-tour \
    --data bench-data

# tourmake's photograph stage on real photographs: the wallpapers of Debian's
# mate-backgrounds (1.3 to 18 megapixels), fetched once.
photos=bench-data/mate-backgrounds
if [ ! -d "$photos" ]; then
    rm -rf bench-data/deb && mkdir -p bench-data/deb
    (cd bench-data/deb && apt-get download mate-backgrounds >/dev/null)
    dpkg -x bench-data/deb/mate-backgrounds_*.deb bench-data/deb/root
    mv bench-data/deb/root/usr/share/backgrounds "$photos"
    rm -rf bench-data/deb
fi
./photo_bench "$photos"

# The four views of a 360° photograph (the largest wallpaper stretched to 6000
# by 3000, made once into bench-data/) against ffmpeg's v360 filter.
./pano_bench "$photos" bench-data
