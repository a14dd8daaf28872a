# Windows Z.R.V: build, run and test. See README.md.
MAKEFLAGS += --no-print-directory
SHELL := /bin/bash
BUILD ?= build
JOBS ?= $(shell nproc)

NATIVE := $(BUILD)/native
WIN32  := $(BUILD)/win32
ASAN   := $(BUILD)/asan

.PHONY: all setup native win32 asan run test unit e2e bench clean

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
	@cmake --build $(ASAN) -j $(JOBS) --target wzrv_unit_tests

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

bench: native
	@if [ -x $(NATIVE)/wzrv_bench ]; then $(NATIVE)/wzrv_bench; else echo "no benchmarks yet"; fi

clean:
	rm -rf $(BUILD)
