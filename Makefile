# Short entry points; CMake presets do the work (see CMakePresets.json).
JOBS ?= 2
PREFIX ?= /usr/local
FUZZ_SECONDS ?= 60
WITH_LOOPBACK ?= 0

ifneq ($(filter-out 0 1,$(WITH_LOOPBACK)),)
$(error WITH_LOOPBACK is 0 (leave the loopback messaging library out) or 1 (install it), not '$(WITH_LOOPBACK)')
endif

# The distribution's interpreter, which the Python package is built for.
PYTHON ?= /usr/bin/python3

.PHONY: demo python test test-dev test-asan test-tsan test-aarch64 bench mixed fuzz memcheck mutants coverage install package format clean

# The demo runs under the capture library, so its run leaves a capture to look at.
demo:
	@bash tools/deps.sh base
	@cmake --preset dev >/dev/null
	@cmake --build --preset dev -j$(JOBS) --target kav_demo kav_tool kav_trace
	@./build/dev/cli/kav trace -o build/dev/demo.pcapng -- ./build/dev/tools/kav_demo

# The Python package kav in build/dev/python (PYTHONPATH=build/dev/python $(PYTHON) imports it), and
# the command its tests compare it with.
python:
	@bash tools/deps.sh base python
	@cmake --preset dev -DPython3_EXECUTABLE=$(PYTHON) >/dev/null
	cmake --build --preset dev -j$(JOBS) --target python kav_tool

test: test-dev test-asan test-tsan

test-dev:
	@bash tools/deps.sh base python wireshark
	cmake --preset dev -DPython3_EXECUTABLE=$(PYTHON)
	cmake --build --preset dev -j$(JOBS)
	ctest --preset dev -j$(JOBS)

test-asan:
	@bash tools/deps.sh base fuzz
	cmake --preset asan
	cmake --build --preset asan -j$(JOBS)
	ctest --preset asan -j$(JOBS)

test-tsan:
	@bash tools/deps.sh base
	cmake --preset tsan
	cmake --build --preset tsan -j$(JOBS) --target concurrency_test
	ctest --preset tsan -j$(JOBS) -R concurrency

test-aarch64:
	@bash tools/deps.sh base aarch64
	cmake --preset aarch64
	cmake --build --preset aarch64 -j$(JOBS)
	ctest --preset aarch64 -j$(JOBS)

fuzz:
	@bash tools/deps.sh base fuzz
	cmake --preset asan
	cmake --build --preset asan -j$(JOBS) --target fuzz_all
	bash tools/fuzz.sh $(FUZZ_SECONDS) build/asan

# Small faults applied to the library one at a time; lists the ones no test catches (slow, not in CI).
mutants:
	@bash tools/deps.sh base mutants
	bash tools/mutants.sh

# Line and branch coverage of the library by the suite and the fuzz regression replay (clang).
coverage:
	@bash tools/deps.sh base coverage
	bash tools/coverage.sh

memcheck: test-dev
	@bash tools/deps.sh memcheck
	bash tools/memcheck.sh build/dev

bench:
	@bash tools/deps.sh base bench python
	cmake --preset release -DPython3_EXECUTABLE=$(PYTHON)
	cmake --build --preset release -j$(JOBS)
	@for b in build/release/bench/kav_bench*; do [ -x "$$b" ] && "$$b" --benchmark_min_time=0.2; done
	bash tools/callgrind_counts.sh build/release
	PYTHONPATH=build/release/python $(PYTHON) python/bench.py

# Mixed traffic over a sweep of presence: round-robin over every message against hot loops (on one
# pinned core when taskset can pin), then the instructions and instruction-cache misses per message
# under cachegrind. KAV_BASELINE=<commit> builds that commit's library too and sets the two side by
# side, alternating in the same run.
mixed:
	@bash tools/deps.sh base bench
	cmake --preset release
	cmake --build --preset release -j$(JOBS) --target kav_mixed
	@if taskset -c 1 true 2>/dev/null; then pin="taskset -c 1"; fi; $$pin build/release/bench/kav_mixed
	@if [ -n "$(KAV_BASELINE)" ]; then KAV_BASELINE=$(KAV_BASELINE) bash tools/mixed_wallclock.sh build/release; fi
	KAV_BASELINE=$(KAV_BASELINE) bash tools/cachegrind_mixed.sh build/release

# Builds only what it installs (library, kav, loopback stand-in); the loopback goes in on request.
install:
	@bash tools/deps.sh install python
	cmake --preset install -DCMAKE_INSTALL_PREFIX=$(PREFIX) -DPython3_EXECUTABLE=$(PYTHON)
	cmake --build --preset install -j$(JOBS)
	cmake --install build/install --prefix $(PREFIX)
ifeq ($(WITH_LOOPBACK),1)
	cmake --install build/install --prefix $(PREFIX) --component loopback
endif

# Debian packages in build/package: libkav1, libkav-dev, kav-tools, libkav-loopback-dev, python3-kav.
package:
	@bash tools/deps.sh install package python
	cmake --preset package
	cmake --build --preset package -j$(JOBS) --target package

format:
	@bash tools/deps.sh format
	bash tools/format_check.sh --fix

clean:
	rm -rf build
