# The two commands of the README. Both install the Debian packages first.
#   make demo   build and run the main job on the bundled sample
#   make test   build both presets and run every test on each
#   make bench  build the benchmarks (Release, build/bench), run them and print
#               one table of figures and ratios; never part of make test
#   make fuzz   build the fuzz targets with clang and run each FUZZ_SECONDS (60)
SHELL := /bin/bash
JOBS ?= $(shell nproc)
PRESETS := default asan

.PHONY: all deps build demo test bench fuzz format-check format clean
FUZZ_SECONDS ?= 60

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

demo: build
	@scripts/demo build/default

test: deps
	@set -e; for p in $(PRESETS); do \
	  echo "== preset $$p"; \
	  cmake --preset $$p; \
	  cmake --build --preset $$p -j $(JOBS); \
	  ctest --preset $$p -j $(JOBS); \
	done

bench: deps
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVM_BUILD_BENCH=ON \
	  -DVM_BUILD_TESTS=OFF -DVM_BUILD_GUI=OFF "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror"
	cmake --build build/bench -j $(JOBS) --target bench_all
	@bench/run-all build/bench

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/run-fuzz build/fuzz

format-check: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
