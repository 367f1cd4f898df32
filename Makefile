# The two commands of the README: `make run` and `make test`.
# Each installs what is missing, configures, builds, then runs.

BUILD_TEST    ?= build/test
BUILD_RELEASE ?= build/release
JOBS          ?= $(shell nproc)
CMAKE_COMMON  := -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON

.PHONY: run test deps build-release build-test bench fuzz clean install package

deps:
	@scripts/install-deps

build-release: deps
	@cmake -S . -B $(BUILD_RELEASE) $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONALITH_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BUILD_RELEASE) -j $(JOBS)

build-test: deps
	@cmake -S . -B $(BUILD_TEST) $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DTONALITH_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD_TEST) -j $(JOBS)

run: build-release
	@scripts/run-tonalith $(BUILD_RELEASE) $(ARGS)

test: build-test
	@scripts/run-tests $(BUILD_TEST)

bench: deps
	@cmake -S . -B build/bench $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DTONALITH_BUILD_TESTS=OFF -DTONALITH_BUILD_BENCH=ON >/dev/null
	@cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bin/bench_*; do echo "== $$b"; $$b; done

# Installs the release build under PREFIX (bin/, lib/, share/); `make package`
# builds the Debian package into build/release.
PREFIX ?= /usr/local
install: build-release
	@cmake --install $(BUILD_RELEASE) --prefix $(PREFIX)

package: build-release
	@cd $(BUILD_RELEASE) && cpack -G DEB

# libFuzzer (clang) build of tools/fuzz, then every target for FUZZ_SECONDS each.
fuzz: deps
	@tools/fuzz/run-fuzz build/fuzz

clean:
	rm -rf build
