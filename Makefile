# `make run` and `make test` set up everything on a fresh Debian 12 machine.
BUILD_DIR ?= build/release
JOBS ?= 2

.PHONY: deps configure build test run clean format

deps:
	@scripts/install-deps.sh

configure: deps
	@test -f $(BUILD_DIR)/build.ninja || cmake --preset release

build: configure
	cmake --build $(BUILD_DIR) -j$(JOBS)

# Every test of the release build, then the same suite under the sanitizers, a short run of each
# fuzz target and the static analysers.
test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j$(JOBS)
	$(MAKE) asan-test
	$(MAKE) fuzz-smoke
	$(MAKE) lint

run: build
	scripts/run.sh $(BUILD_DIR)/bin

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build

.PHONY: lint fuzz fuzz-smoke asan-test

# Static analysis: clang-tidy (.clang-tidy) and cppcheck; docs/RELIABILITY.md tells more.
lint: deps
	scripts/lint.sh

# Every fuzz target for FUZZ_SECONDS seconds (default 60), executions and crashes per target.
fuzz: deps
	scripts/fuzz.sh

# Every fuzz target on its committed seeds, then a fixed number of inputs from a fixed seed.
fuzz-smoke: deps
	scripts/fuzz.sh --smoke

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
asan-test: deps
	@test -f build/asan/build.ninja || cmake --preset asan
	cmake --build build/asan -j$(JOBS)
	ctest --test-dir build/asan --output-on-failure -j$(JOBS)
