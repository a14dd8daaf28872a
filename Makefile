# Windows Z.R.V: build, run and test. See README.md.
MAKEFLAGS += --no-print-directory
SHELL := /bin/bash
BUILD ?= build
JOBS ?= $(shell nproc)

NATIVE := $(BUILD)/native
WIN32  := $(BUILD)/win32
WIN64  := $(BUILD)/win64
ASAN   := $(BUILD)/asan
# Which Windows build runs here under Wine: win32 (the 32-bit program, the
# product) where this machine runs 32-bit code, else win64 (the x86-64 program
# under the 64-bit Wine alone). WZRV_FORCE_WIN64=1 chooses win64 anywhere.
WINE_ARCH := $(shell bash scripts/arch.sh)
ifeq ($(WINE_ARCH),win64)
PROGRAM := $(WIN64)
export WZRV_WINE64_ONLY := 1
export WZRV_WIN32_DIR := $(CURDIR)/$(WIN64)
ARCH_NOTE := @echo "make: this machine runs no 32-bit code$(if $(filter 1,$(WZRV_FORCE_WIN64)), (WZRV_FORCE_WIN64=1)): the x86-64 wzrv.exe ($(WIN64)) under the 64-bit Wine alone"
else
PROGRAM := $(WIN32)
export WZRV_WINE64_ONLY := 0
ARCH_NOTE := @true
endif
# WZRV_ARCH=win32 where the machine runs no 32-bit code: make run starts the
# 32-bit program (the product) under the 32-bit Wine through qemu user-mode
# (scripts/wine32-root.sh). make test prepares that Wine too, for its 32-bit group.
RUN_DIR := $(PROGRAM)
RUN_QEMU :=
ifeq ($(WINE_ARCH)-$(WZRV_ARCH),win64-win32)
RUN_DIR := $(WIN32)
RUN_QEMU := 1
endif
# New Wine prefixes, made once and copied for each run of the end-to-end tests.
export WZRV_WINE_TEMPLATES := $(CURDIR)/$(BUILD)/wine-templates

.PHONY: all setup native win32 win64 program asan run test unit e2e bench soak fuzz dist dist-check lint clean

all: native win32 win64

setup:
	@bash scripts/setup.sh $(SETUP_ARGS)

native: setup
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

win32: setup
	@cmake -S . -B $(WIN32) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-i686-w64-mingw32.cmake >/dev/null
	@cmake --build $(WIN32) -j $(JOBS)

# The same program for x86-64 (PE32+), for machines that run no 32-bit code.
win64: setup
	@cmake -S . -B $(WIN64) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-x86_64-w64-mingw32.cmake >/dev/null
	@cmake --build $(WIN64) -j $(JOBS)

# The build that runs here (see WINE_ARCH).
program: $(notdir $(PROGRAM))

asan: setup
	@cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DWZRV_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN) -j $(JOBS) --target wzrv_unit_tests cache_fuzz_replay \
	  options_fuzz_replay charinput_fuzz_replay color_fuzz_replay sound_fuzz_replay

# Unit tests, natively and under AddressSanitizer/UBSan.
unit: native asan
	@cd $(NATIVE) && ctest --output-on-failure -L unit -j $(JOBS)
	@cd $(ASAN) && ctest --output-on-failure -L unit -j $(JOBS)

# End-to-end tests: the real wzrv.exe under Wine on a virtual display.
# Where the machine runs 32-bit code, a group of them also runs the x86-64 build.
# ctest prints no output of a skipped test: the reasons are read from its log.
CTEST_E2E = cd $(NATIVE) && { ctest --output-on-failure $(1); s=$$?; \
  grep -h "^skipped: " Testing/Temporary/LastTest.log | sort -u; exit $$s; }
e2e: native win32 win64
	$(ARCH_NOTE)
	@bash scripts/wine-env.sh $(CURDIR)/$(BUILD)/wine -- bash -c '$(call CTEST_E2E,-L e2e)'

test: SETUP_ARGS := --wine32-qemu
test: native win32 win64 asan
	$(ARCH_NOTE)
	@cd $(ASAN) && ctest --output-on-failure -L unit -j $(JOBS)
	@bash scripts/lint.sh $(WIN32)
	@bash scripts/wine-env.sh $(CURDIR)/$(BUILD)/wine -- bash -c '$(call CTEST_E2E,-j 1)'

run: SETUP_ARGS := $(if $(RUN_QEMU),--wine32-qemu)
run: native program $(if $(RUN_QEMU),win32)
ifeq ($(RUN_QEMU),1)
	@echo "make: the 32-bit wzrv.exe ($(WIN32)) under the 32-bit Wine through qemu-i386 (WZRV_ARCH=win32)"
	@root=$$(bash scripts/wine32-root.sh path) && \
	  WZRV_WINE32_QEMU=$$root bash scripts/run.sh $(CURDIR)/$(RUN_DIR) $(CURDIR)/$(BUILD)
else
	$(ARCH_NOTE)
	@bash scripts/run.sh $(CURDIR)/$(RUN_DIR) $(CURDIR)/$(BUILD)
endif

bench: native program
	$(ARCH_NOTE)
	@if [ -x $(NATIVE)/wzrv_bench ]; then $(NATIVE)/wzrv_bench; else echo "no benchmarks yet"; fi
	@bash scripts/bench-wine.sh $(NATIVE) $(PROGRAM) $(CURDIR)/$(BUILD)/bench-wine

# A long run of the GDI-counting build (not in `make test`): clicks, lock
# cycles and dialogs; WZRV_SOAK_CLICKS/CYCLES/DIALOGS scale it down.
soak: native program
	$(ARCH_NOTE)
	@bash scripts/wine-env.sh $(CURDIR)/$(BUILD)/soak-wine -- \
	  bash -c 'cd $(NATIVE) && ./tests/e2e/wzrv_e2e_tests --gtest_also_run_disabled_tests --gtest_filter="SoakTest.*"'

# The fuzz targets under libFuzzer (clang), each for FUZZ_SECONDS, starting
# from its committed corpus; new inputs collect in $(BUILD)/fuzz/corpus-NAME.
FUZZ_SECONDS ?= 60
FUZZ := $(BUILD)/fuzz
FUZZ_TARGETS := cache options charinput color sound
fuzz: setup
	@cmake -S . -B $(FUZZ) -DWZRV_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ) -j $(JOBS)
	@set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ)/corpus-$$t; \
	  echo "== $$t: $(FUZZ_SECONDS) s"; \
	  $(FUZZ)/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=8192 -malloc_limit_mb=64 \
	    -print_final_stats=1 $(FUZZ)/corpus-$$t tests/fuzz/corpus/$$t; \
	done

# Static checks: cppcheck and clang-tidy (.clang-tidy) with no findings.
lint: win32
	@bash scripts/lint.sh $(WIN32)

# The release: dist/wzrv-VERSION.zip (the program, its sounds, a README for
# Windows users); dist-check builds it twice and compares the bytes.
VERSION := $(shell sed -n '/^project/s/.* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
dist: win32
	@bash scripts/dist.sh $(WIN32) dist $(VERSION)

# dist-check only builds (the 32-bit program), which every machine can.
dist-check: setup
	@bash scripts/dist-check.sh $(VERSION)

clean:
	rm -rf $(BUILD)
