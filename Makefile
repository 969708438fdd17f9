# The two commands: `make run` builds and starts the program, `make test` builds and runs every test.
# Both install the Debian packages they need first (as root; otherwise they print the command to run).
# `make package` makes the Debian package in build/ and the Windows zip in build-win32/.

BUILD := build
BUILD_WIN32 := build-win32
BUILD_WIN64 := build-win64
BUILD_SANITIZE := build-sanitize
BUILD_FUZZ := build-fuzz
JOBS ?= $(shell nproc)

.PHONY: run test program package packages bench bench-frames bench-program clean

run: program
	./$(BUILD)/mirrors

program:
	scripts/install-deps run
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DMIRRORS_TESTS=OFF -DMIRRORS_BENCHMARKS=OFF
	cmake --build $(BUILD) -j$(JOBS) --target mirrors icons

# The release program (no tests) and the Windows build, each packed by CPack from its install rules.
package:
	scripts/install-deps package
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DMIRRORS_TESTS=OFF -DMIRRORS_BENCHMARKS=OFF
	cmake -S . -B $(BUILD_WIN32) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	$(MAKE) packages

# CPack in both trees as they are configured; building first on every core leaves CPack's own serial
# build of the default targets nothing to do.
packages:
	cmake --build $(BUILD) -j$(JOBS)
	cd $(BUILD) && cpack
	cmake --build $(BUILD_WIN32) -j$(JOBS)
	cd $(BUILD_WIN32) && cpack

# The host and layer sources compiled as a system without the GNU extensions sees them; the unit and headless
# tests built by clang with AddressSanitizer and UndefinedBehaviorSanitizer; each libFuzzer target for a
# bounded time from its seeds; then every test in the Release build (with the 32-bit and 64-bit Windows builds
# for the Wine proofs, and the packages for the package checks), whose summary closes the run.
test:
	scripts/install-deps test
	scripts/check-portable
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
	cmake -S . -B $(BUILD_WIN64) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
	cmake --build $(BUILD_WIN64) -j$(JOBS)
	$(MAKE) packages
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The figures of the README's Benchmarks: the Google Benchmark programs (median of five repetitions), then
# the whole program for 10 s on a virtual X server, our Linux build (on X11 and on Wayland) against the Windows
# build under Wine.
bench:
	$(MAKE) bench-frames
	$(MAKE) bench-program

bench-frames:
	scripts/install-deps test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DMIRRORS_BENCHMARKS=ON
	cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	for b in $(BUILD)/bench/bench_*; do \
	    $$b --benchmark_repetitions=5 --benchmark_display_aggregates_only=true || exit 1; done

bench-program:
	scripts/install-deps test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j$(JOBS) --target mirrors
	cmake -S . -B $(BUILD_WIN32) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	cmake --build $(BUILD_WIN32) -j$(JOBS)
	bench/whole_program.py --linux $(BUILD)/mirrors --wayland --wine $(BUILD_WIN32)/mirrors.exe \
	    --prefix $(BUILD)/bench-wine --out $(BUILD)/whole-program

clean:
	rm -rf $(BUILD) $(BUILD_WIN32) $(BUILD_WIN64) $(BUILD_SANITIZE) $(BUILD_FUZZ)
