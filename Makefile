# Thin wrapper over CMake: the README's commands.
.PHONY: all deps build install package test demo fuzz bench check-debian13 clean

PREFIX ?= /usr/local

all: build

deps:
	@scripts/deps.sh

build: deps
	cmake -S . -B build
	cmake --build build -j $$(nproc)

install: build
	DESTDIR="$(DESTDIR)" cmake --install build --prefix "$(PREFIX)"

# A Debian package of an optimised build, in build-package/.
package: deps
	cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DTOURVIEW_TESTS=OFF
	cmake --build build-package -j $$(nproc) --target package

test: deps
	scripts/test.sh

demo: deps
	scripts/demo.sh

fuzz: deps
	scripts/fuzz.sh $(FUZZ_SECONDS)

bench: deps
	scripts/bench.sh

check-debian13: deps
	scripts/check-debian13.sh

clean:
	rm -rf build build-asan build-fuzz build-bench build-package
