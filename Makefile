# Lumigrid: `make run` starts the program, `make test` runs every test.
# Both install what is missing first (scripts/install-deps).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench artwork test-asan clean

all: build

deps:
	@bash scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/lumigrid

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: configure
	cmake --build $(BUILD) -j $(JOBS) --target bench
	cmake --build $(BUILD) --target run-bench

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake --preset asan
	cmake --build build-asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# Redraws the application pictures from src/resources/artwork.cpp.
artwork: configure
	cmake --build $(BUILD) --target lumigrid-artwork
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/src/resources/lumigrid-artwork src/resources

clean:
	rm -rf $(BUILD)
