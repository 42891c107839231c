# The two set-up commands of the README. Both install what is missing, configure and build.
# `make run ARGS=FILE.kvn` passes arguments to kavrin; `make package` builds the Debian package.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps configure build run test package clean check-sanitizers check-sanitizers-ui \
	build-asan-ui check-monkey check-tsan check-recovery fuzz-build fuzz-long \
	windows windows-test windows-core windows-core-test

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

# Windows, cross-built here (scripts/build-windows.sh): `make windows` builds Qt for Windows once
# (cached outside the tree), then build-windows/kavrin.exe, kavrin-cli.exe and
# kavrin-1.3-setup.exe; `make windows-test` runs the suites and the comparisons under Wine.
# The -core pair builds and checks kavrin-cli.exe and the core's tests without Qt.
windows:
	KAVRIN_HOST_BUILD_DIR=$(abspath $(BUILD_DIR)) ./scripts/build-windows.sh

windows-test: windows
	KAVRIN_HOST_BUILD_DIR=$(abspath $(BUILD_DIR)) ./scripts/windows-test.sh

windows-core:
	KAVRIN_HOST_BUILD_DIR=$(abspath $(BUILD_DIR)) ./scripts/build-windows.sh --core

windows-core-test: windows-core
	KAVRIN_HOST_BUILD_DIR=$(abspath $(BUILD_DIR)) ./scripts/windows-test.sh --core

clean:
	rm -rf $(BUILD_DIR) build-asan build-tsan build-windows build-windows-core

# Every ctest suite under AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan: any
# report stops the test that made it, and so fails the target.
SANITIZER_JOBS ?= 2
# The window and recovery suites are in it too, hence Qt's own leaks in tests/lsan.supp.
ASAN_ENV := ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1
check-sanitizers:
	cmake -S . -B build-asan $(GENERATOR) -DKAVRIN_SANITIZE=address,undefined -DKAVRIN_BENCH=OFF \
		$(CMAKE_FLAGS)
	cmake --build build-asan -j$(SANITIZER_JOBS)
	cd build-asan && $(ASAN_ENV) ctest --output-on-failure -j$(SANITIZER_JOBS)

# Only the window tests, in a Debug build under the same sanitizers: the quick round after a
# change to src/ui. tests/lsan.supp lists the leaks that are Qt's own, not Kavrin's.
UI_ASAN_ENV := QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
build-asan-ui:
	cmake -S . -B build-asan $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
		-DKAVRIN_SANITIZE=address,undefined -DKAVRIN_BENCH=OFF $(CMAKE_FLAGS)
	nice -n 10 cmake --build build-asan --target kavrin_ui_tests -j$(SANITIZER_JOBS)
check-sanitizers-ui: build-asan-ui
	$(UI_ASAN_ENV) build-asan/tests/ui/kavrin_ui_tests

# The long random-gesture run over the windows in that build: MONKEY_MINUTES of rounds, each
# with a fresh seed that it prints; MONKEY_SEED=n replays one round.
MONKEY_MINUTES ?= 5
check-monkey: build-asan-ui
	$(UI_ASAN_ENV) KAVRIN_MONKEY_MINUTES=$(MONKEY_MINUTES) \
		$(if $(MONKEY_SEED),KAVRIN_MONKEY_SEED=$(MONKEY_SEED)) \
		build-asan/tests/ui/kavrin_ui_tests --gtest_also_run_disabled_tests \
		--gtest_filter='RandomGestures.DISABLED_*'

# The threaded suites (the link with the run pipeline, the judge's workers, the file locks, the
# tokenizers on threads of their own, the virtual robot's line, the windows and the recovery
# rounds) under ThreadSanitizer, in
# build-tsan. A window test forks a helper, hence die_after_fork=0; tests/tsan.supp lists what
# is reported inside Qt's own uninstrumented code. Tests run several times slower: 600 s each.
TSAN_ENV := TSAN_OPTIONS="halt_on_error=1 abort_on_error=1 die_after_fork=0 \
	suppressions=$(CURDIR)/tests/tsan.supp"
check-tsan:
	cmake -S . -B build-tsan $(GENERATOR) -DKAVRIN_SANITIZE=thread -DKAVRIN_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-tsan -j$(SANITIZER_JOBS) --target kavrin_link_tests kavrin_run_tests kavrin_judge_tests \
		kavrin_fileio_tests kavrin_tokenizer_tests kavrin_sim_tests kavrin_ui_tests kavrin_recovery_tests \
		kavrin-cli kavrin
	cd build-tsan && $(TSAN_ENV) ctest --output-on-failure --timeout 600 -j$(SANITIZER_JOBS) \
		-L '^(link|run|judge|fileio|tokenizer|sim|ui|recovery)$$'

# The libFuzzer targets (tests/fuzz) in build-fuzz, built with clang.
FUZZ_TARGETS ?= tokenizer kvn processor mission judge
fuzz-build:
	@if [ ! -f build-fuzz/CMakeCache.txt ]; then \
		CC=clang CXX=clang++ cmake -S . -B build-fuzz $(GENERATOR) -DKAVRIN_FUZZ=ON \
			-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVRIN_BENCH=OFF; \
	fi
	cmake --build build-fuzz -j$(SANITIZER_JOBS) --target $(foreach t,$(FUZZ_TARGETS),kavrin_$(t)_fuzz)

# Each target to 10 M executions (FUZZ_RUNS), or for FUZZ_SECONDS each, in FUZZ_JOBS processes
# (2: the two cores); prints exec/s, the corpus's coverage and whatever was found
# (scripts/fuzz-long.sh). The corpora stay in build-fuzz/fuzz-long for the next round.
FUZZ_SECONDS ?= 0
FUZZ_JOBS ?= 2
fuzz-long: fuzz-build
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_JOBS=$(FUZZ_JOBS) FUZZ_TARGETS="$(FUZZ_TARGETS)" \
		$(if $(FUZZ_RUNS),FUZZ_RUNS=$(FUZZ_RUNS)) ./scripts/fuzz-long.sh

# The crash rounds at length (tests/recovery): RECOVERY_ROUNDS times the real kavrin on Xvfb,
# editing at random, killed with SIGKILL at a random moment, its recovery copy checked against
# what it did. The run's seed is printed; RECOVERY_SEED=n replays it.
RECOVERY_ROUNDS ?= 50
check-recovery: build
	xvfb-run -a -s "-screen 0 1280x1024x24" env KAVRIN_RECOVERY_PLATFORM=xcb \
		KAVRIN_RECOVERY_ROUNDS=$(RECOVERY_ROUNDS) \
		$(if $(RECOVERY_SEED),KAVRIN_RECOVERY_SEED=$(RECOVERY_SEED)) \
		$(BUILD_DIR)/tests/recovery/kavrin_recovery_tests
