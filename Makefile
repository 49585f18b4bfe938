# Everyday commands; CMake does the work.
BUILD ?= build
SAN_BUILD ?= build-san
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all build run test test-build test-san clean

all: build

build:
	cmake -S . -B $(BUILD) -DIMGFORGE_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

# Decodes the bundled sample image.
run: build
	@$(BUILD)/bin/imgforge -r examples/sample.bin -p

test: test-build test-san

test-build: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-san:
	cmake -S . -B $(SAN_BUILD) -DIMGFORGE_WERROR=ON -DIMGFORGE_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
