# The front door: `make run` starts Mirvel, `make test` runs every test.
# Each target first installs the Debian packages it is missing.

MAKEFLAGS += --no-print-directory

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
FUZZ_PACKAGES    := cmake make clang libclang-rt-dev
FUZZ_SECONDS     ?= 60

# No Mono/Gecko installer dialogs; Wine's debug noise off.
WINE_ENV = WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all

.PHONY: all build build-native build-windows build-sanitize build-fuzz test test-native test-sanitize \
        test-fuzz test-windows run bench screenshot fuzz deps-native deps-windows deps-fuzz clean

all: build

deps-native:
	@tools/ensure-packages.sh $(NATIVE_PACKAGES)

deps-windows:
	@tools/ensure-packages.sh $(WINDOWS_PACKAGES)

deps-fuzz:
	@tools/ensure-packages.sh $(FUZZ_PACKAGES)

# Configures and builds one CMake preset.
define build-preset
	@cmake --preset $(1) >/dev/null
	@cmake --build --preset $(1) -j $(JOBS)
endef

build: build-native build-windows

build-native: deps-native
	$(call build-preset,native)

build-windows: deps-windows
	$(call build-preset,windows)

# The core's tests once more, with AddressSanitizer and UBSan.
build-sanitize: deps-native
	$(call build-preset,sanitize)

build-fuzz: deps-fuzz
	$(call build-preset,fuzz)

# Each prefix is initialised once, before anything runs in it.
$(TEST_PREFIX)/.initialised: | deps-windows
	@tools/init-wine-prefix.sh $(TEST_PREFIX) virtual-desktop
	@touch $@

$(RUN_PREFIX)/.initialised: | deps-windows
	@tools/init-wine-prefix.sh $(RUN_PREFIX)
	@touch $@

test: test-native test-sanitize test-fuzz test-windows

test-native: build-native
	@ctest --preset native -j $(JOBS)

test-sanitize: build-sanitize
	@ctest --preset sanitize -j $(JOBS)

# A few seconds of fuzzing; `make fuzz` runs for FUZZ_SECONDS.
test-fuzz: build-fuzz
	@ctest --preset fuzz

fuzz: build-fuzz
	@mkdir -p $(BUILD)/fuzz/corpus
	@$(BUILD)/fuzz/fuzz/matrix_fuzzer -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    $(BUILD)/fuzz/corpus fuzz/corpus

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

# The core's speed natively; start-up and size of the Windows program.
bench: build-native build-windows $(TEST_PREFIX)/.initialised
	@$(NATIVE_DIR)/bench/matrix_bench
	@WINEPREFIX=$(TEST_PREFIX) $(WINE_ENV) xvfb-run -a wine $(WINDOWS_DIR)/startup_bench.exe
	@echo "Mirvel.exe: $$(stat -c %s $(WINDOWS_DIR)/Mirvel.exe) bytes (goal: at most 262144), imports:" \
	    $$(x86_64-w64-mingw32-objdump -p $(WINDOWS_DIR)/Mirvel.exe | sed -n 's/.*DLL Name: //p' | tr '\n' ' ')

clean:
	rm -rf $(BUILD)
