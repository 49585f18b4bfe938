# Everyday commands; CMake does the work.
BUILD ?= build
SAN_BUILD ?= build-san
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all configure build run test test-build test-san install package fuzz bench clean \
        windows windows-test

all: build

configure:
	cmake -S . -B $(BUILD) -DIMGFORGE_WERROR=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Builds only the tool (no GoogleTest needed) and decodes the bundled sample.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target imgforge
	@$(BUILD)/bin/imgforge -r examples/sample.bin -p

test: test-build test-san

test-build:
	cmake -S . -B $(BUILD) -DIMGFORGE_WERROR=ON -DIMGFORGE_TESTS_REQUIRED=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-san:
	cmake -S . -B $(SAN_BUILD) -DIMGFORGE_WERROR=ON -DIMGFORGE_SANITIZE=ON \
	      -DIMGFORGE_TESTS_REQUIRED=ON $(CMAKE_FLAGS)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# Installs the tool, its manual page and the engine library with its header
# and CMake package files.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Windows: a static imgforge.exe cross-built with MinGW-w64, its tests run
# under Wine (the unit tests, then the end-to-end suites against the .exe).
WINDOWS_BUILD ?= build-windows
WINE ?= /usr/lib/wine/wine64
windows:
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	      -DIMGFORGE_WERROR=ON -DIMGFORGE_TESTS_REQUIRED=ON -DCMAKE_CROSSCOMPILING_EMULATOR=$(WINE)
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

windows-test: windows build
	-WINEDEBUG=-all $(dir $(WINE))wineserver -p 600
	cd $(WINDOWS_BUILD) && WINEDEBUG=-all ctest --output-on-failure
	WINEDEBUG=-all IMGFORGE_TEST_BINARY=$(abspath $(WINDOWS_BUILD))/bin/imgforge.exe \
	    IMGFORGE_TEST_LAUNCHER=$(WINE) $(BUILD)/tests/imgforge_cli_tests

# The Debian package in $(BUILD), the Windows ZIP archive in $(WINDOWS_BUILD).
package: build windows
	cd $(BUILD) && cpack
	cd $(WINDOWS_BUILD) && cpack

# Runs every fuzz target FUZZ_SECONDS seconds (clang with libFuzzer).
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz:
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DIMGFORGE_FUZZ=ON -DIMGFORGE_TESTS=OFF -DIMGFORGE_WERROR=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	sh fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Engine benchmarks, then the whole-process timings against the floor.
BENCH_BUILD ?= build-bench
BENCH_RUNS ?= 101
bench:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DIMGFORGE_BENCH=ON -DIMGFORGE_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	$(BENCH_BUILD)/bench/engine_bench --benchmark_min_time=0.05
	sh bench/run.sh $(BENCH_BUILD) $(BENCH_RUNS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(WINDOWS_BUILD)
