# Short entry points; CMake presets do the work (see CMakePresets.json).
JOBS ?= 2
PREFIX ?= /usr/local
FUZZ_SECONDS ?= 60

.PHONY: demo test test-dev test-asan bench install clean

demo:
	@bash tools/deps.sh base
	@cmake --preset dev >/dev/null
	@cmake --build --preset dev -j$(JOBS) --target kav_demo
	@./build/dev/tools/kav_demo

test: test-dev test-asan

test-dev:
	@bash tools/deps.sh base
	cmake --preset dev
	cmake --build --preset dev -j$(JOBS)
	ctest --preset dev -j$(JOBS)

test-asan:
	@bash tools/deps.sh base
	cmake --preset asan
	cmake --build --preset asan -j$(JOBS)
	ctest --preset asan -j$(JOBS)

bench:
	@bash tools/deps.sh base bench
	cmake --preset release
	cmake --build --preset release -j$(JOBS)
	@for b in build/release/bench/kav_bench*; do [ -x "$$b" ] && "$$b" --benchmark_min_time=0.2; done
	bash tools/callgrind_counts.sh build/release

install:
	@bash tools/deps.sh base
	cmake --preset release -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build --preset release -j$(JOBS)
	cmake --install build/release

clean:
	rm -rf build
