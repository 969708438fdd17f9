# The two commands: `make run` builds and starts the program, `make test` builds and runs every test.
# Both install the Debian packages they need first (as root; otherwise they print the command to run).

BUILD := build
BUILD_WIN32 := build-win32
BUILD_SANITIZE := build-sanitize
BUILD_FUZZ := build-fuzz
BUILD_BENCH := build-bench
JOBS ?= $(shell nproc)

.PHONY: run test program bench bench-frames bench-program clean

run: program
	./$(BUILD)/mirrors

program:
	scripts/install-deps run
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DMIRRORS_TESTS=OFF -DMIRRORS_BENCHMARKS=OFF
	cmake --build $(BUILD) -j$(JOBS) --target mirrors

# The unit and headless tests built by clang with AddressSanitizer and UndefinedBehaviorSanitizer; each
# libFuzzer target for a bounded time from its seeds; then every test in the Release build (with the Windows
# build for the Wine proof), whose summary closes the run.
test:
	scripts/install-deps test
	cmake -S . -B $(BUILD_SANITIZE) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DMIRRORS_SANITIZE=ON -DMIRRORS_TESTS=ON -DMIRRORS_PROOF=OFF -DMIRRORS_BENCHMARKS=OFF
	cmake --build $(BUILD_SANITIZE) -j$(JOBS)
	cd $(BUILD_SANITIZE) && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j$(JOBS)
	cmake -S . -B $(BUILD_FUZZ) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DMIRRORS_FUZZ=ON -DMIRRORS_TESTS=OFF -DMIRRORS_BENCHMARKS=OFF
	cmake --build $(BUILD_FUZZ) -j$(JOBS) --target fuzz_targets
	cd $(BUILD_FUZZ) && ctest --output-on-failure -j$(JOBS)
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DMIRRORS_TESTS=ON -DMIRRORS_BENCHMARKS=ON
	cmake --build $(BUILD) -j$(JOBS)
	cmake -S . -B $(BUILD_WIN32) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	cmake --build $(BUILD_WIN32) -j$(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The figures of the README's Benchmarks: the Google Benchmark programs (median of five repetitions), then
# the whole program for 10 s on a virtual X server, our Linux build against the Windows build under Wine.
bench:
	$(MAKE) bench-frames
	$(MAKE) bench-program

bench-frames:
	scripts/install-deps test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DMIRRORS_BENCHMARKS=ON
	cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	for b in $(BUILD)/bench/bench_*; do \
	    $$b --benchmark_repetitions=5 --benchmark_display_aggregates_only=true || exit 1; done

# The Linux build measured is the Release build with the frame log, in a build tree of its own: the program
# as shipped writes no file.
bench-program:
	scripts/install-deps test
	cmake -S . -B $(BUILD_BENCH) -DCMAKE_BUILD_TYPE=Release -DMIRRORS_FRAME_LOG=ON -DMIRRORS_TESTS=OFF \
	    -DMIRRORS_BENCHMARKS=OFF
	cmake --build $(BUILD_BENCH) -j$(JOBS) --target mirrors
	cmake -S . -B $(BUILD_WIN32) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	cmake --build $(BUILD_WIN32) -j$(JOBS)
	bench/whole_program.py --linux $(BUILD_BENCH)/mirrors --wine $(BUILD_WIN32)/mirrors.exe \
	    --prefix $(BUILD_BENCH)/bench-wine --out $(BUILD_BENCH)/whole-program

clean:
	rm -rf $(BUILD) $(BUILD_WIN32) $(BUILD_SANITIZE) $(BUILD_FUZZ) $(BUILD_BENCH)
