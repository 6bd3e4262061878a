# Thin wrapper over CMake: the README's commands.
.PHONY: all deps build test demo fuzz bench check-debian13 clean

all: build

deps:
	@scripts/deps.sh

build: deps
	cmake -S . -B build
	cmake --build build -j $$(nproc)

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
	rm -rf build build-asan build-fuzz build-bench
