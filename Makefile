# `make run` and `make test` set up everything on a fresh Debian 12 machine.
BUILD_DIR ?= build/release
JOBS ?= 2

# WERROR=ON or OFF sets the KELVANOR_WERROR option (compiler warnings fail the build); left empty,
# the build keeps what it was configured with.
WERROR ?=

.PHONY: deps configure build test check run clean format package golden-update bench-startup

deps:
	@scripts/install-deps.sh

configure: deps
	@test -f $(BUILD_DIR)/build.ninja || cmake --preset release $(if $(WERROR),-DKELVANOR_WERROR=$(WERROR))
	@$(if $(WERROR),grep -q '^KELVANOR_WERROR:BOOL=$(WERROR)$$' $(BUILD_DIR)/CMakeCache.txt || cmake -DKELVANOR_WERROR=$(WERROR) $(BUILD_DIR) >/dev/null,true)

build: configure
	cmake --build $(BUILD_DIR) -j$(JOBS)

# The whole gate, as CI runs it: warnings are errors; every test of the release build, then the
# same suite under the sanitizers, a short run of each fuzz target (built in the sanitized tree,
# on its libraries) and the static analysers.
test: deps
	$(MAKE) build WERROR=ON
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j$(JOBS)
	$(MAKE) asan-test
	FUZZ_BUILD_DIR=build/asan $(MAKE) fuzz-smoke
	$(MAKE) lint

# The edit-compile-test loop: the release build, then the unit and window tests only (no
# command-line scripts, golden outputs or benchmark).
CHECK_EXCLUDE = ^(golden[.]|program_info[.]|catalogue_tool[.]|kelvanor_calc(_analysis|_reports|_safety)?$$|kelvanor_bench_smoke$$)
check: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j$(JOBS) -E '$(CHECK_EXCLUDE)'

# Rewrites tests/golden/expected/ from the current kelvanor-calc after an intended change of its
# output; review `git diff tests/golden` before committing.
golden-update: build
	KELVANOR_GOLDEN_UPDATE=1 ctest --test-dir $(BUILD_DIR) --output-on-failure -R '^golden[.]'

# The Debian package (CPack), in $(BUILD_DIR)/package/.
package: build
	cd $(BUILD_DIR) && cpack
	@ls $(BUILD_DIR)/package/*.deb

# Time to the mapped window against a bare Qt program, under Xvfb (bench/startup.sh).
bench-startup: build
	bench/startup.sh $(BUILD_DIR)/bin

run: build
	scripts/run.sh $(BUILD_DIR)/bin

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build

.PHONY: lint fuzz fuzz-smoke asan-test

# Static checks: formatting (clang-format dry run, fails on a difference), clang-tidy (.clang-tidy,
# only on sources changed since their last clean run) and cppcheck side by side;
# docs/RELIABILITY.md tells more.
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
	@test -f build/asan/build.ninja || cmake --preset asan -DKELVANOR_WERROR=ON
	cmake --build build/asan -j$(JOBS)
	ctest --test-dir build/asan --output-on-failure -j$(JOBS)
