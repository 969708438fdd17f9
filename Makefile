# The two commands: `make run` builds and starts the program, `make test` builds and runs every test.
# Both install the Debian packages they need first (as root; otherwise they print the command to run).
# `make package` makes the Debian package in build/, the Windows zip and MSI in build-win32/, the 64-bit MSI in
# build-win64/ and the web packages in build-web/.
# Each tree is a preset of CMakePresets.json (`cmake --list-presets`); everyday work needs only the dev preset:
#   cmake --preset dev && cmake --build --preset dev && ctest --preset dev

# The presets' build folders, which the proofs, the package checks and the benchmarks find there too.
BUILD := build
BUILD_RUN := build-run
BUILD_WIN32 := build-win32
BUILD_WIN64 := build-win64
BUILD_SANITIZE := build-sanitize
BUILD_FUZZ := build-fuzz
BUILD_WEB := build-web
# Debian's emscripten runs its JavaScript tools with the machine's node, which finds Debian's acorn only here.
EMSCRIPTEN_ENV := NODE_PATH=/usr/share/nodejs
BUILD_BENCH := build-bench
JOBS ?= $(shell nproc)

.PHONY: run test program package packages web web-build web-packages bench bench-frames bench-trig bench-program bench-web clean

# The program in a tree of its own, so that running it never reconfigures the test tree.
run: program
	./$(BUILD_RUN)/mirrors

program:
	scripts/install-deps run
	cmake --preset run
	cmake --build --preset run -j$(JOBS)

# The release program (no tests) and the Windows build, each packed by CPack from its install rules.
package:
	scripts/install-deps package
	cmake --preset release -DMIRRORS_TESTS=OFF -DMIRRORS_BENCHMARKS=OFF
	cmake --preset win32
	cmake --preset win64
	$(MAKE) packages
	$(MAKE) web-packages

# CPack in both trees as they are configured; building first on every core leaves CPack's own serial
# build of the default targets nothing to do. Each Windows tree's build makes its MSI; the 64-bit tree goes
# first, so that its program is packed into the zip as well.
packages:
	cmake --build $(BUILD) -j$(JOBS)
	cd $(BUILD) && cpack
	cmake --build $(BUILD_WIN64) -j$(JOBS)
	cmake --build $(BUILD_WIN32) -j$(JOBS)
	cd $(BUILD_WIN32) && cpack

# The program in a web page: builds build-web/ (index.html, mirrors.js, mirrors.wasm and the app's files: a static
# folder for any web server; mirrors.html, the page in one file) with Debian's emscripten, then serves it on
# http://127.0.0.1:8080/ until Ctrl+C.
web: web-build
	node scripts/serve-web.mjs $(BUILD_WEB) 8080

web-build:
	scripts/install-deps web
	$(EMSCRIPTEN_ENV) cmake --preset web
	$(EMSCRIPTEN_ENV) cmake --build --preset web -j$(JOBS)

# The web build's packages: build-web/mirrors-<version>-web.zip (the served folder) and
# build-web/mirrors-<version>.html (the page in one file).
web-packages: web-build
	$(EMSCRIPTEN_ENV) cmake --build $(BUILD_WEB) --target web_packages

# The host and layer sources compiled as a system without the GNU extensions sees them; the unit and headless
# tests built by clang with AddressSanitizer and UndefinedBehaviorSanitizer; each libFuzzer target for a
# bounded time from its seeds; then every test in the Release build (with the 32-bit and 64-bit Windows builds
# for the Wine proofs, the layer's tests built for Windows, the packages for the package checks, the web build
# and the npm packages for the browser proof), whose summary closes the run.
test:
	scripts/install-deps test
	scripts/check-portable
	cmake --preset sanitize
	cmake --build --preset sanitize -j$(JOBS)
	ctest --preset sanitize -j$(JOBS)
	cmake --preset fuzz
	cmake --build --preset fuzz -j$(JOBS)
	ctest --preset fuzz -j$(JOBS)
	cmake --preset release
	cmake --build --preset release -j$(JOBS)
	cmake --preset win32
	cmake --preset win64
	cmake --build --preset win64 -j$(JOBS)
	cmake --preset conformance32
	cmake --build --preset conformance32 -j$(JOBS)
	cmake --preset conformance64
	cmake --build --preset conformance64 -j$(JOBS)
	$(MAKE) packages
	$(MAKE) web-packages
	npm ci --no-audit --no-fund
	ctest --preset release -j$(JOBS)

# The figures of docs/benchmarks.md: the Google Benchmark programs (median of five repetitions), then
# the whole program for 10 s on a virtual X server, our Linux build (on X11 and on Wayland) against the Windows
# build under Wine.
bench:
	$(MAKE) bench-frames
	$(MAKE) bench-trig
	$(MAKE) bench-program
	$(MAKE) bench-web

bench-frames:
	scripts/install-deps test
	cmake --preset release
	cmake --build --preset release -j$(JOBS) --target benchmarks
	for b in $(BUILD)/bench/bench_*; do \
	    $$b --benchmark_repetitions=5 --benchmark_display_aggregates_only=true || exit 1; done

# Our atan and tan against MPFR on 10^8 random arguments each, on every core: prints the count of misrounded
# results (0) and the time.
bench-trig:
	scripts/install-deps test
	cmake --preset release
	cmake --build --preset release -j$(JOBS) --target bench_exact_trig
	$(BUILD)/bench/bench_exact_trig

# The Linux build measured is the Release build with the frame log, in a build tree of its own: the program
# as shipped writes no file.
bench-program:
	scripts/install-deps test
	cmake --preset bench
	cmake --build --preset bench -j$(JOBS)
	cmake --preset win32
	cmake --build --preset win32 -j$(JOBS)
	bench/whole_program.py --linux $(BUILD_BENCH)/mirrors --wayland --wine $(BUILD_WIN32)/mirrors.exe \
	    --prefix $(BUILD_BENCH)/bench-wine --out $(BUILD_BENCH)/whole-program

# Idle cost of the web build in headless Chromium against a page that only sleeps 10 ms in a loop.
bench-web: web-build
	npm ci --no-audit --no-fund
	node bench/web_idle.mjs --web $(BUILD_WEB)

clean:
	rm -rf $(BUILD) $(BUILD_RUN) build-dev $(BUILD_WIN32) $(BUILD_WIN64) build-conformance32 build-conformance64 \
	    $(BUILD_SANITIZE) $(BUILD_FUZZ) \
	    $(BUILD_WEB) $(BUILD_BENCH) node_modules
