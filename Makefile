# Windows Z.R.V: build, run and test. See README.md.
MAKEFLAGS += --no-print-directory
SHELL := /bin/bash
BUILD ?= build
JOBS ?= $(shell nproc)

NATIVE := $(BUILD)/native
WIN32  := $(BUILD)/win32
ASAN   := $(BUILD)/asan

.PHONY: all setup native win32 asan run test unit e2e bench fuzz clean

all: native win32

setup:
	@bash scripts/setup.sh

native: setup
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

win32: setup
	@cmake -S . -B $(WIN32) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-i686-w64-mingw32.cmake >/dev/null
	@cmake --build $(WIN32) -j $(JOBS)

asan: setup
	@cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DWZRV_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN) -j $(JOBS) --target wzrv_unit_tests cache_fuzz_replay

# Unit tests, natively and under AddressSanitizer/UBSan.
unit: native asan
	@cd $(NATIVE) && ctest --output-on-failure -L unit -j $(JOBS)
	@cd $(ASAN) && ctest --output-on-failure -L unit -j $(JOBS)

# End-to-end tests: the real wzrv.exe under Wine on a virtual display.
e2e: native win32
	@bash scripts/wine-env.sh $(CURDIR)/$(BUILD)/wine -- \
	  bash -c 'cd $(NATIVE) && ctest --output-on-failure -L e2e'

test: native win32 asan
	@cd $(ASAN) && ctest --output-on-failure -L unit -j $(JOBS)
	@bash scripts/wine-env.sh $(CURDIR)/$(BUILD)/wine -- \
	  bash -c 'cd $(NATIVE) && ctest --output-on-failure -j 1'

run: native win32
	@bash scripts/run.sh $(CURDIR)/$(WIN32) $(CURDIR)/$(BUILD)

bench: native win32
	@if [ -x $(NATIVE)/wzrv_bench ]; then $(NATIVE)/wzrv_bench; else echo "no benchmarks yet"; fi
	@bash scripts/bench-playback.sh $(NATIVE) $(WIN32) $(CURDIR)/$(BUILD)/bench-wine

# The pattern cache reader under libFuzzer (clang) for FUZZ_SECONDS, starting
# from the committed corpus; new inputs collect in $(BUILD)/fuzz/corpus.
FUZZ_SECONDS ?= 60
FUZZ := $(BUILD)/fuzz
FUZZ_SOURCES := tests/fuzz/cache_fuzz.cpp storage/cache_core.cpp shell/wzrv_core.cpp \
  pattern/pattern_core.cpp pattern/random.cpp shell/profile_core.cpp
fuzz: setup
	@mkdir -p $(FUZZ)/corpus
	clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
	  -I. $(FUZZ_SOURCES) -o $(FUZZ)/cache_fuzz
	$(FUZZ)/cache_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=8192 -malloc_limit_mb=64 \
	  -print_final_stats=1 $(FUZZ)/corpus tests/fuzz/corpus/cache

clean:
	rm -rf $(BUILD)
