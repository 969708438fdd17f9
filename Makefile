# The two commands: `make run` builds and starts the program, `make test` builds and runs every test.
# Both install the Debian packages they need first (as root; otherwise they print the command to run).

BUILD := build
BUILD_WIN32 := build-win32
JOBS ?= $(shell nproc)

.PHONY: run test program bench clean

run: program
	./$(BUILD)/mirrors

program:
	scripts/install-deps run
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DMIRRORS_TESTS=OFF -DMIRRORS_BENCHMARKS=OFF
	cmake --build $(BUILD) -j$(JOBS) --target mirrors

test:
	scripts/install-deps test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DMIRRORS_TESTS=ON -DMIRRORS_BENCHMARKS=ON
	cmake --build $(BUILD) -j$(JOBS)
	cmake -S . -B $(BUILD_WIN32) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	cmake --build $(BUILD_WIN32) -j$(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

bench:
	scripts/install-deps test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DMIRRORS_BENCHMARKS=ON
	cmake --build $(BUILD) -j$(JOBS)
	for b in $(BUILD)/bench/bench_*; do $$b; done

clean:
	rm -rf $(BUILD) $(BUILD_WIN32)
