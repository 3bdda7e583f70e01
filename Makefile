# Two commands matter: `make demo` (the main job) and `make test` (every test).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
MAKEFLAGS += --no-print-directory

.PHONY: all bootstrap build host win32 win64 test unit e2e demo clean

all: build

bootstrap:
	@scripts/bootstrap.sh

build: bootstrap host win32 win64

host:
	cmake -S . -B $(BUILD)/host -DCMAKE_BUILD_TYPE=Debug -DQS_BUILD_ROOT=$(abspath $(BUILD)) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/host -j $(JOBS)

win32:
	cmake -S . -B $(BUILD)/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/win32 -j $(JOBS)

win64:
	cmake -S . -B $(BUILD)/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/win64 -j $(JOBS)

# Every test: unit tests, the artefact checks and the Wine scenarios.
test: build
	cd $(BUILD)/host && ctest -j $(JOBS) --output-on-failure $(CTEST_ARGS)

unit: bootstrap host
	cd $(BUILD)/host && ctest -j $(JOBS) --output-on-failure -LE e2e -E '^e2e\.'

e2e: build
	cd $(BUILD)/host && ctest -j $(JOBS) --output-on-failure -R '^e2e\.'

# The main job: build the sample medium and install it under Wine, answering
# as a player would; prints what the player saw and what was installed.
demo: build
	python3 tests/e2e/run.py --build $(abspath $(BUILD)) --demo samples/demo.scn

clean:
	rm -rf $(BUILD)
