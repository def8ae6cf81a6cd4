# Thin wrapper over CMake; every target installs what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SMOKE_SECONDS ?= 20
FUZZ_SECONDS ?= 600
CROSS_CXX ?= aarch64-linux-gnu-g++

.PHONY: all deps configure build test package test-asan cross-check fuzz-build fuzz-smoke fuzz run \
  screenshots bench clean

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The .deb is built and checked by the tests labelled "package" (make package).
test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE package

# The .deb in $(BUILD)/package/, unpacked into a scratch root and run from there.
package: build
	@cd $(BUILD) && ctest --output-on-failure -L package

# The core, the CLI and their tests under AddressSanitizer and UndefinedBehaviorSanitizer
# (the window is left out: Qt itself is not instrumented; `make test` runs its tests).
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_SANITIZE=ON \
	  -DQUILLET_BUILD_BENCH=OFF -DQUILLET_BUILD_GUI=OFF -DQUILLET_GUI_DEFAULT_SEEN=ON > /dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# The core compiled (not linked) for arm64: it must build where there is no AVX2.
cross-check: deps
	@find src/core -name '*.cpp' | sort | xargs -P $(JOBS) -I{} $(CROSS_CXX) -std=c++20 -O2 \
	  -Wall -Wextra -Wpedantic -Werror -I src -c -o /dev/null {}
	@echo "cross-check: src/core compiles for arm64"

# libFuzzer targets need clang; they get a build folder of their own.
fuzz-build: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUILLET_BUILD_FUZZ=ON -DBUILD_TESTING=OFF -DQUILLET_BUILD_BENCH=OFF \
	  -DQUILLET_BUILD_GUI=OFF -DQUILLET_GUI_DEFAULT_SEEN=ON > /dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Every target for a short fixed time (CI); `make fuzz` runs them long.
fuzz-smoke: fuzz-build
	@./scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SMOKE_SECONDS)

fuzz: fuzz-build
	@./scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

run: build
	@./scripts/run-samples.sh $(BUILD)

# The main window on the samples, rendered offscreen to docs/quillet-main-window.png.
screenshots: build
	@./scripts/screenshots.sh $(BUILD)

bench: build
	@./scripts/run-bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
