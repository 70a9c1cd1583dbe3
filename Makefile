# The front door: `make run` starts Mirvel, `make test` runs every test.
# Each target first installs the Debian packages it is missing.

BUILD        := build
NATIVE_DIR   := $(BUILD)/native
WINDOWS_DIR  := $(BUILD)/windows
# Two Wine prefixes: tests and screenshots run in a virtual desktop, which
# needs no window manager under Xvfb; `make run` uses a plain one.
TEST_PREFIX  := $(abspath $(BUILD)/wine-test)
RUN_PREFIX   := $(abspath $(BUILD)/wine-run)
JOBS         ?= $(shell nproc)

NATIVE_PACKAGES  := cmake make g++ libgtest-dev googletest libbenchmark-dev python3
WINDOWS_PACKAGES := cmake make g++-mingw-w64-x86-64-posix googletest wine wine64 xvfb xauth

# No Mono/Gecko installer dialogs; Wine's debug noise off.
WINE_ENV = WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all

.PHONY: all build build-native build-windows test test-native test-windows run bench screenshot \
        deps-native deps-windows clean

all: build

deps-native:
	@tools/ensure-packages.sh $(NATIVE_PACKAGES)

deps-windows:
	@tools/ensure-packages.sh $(WINDOWS_PACKAGES)

build: build-native build-windows

build-native: deps-native
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS)

build-windows: deps-windows
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j $(JOBS)

# Each prefix is initialised once, before anything runs in it.
$(TEST_PREFIX)/.initialised: | deps-windows
	@tools/init-wine-prefix.sh $(TEST_PREFIX) virtual-desktop
	@touch $@

$(RUN_PREFIX)/.initialised: | deps-windows
	@tools/init-wine-prefix.sh $(RUN_PREFIX)
	@touch $@

test: test-native test-windows

test-native: build-native
	@ctest --preset native -j $(JOBS)

test-windows: build-windows $(TEST_PREFIX)/.initialised
	@WINEPREFIX=$(TEST_PREFIX) $(WINE_ENV) xvfb-run -a ctest --preset windows -j $(JOBS)

run: build-windows $(RUN_PREFIX)/.initialised
	@if [ -z "$$DISPLAY" ]; then \
	    echo "make run: there is no X display (DISPLAY is not set): start it from a desktop session," \
	         "or see the window with 'make screenshot'." >&2; exit 1; fi
	@WINEPREFIX=$(RUN_PREFIX) WINEDLLOVERRIDES="mscoree,mshtml=" wine $(WINDOWS_DIR)/Mirvel.exe

# Pictures of the window and of a result message, for the README.
screenshot: build-windows $(TEST_PREFIX)/.initialised
	@tools/ensure-packages.sh imagemagick
	@mkdir -p docs
	@WINEPREFIX=$(TEST_PREFIX) $(WINE_ENV) xvfb-run -a -s "-screen 0 800x600x24" \
	    tools/screenshot.sh $(WINDOWS_DIR)/screenshot.exe docs

bench: build-native
	@$(NATIVE_DIR)/bench/matrix_bench

clean:
	rm -rf $(BUILD)
