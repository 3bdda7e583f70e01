# Two commands matter: `make demo` (the main job) and `make test` (every test).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
MAKEFLAGS += --no-print-directory
# NO_32BIT=1: the Wine bench, make demo, make test and qpk try behave as on a
# machine that cannot run 32-bit programs (the x86_64 build in place of the
# shipped PE32), so that the fallback can be proven on any machine.
ifneq ($(NO_32BIT),)
export QS_NO_32BIT := $(NO_32BIT)
endif

.PHONY: all bootstrap build host win32 win64 fuzzbuild fuzz fuzz-smoke test unit e2e demo preview clean

all: build

bootstrap:
	@scripts/bootstrap.sh

build: bootstrap host win32 win64

# A build folder is configured once (or again when CMAKE_FLAGS are given);
# after that `cmake --build` re-runs the configuration itself whenever a
# CMakeLists or cmake/ file changes. A toolchain file counts only on the first
# configuration, so it is passed only then.
configure = if [ ! -f $(1)/CMakeCache.txt ]; then cmake -S . -B $(1) $(2) $(CMAKE_FLAGS) >/dev/null; \
	elif [ -n "$(CMAKE_FLAGS)" ]; then cmake -S . -B $(1) $(CMAKE_FLAGS) >/dev/null; fi

host:
	@$(call configure,$(BUILD)/host,-DCMAKE_BUILD_TYPE=Debug -DQS_BUILD_ROOT=$(abspath $(BUILD)))
	cmake --build $(BUILD)/host -j $(JOBS)

win32:
	@$(call configure,$(BUILD)/win32,-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel)
	cmake --build $(BUILD)/win32 -j $(JOBS)

win64:
	@$(call configure,$(BUILD)/win64,-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel)
	cmake --build $(BUILD)/win64 -j $(JOBS)

fuzzbuild: bootstrap
	@$(call configure,$(BUILD)/fuzz,-DQS_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DCMAKE_BUILD_TYPE=RelWithDebInfo)
	cmake --build $(BUILD)/fuzz -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS each (default five minutes).
FUZZ_SECONDS ?= 300
fuzz: fuzzbuild
	scripts/fuzz.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

fuzz-smoke: fuzzbuild
	scripts/fuzz.sh $(BUILD)/fuzz 5

# Every test: unit tests, the artefact checks, the Wine scenarios and a short
# run of every fuzz target.
test: build
	@python3 bench/run.py --build $(abspath $(BUILD)) --which
	@cd $(BUILD)/host && ctest -j $(JOBS) --output-on-failure $(CTEST_ARGS); rc=$$?; \
	  python3 $(CURDIR)/bench/run.py --build $(abspath $(BUILD)) --which; exit $$rc
	$(MAKE) fuzz-smoke

unit: bootstrap host
	cd $(BUILD)/host && ctest -j $(JOBS) --output-on-failure -LE e2e -E '^e2e\.'

e2e: build
	@python3 bench/run.py --build $(abspath $(BUILD)) --which
	cd $(BUILD)/host && ctest -j $(JOBS) --output-on-failure -R '^e2e\.'

# The main job: build the sample medium and install it under Wine, answering
# as a player would; prints what the player saw and what was installed.
demo: build
	python3 bench/run.py --build $(abspath $(BUILD)) --demo samples/demo.scn

# Pictures: runs a scenario (default: the sample medium) on an Xvfb screen with
# Korean fonts and saves the backdrop and every window as it appears to PNG
# under $(BUILD)/shots/. Another scenario: make preview PREVIEW=<file.scn>.
PREVIEW ?= samples/demo.scn
preview: build
	python3 bench/run.py --build $(abspath $(BUILD)) --preview $(PREVIEW)

# Installation speed under Wine: Setup.exe (the shipped 32-bit build where
# 32-bit programs run) against a bare CopyFileA loop of the same bitness and
# cp -r on generated packages, BENCH_RUNS runs each (default 5); takes long,
# so it is not part of make test (which runs only a smoke of the harness).
.PHONY: bench
bench: build
	python3 scripts/bench/bench.py --build $(abspath $(BUILD))

# The whole program fuzzed under Wine: FUZZ_WINE_SCRIPTS mutated scripts and
# FUZZ_WINE_MANIFESTS mutated manifests of the tree's media (defaults 300 and
# 100), FUZZ_WINE_SEED orders them, FUZZ_WINE_JOBS run at once; prints the
# counts per class, keeps findings under $(BUILD)/fuzz-wine/findings/.
FUZZ_WINE_SCRIPTS ?= 300
FUZZ_WINE_MANIFESTS ?= 100
FUZZ_WINE_SEED ?= 1
FUZZ_WINE_JOBS ?= 2
.PHONY: fuzz-wine
fuzz-wine: build
	python3 bench/fuzz_wine.py --build $(abspath $(BUILD)) --scripts $(FUZZ_WINE_SCRIPTS) \
	  --manifests $(FUZZ_WINE_MANIFESTS) --seed $(FUZZ_WINE_SEED) --jobs $(FUZZ_WINE_JOBS)

# Signs build/win32/Setup.exe in place with the publisher's certificate
# (scripts/sign.sh; osslsigncode, Authenticode SHA-256):
#   make sign SIGN_PKCS12=<file.p12> SIGN_PASS_FILE=<file> [SIGN_TIMESTAMP=<url>]
#   make sign SIGN_CERT=<chain.pem> SIGN_KEY=<key.pem> ...
#   make sign SIGN_CONFIG=<file of SIGN_...=value lines>
.PHONY: sign
export SIGN_CONFIG SIGN_PKCS12 SIGN_CERT SIGN_KEY SIGN_PASS SIGN_PASS_FILE SIGN_TIMESTAMP SIGN_NAME SIGN_URL
sign: bootstrap win32
	scripts/sign.sh $(BUILD)/win32/Setup.exe

clean:
	rm -rf $(BUILD)
