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

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j$(JOBS)

run: build
	scripts/run.sh $(BUILD_DIR)/bin

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
