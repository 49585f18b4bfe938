# Everyday commands; CMake does the work. Each target first installs the
# Debian packages it needs when they are missing (tools/deps.sh).
BUILD ?= build
SAN_BUILD ?= build-san
TSAN_BUILD ?= build-tsan
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all configure build run python test check test-plain test-tsan install package fuzz bench \
        clean mutants windows windows-test deps-run deps-python deps-test deps-check

all: build

deps-run deps-python deps-test deps-check: deps-%:
	@sh tools/deps.sh $*

configure: deps-run
	cmake -S . -B $(BUILD) -DIMGFORGE_WERROR=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Builds only the Python module, into $(BUILD)/python (with pybind11-dev and
# python3-dev, which it installs when they are missing).
python: deps-python
	cmake -S . -B $(BUILD) -DIMGFORGE_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS) --target imgforge_python

# Builds only the tool and decodes the bundled sample.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target imgforge
	@$(BUILD)/bin/imgforge -r examples/sample.bin -p

# Every test once, in one build with AddressSanitizer and
# UndefinedBehaviorSanitizer.
test: deps-test
	cmake -S . -B $(SAN_BUILD) -DIMGFORGE_WERROR=ON -DIMGFORGE_SANITIZE=ON \
	      -DIMGFORGE_TESTS_REQUIRED=ON $(CMAKE_FLAGS)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# The rest: the suites again on the plain build (with what the sanitizers
# cannot run), the unit tests under ThreadSanitizer, the Windows build under
# Wine, and a fuzzing run.
check: deps-check test-plain test-tsan windows-test fuzz

test-plain: deps-test
	cmake -S . -B $(BUILD) -DIMGFORGE_WERROR=ON -DIMGFORGE_TESTS_REQUIRED=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-tsan: deps-test
	cmake -S . -B $(TSAN_BUILD) -DIMGFORGE_WERROR=ON -DIMGFORGE_TSAN=ON \
	      -DIMGFORGE_TESTS_REQUIRED=ON $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target imgforge_unit_tests
	$(TSAN_BUILD)/tests/imgforge_unit_tests

# Installs the tool, its manual page, the engine library with its header and
# the core library with its header, each with its CMake package.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Windows: a static imgforge.exe cross-built with MinGW-w64, its tests run
# under Wine (the unit tests, then the end-to-end suites against the .exe).
WINDOWS_BUILD ?= build-windows
WINE ?= /usr/lib/wine/wine64
windows: deps-check
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	      -DIMGFORGE_WERROR=ON -DIMGFORGE_TESTS_REQUIRED=ON -DCMAKE_CROSSCOMPILING_EMULATOR=$(WINE)
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# The tests run in a Wine prefix of their own. Wine's server and services
# (services.exe, winedevice.exe, ...) keep the standard streams of the program
# that started them: started by a test runner they would hold its output pipe
# open and it would wait for ever. So the prefix is made, its first server
# waited out, and a server that outlives every test started with its services,
# all on /dev/null, before any test runs. Where Wine cannot run programs at all,
# only the cross-build is checked.
WINE_ENV = WINEDEBUG=-all WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wine
WINESERVER = $(WINE_ENV) $(dir $(WINE))wineserver
windows-test: windows build
	@if ! WINEDEBUG=-all timeout 300 $(WINE) cmd /c exit 0 </dev/null >/dev/null 2>&1; then \
	    echo "Wine cannot run Windows programs here: only the Windows cross-build is checked"; \
	else \
	    set -e; \
	    $(WINE_ENV) timeout 300 $(WINE) wineboot --init </dev/null >/dev/null 2>&1; \
	    $(WINESERVER) -w; \
	    $(WINESERVER) -p 600 </dev/null >/dev/null 2>&1; \
	    $(WINE_ENV) timeout 300 $(WINE) wineboot </dev/null >/dev/null 2>&1; \
	    (cd $(WINDOWS_BUILD) && $(WINE_ENV) ctest --output-on-failure --timeout 600); \
	    $(WINE_ENV) IMGFORGE_TEST_BINARY=$(abspath $(WINDOWS_BUILD))/bin/imgforge.exe \
	        IMGFORGE_TEST_LAUNCHER=$(WINE) timeout 1800 $(BUILD)/tests/imgforge_cli_tests </dev/null; \
	    $(WINESERVER) -k; \
	fi

# The Debian package in $(BUILD), the Windows ZIP archive in $(WINDOWS_BUILD).
package: build windows
	cd $(BUILD) && cpack
	cd $(WINDOWS_BUILD) && cpack

# Runs every fuzz target FUZZ_SECONDS seconds (clang with libFuzzer).
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: deps-check
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

# A mutation run: MUTANTS random one-line faults, each built and tested in
# a build of its own; prints the score and the survivors. SEED replays a run.
MUTANTS ?= 150
MUTANTS_BUILD ?= build-mutants
mutants: deps-test
	python3 tools/mutants.py --count $(MUTANTS) --build $(MUTANTS_BUILD) --jobs $(JOBS) \
	    $(if $(SEED),--seed $(SEED)) --report $(MUTANTS_BUILD)/mutants.json

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(WINDOWS_BUILD) \
	       $(MUTANTS_BUILD)
