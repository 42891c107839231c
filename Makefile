# The two set-up commands of the README. Both install what is missing, configure and build.
# `make run ARGS=FILE.kvn` passes arguments to kavrin; `make package` builds the Debian package.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps configure build run test package clean windows windows-test windows-core windows-core-test

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
	rm -rf $(BUILD_DIR) build-windows build-windows-core
