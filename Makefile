# Thin wrapper over CMake: the README's commands. Each asks scripts/deps.sh
# for its own group of packages only.
.PHONY: all build install package demo test check check-release fuzz bench check-debian13 deps \
	clean

PREFIX ?= /usr/local
JOBS := $(shell nproc 2>/dev/null || echo 2)
WEB := tests/web

all: build

build:
	@scripts/deps.sh build
	cmake -S . -B build
	cmake --build build -j $(JOBS)

install: build
	DESTDIR="$(DESTDIR)" cmake --install build --prefix "$(PREFIX)"

# A Debian package of an optimised build, in build-package/.
package:
	@scripts/deps.sh build
	cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DTOURVIEW_TESTS=OFF
	cmake --build build-package -j $(JOBS) --target package

demo:
	@scripts/deps.sh build
	scripts/demo.sh

# Lint, both builds and every test: the loop before a commit.
test:
	@scripts/deps.sh test
	scripts/test.sh

# The quick loop: rebuilds build/ and runs its tests (TESTS=PATTERN: only those), nothing else.
check:
	cmake -S . -B build >/dev/null
	cmake --build build -j $(JOBS)
	@if [ -f $(WEB)/package-lock.json ] && \
	    [ ! $(WEB)/node_modules/.package-lock.json -nt $(WEB)/package-lock.json ]; then \
	    npm ci --prefix $(WEB) --no-audit --no-fund; fi
	cd build && ctest --output-on-failure -j $(JOBS) $(if $(TESTS),-R '$(TESTS)')

# make test and the release gate; CI runs this.
check-release:
	@scripts/deps.sh release
	scripts/check-release.sh

fuzz:
	@scripts/deps.sh release
	scripts/fuzz.sh $(FUZZ_SECONDS)

bench:
	@scripts/deps.sh bench
	scripts/bench.sh

check-debian13:
	@scripts/deps.sh release
	scripts/check-debian13.sh

# Every group's packages.
deps:
	@scripts/deps.sh build test bench release

clean:
	rm -rf build build-asan build-fuzz build-bench build-package
