# The front door: `make run` starts Mirvel, `make test` runs every test.
# Each target first installs the Debian packages it is missing.

BUILD        := build
NATIVE_DIR   := $(BUILD)/native
WINDOWS_DIR  := $(BUILD)/windows
WINE_PREFIX  := $(abspath $(BUILD)/wine-prefix)
JOBS         ?= $(shell nproc)

NATIVE_PACKAGES  := cmake make g++ libgtest-dev googletest libbenchmark-dev
WINDOWS_PACKAGES := cmake make g++-mingw-w64-x86-64-posix googletest wine wine64 xvfb xauth

# Wine: our own prefix, no Mono/Gecko installer dialogs, quiet.
WINE_ENV := WINEPREFIX=$(WINE_PREFIX) WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all

.PHONY: all build build-native build-windows test test-native test-windows run bench \
        deps-native deps-windows wine-prefix clean

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

# Initialised once, before any test runs in it.
wine-prefix: $(WINE_PREFIX)/.initialised
$(WINE_PREFIX)/.initialised: | deps-windows
	@echo "Preparing the Wine prefix in $(WINE_PREFIX)"
	@mkdir -p $(WINE_PREFIX)
	@$(WINE_ENV) wineboot -i >/dev/null 2>&1
	@$(WINE_ENV) wineserver -w
	@touch $@

test: test-native test-windows

test-native: build-native
	@ctest --preset native -j $(JOBS)

test-windows: build-windows wine-prefix
	@$(WINE_ENV) xvfb-run -a ctest --preset windows -j $(JOBS)

run: build-windows wine-prefix
	@if [ -z "$$DISPLAY" ]; then \
	    echo "make run: no X display (DISPLAY is not set); run it from a desktop session." >&2; exit 1; fi
	@$(WINE_ENV) wine $(WINDOWS_DIR)/Mirvel.exe

bench: build-native
	@$(NATIVE_DIR)/bench/matrix_bench

clean:
	rm -rf $(BUILD)
