# The two set-up commands of the README. Both install what is missing, configure and build.
# `make run ARGS=FILE.kvn` passes arguments to kavrin; `make package` builds the Debian package.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps configure build run test package clean check-sanitizers check-tsan

all: build

deps:
	./scripts/install-deps.sh

configure: deps
	@if [ ! -f $(BUILD_DIR)/CMakeCache.txt ]; then \
		cmake -S . -B $(BUILD_DIR) $(GENERATOR) $(CMAKE_FLAGS); \
	else \
		cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null; \
	fi

build: configure
	cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/kavrin $(ARGS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure

# The Debian package, $(BUILD_DIR)/kavrin_<version>-1_<arch>.deb; `apt install ./$(BUILD_DIR)/kavrin_*.deb`.
package: build
	cmake --build $(BUILD_DIR) --target package

clean:
	rm -rf $(BUILD_DIR) build-asan build-tsan

# Every ctest suite under AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan: any
# report stops the test that made it, and so fails the target.
SANITIZER_JOBS ?= 2
ASAN_ENV := ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 \
	UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1
check-sanitizers:
	cmake -S . -B build-asan $(GENERATOR) -DKAVRIN_SANITIZE=address,undefined -DKAVRIN_BENCH=OFF \
		$(CMAKE_FLAGS)
	cmake --build build-asan -j$(SANITIZER_JOBS)
	cd build-asan && $(ASAN_ENV) ctest --output-on-failure -j$(SANITIZER_JOBS)

# The threaded suites (the link with the run pipeline, and the windows) under ThreadSanitizer, in
# build-tsan. A window test forks a helper, hence die_after_fork=0; tests/tsan.supp lists what
# is reported inside Qt's own uninstrumented code.
TSAN_ENV := TSAN_OPTIONS="halt_on_error=1 abort_on_error=1 die_after_fork=0 \
	suppressions=$(CURDIR)/tests/tsan.supp"
check-tsan:
	cmake -S . -B build-tsan $(GENERATOR) -DKAVRIN_SANITIZE=thread -DKAVRIN_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-tsan -j$(SANITIZER_JOBS) --target kavrin_link_tests kavrin_ui_tests kavrin-cli
	cd build-tsan && $(TSAN_ENV) ctest --output-on-failure -j$(SANITIZER_JOBS) -L '^(link|run|ui)$$'
