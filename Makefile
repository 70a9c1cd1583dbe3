# The front door: `make run` starts Mirvel, `make test` runs every test.
# Each target first installs the Debian packages it is missing.

MAKEFLAGS += --no-print-directory
SHELL := /bin/bash
.SHELLFLAGS := -o pipefail -c

BUILD        := build
NATIVE_DIR   := $(BUILD)/native
WINDOWS_DIR  := $(BUILD)/windows
WINDOWS32_DIR := $(BUILD)/windows32
# Wine prefixes, each made once. Tests and screenshots run in a virtual
# desktop, which needs no window manager under Xvfb: at 96 DPI, at 144 DPI
# (the DPI tests again, and the monkey), and for 32-bit programs where Wine
# runs them. `make run` uses a plain one.
TEST_PREFIX     := $(abspath $(BUILD)/wine-test)
TEST_PREFIX_144 := $(abspath $(BUILD)/wine-test-144)
TEST_PREFIX_32  := $(abspath $(BUILD)/wine-test-32)
RUN_PREFIX      := $(abspath $(BUILD)/wine-run)
# A prefix nothing runs in, copied afresh for each installer test.
CLEAN_PREFIX := $(abspath $(BUILD)/wine-clean)
VERSION      := $(shell sed -n 's/^project.Mirvel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
JOBS         ?= $(shell nproc)

NATIVE_PACKAGES  := cmake make g++ libgtest-dev googletest libbenchmark-dev python3
WINDOWS_PACKAGES := cmake make python3 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest \
                    wine wine64 fonts-wine xvfb xauth
FUZZ_PACKAGES    := cmake make clang libclang-rt-dev
DIST_PACKAGES    := python3 wixl msitools faketime unzip
FUZZ_SECONDS     ?= 60

# No Mono/Gecko installer dialogs; Wine's debug noise off.
WINE_ENV = WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all

.PHONY: all build build-native build-windows build-sanitize build-fuzz test test-native test-sanitize \
        test-fuzz test-windows windows32-suite soak run bench build-windows32 dist test-msi \
        reproducible deps-dist monkey screenshot fuzz deps-native deps-windows deps-fuzz clean

all: build

deps-native:
	@tools/ensure-packages.sh $(NATIVE_PACKAGES)

deps-windows:
	@tools/ensure-packages.sh $(WINDOWS_PACKAGES)

deps-fuzz:
	@tools/ensure-packages.sh $(FUZZ_PACKAGES)

deps-dist:
	@tools/ensure-packages.sh $(DIST_PACKAGES)

# Builds one CMake preset, configuring it first only if it never was: a
# configured folder reconfigures itself when a CMake file changes.
define build-preset
	@[ -f $(BUILD)/$(1)/CMakeCache.txt ] || cmake --preset $(1) >/dev/null
	@cmake --build --preset $(1) -j $(JOBS) | { grep -v -e '^\[ *[0-9]*%\] Built target' || true; }
endef

build: build-native build-windows build-windows32

build-native: deps-native
	$(call build-preset,native)

build-windows: deps-windows
	$(call build-preset,windows)

build-windows32: deps-windows
	$(call build-preset,windows32)

# The core's tests once more, with AddressSanitizer and UBSan.
build-sanitize: deps-native
	$(call build-preset,sanitize)

build-fuzz: deps-fuzz
	$(call build-preset,fuzz)

# Each prefix is initialised once, before anything runs in it.
$(TEST_PREFIX)/.initialised: | deps-windows
	@tools/init-wine-prefix.sh $(TEST_PREFIX) virtual-desktop
	@touch $@

$(TEST_PREFIX_144)/.initialised: | deps-windows
	@tools/init-wine-prefix.sh $(TEST_PREFIX_144) virtual-desktop dpi=144
	@touch $@

$(CLEAN_PREFIX)/.initialised: | deps-windows
	@tools/init-wine-prefix.sh $(CLEAN_PREFIX) virtual-desktop
	@touch $@

$(RUN_PREFIX)/.initialised: | deps-windows
	@tools/init-wine-prefix.sh $(RUN_PREFIX)
	@touch $@

# Every suite, side by side: the Wine suites mostly wait on the window
# system, so the native ones run meanwhile. One line a suite.
test: build-native build-sanitize build-fuzz build-windows build-windows32 dist $(TEST_PREFIX)/.initialised \
      $(TEST_PREFIX_144)/.initialised $(CLEAN_PREFIX)/.initialised
	@tools/run-tests.sh native sanitize fuzz windows=$(TEST_PREFIX) $$($(MAKE) -s windows32-suite) \
	    "msi:$(MSI_TEST)"

test-native: build-native
	@tools/run-tests.sh native

test-sanitize: build-sanitize
	@tools/run-tests.sh sanitize

# A few seconds of fuzzing; `make fuzz` runs for FUZZ_SECONDS.
test-fuzz: build-fuzz
	@tools/run-tests.sh fuzz

fuzz: build-fuzz
	@mkdir -p $(BUILD)/fuzz/corpus
	@$(BUILD)/fuzz/fuzz/matrix_fuzzer -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    $(BUILD)/fuzz/corpus fuzz/corpus

test-windows: build-windows build-windows32 $(TEST_PREFIX)/.initialised $(TEST_PREFIX_144)/.initialised
	@tools/run-tests.sh windows=$(TEST_PREFIX) $$($(MAKE) -s windows32-suite)

# The 32-bit suite to run: all of it where Wine runs 32-bit programs, else
# only the checks of the executable's file, and a plain word on why.
windows32-suite: $(TEST_PREFIX)/.initialised
	@if tools/wine-runs-32-bit.sh $(TEST_PREFIX) $(WINDOWS32_DIR)/matrix_tests.exe $(BUILD)/wine-runs-32-bit; then \
	    [ -f $(TEST_PREFIX_32)/.initialised ] || { tools/init-wine-prefix.sh $(TEST_PREFIX_32) virtual-desktop >&2 \
	        && touch $(TEST_PREFIX_32)/.initialised; }; \
	    echo "windows32=$(TEST_PREFIX_32)"; \
	else \
	    echo "NOTE: the 32-bit core and window tests do not run here: this Wine cannot start 32-bit programs" \
	         "(no wine32; adding it would remove 64-bit Wine on this machine). The 32-bit Mirvel.exe was" \
	         "built with -Werror and its imports, header and size are checked." >&2; \
	    echo "windows32-files"; \
	fi

# What a teacher downloads, in dist/ (see tools/make-dist.sh); the same
# commit gives the same bytes.
dist: build-windows build-windows32 deps-dist
	@tools/make-dist.sh $(WINDOWS_DIR)/Mirvel.exe $(WINDOWS32_DIR)/Mirvel.exe dist

# The x64 installer installed, run and uninstalled in a fresh Wine prefix.
MSI_TEST = xvfb-run -a tools/test-msi.sh dist/Mirvel-$(VERSION)-x64.msi $(CLEAN_PREFIX) $(abspath $(BUILD)/wine-msi) \
           $(WINDOWS_DIR)/screenshot.exe
test-msi: dist $(CLEAN_PREFIX)/.initialised
	@tools/run-tests.sh "msi:$(MSI_TEST)"

# Builds everything twice, from the committed sources in two folders at two
# times, and compares what make dist made.
reproducible: deps-windows deps-dist
	@tools/check-reproducible.sh

# A long random walk through Form1: make monkey SEED=… ACTIONS=…
SEED    ?= 20261208
ACTIONS ?= 50000
MONKEY_PREFIX := $(abspath $(BUILD)/wine-monkey)
$(MONKEY_PREFIX)/.initialised: | deps-windows
	@tools/init-wine-prefix.sh $(MONKEY_PREFIX) virtual-desktop
	@touch $@

# In a prefix of its own, so that it can run beside make test.
monkey: build-windows $(MONKEY_PREFIX)/.initialised
	@WINEPREFIX=$(MONKEY_PREFIX) $(WINE_ENV) MIRVEL_MONKEY_SEED=$(SEED) MIRVEL_MONKEY_ACTIONS=$(ACTIONS) xvfb-run -a \
	    wine $(WINDOWS_DIR)/window_tests.exe --gtest_filter='Monkey.*'

# The soak at full length: SOAK_ROUNDS rounds of Find, Clear and Tab.
SOAK_ROUNDS ?= 2000
soak: build-windows $(TEST_PREFIX)/.initialised
	@WINEPREFIX=$(TEST_PREFIX) $(WINE_ENV) MIRVEL_SOAK_ROUNDS=$(SOAK_ROUNDS) xvfb-run -a \
	    wine $(WINDOWS_DIR)/window_tests.exe --gtest_filter='Soak.*'

run: build-windows $(RUN_PREFIX)/.initialised
	@if [ -z "$$DISPLAY" ]; then \
	    echo "make run: there is no X display (DISPLAY is not set): start it from a desktop session," \
	         "or see the window with 'make screenshot'." >&2; exit 1; fi
	@WINEPREFIX=$(RUN_PREFIX) WINEDLLOVERRIDES="mscoree,mshtml=" wine $(WINDOWS_DIR)/Mirvel.exe

# Pictures of the window and of a result message, for the README.
screenshot: build-windows $(TEST_PREFIX)/.initialised $(TEST_PREFIX_144)/.initialised
	@tools/ensure-packages.sh imagemagick
	@mkdir -p docs
	@WINEPREFIX=$(TEST_PREFIX) $(WINE_ENV) xvfb-run -a -s "-screen 0 800x600x24" \
	    tools/screenshot.sh $(WINDOWS_DIR)/screenshot.exe docs
	@WINEPREFIX=$(TEST_PREFIX_144) $(WINE_ENV) xvfb-run -a -s "-screen 0 800x600x24" \
	    tools/screenshot.sh $(WINDOWS_DIR)/screenshot.exe docs -150

# The core's speed natively; start-up and size of the Windows program.
bench: build-native build-windows build-windows32 $(TEST_PREFIX)/.initialised
	@$(NATIVE_DIR)/bench/matrix_bench
	@WINEPREFIX=$(TEST_PREFIX) $(WINE_ENV) xvfb-run -a wine $(WINDOWS_DIR)/startup_bench.exe
	@for exe in $(WINDOWS_DIR)/Mirvel.exe $(WINDOWS32_DIR)/Mirvel.exe; do \
	    echo "$$exe: $$(stat -c %s $$exe) bytes (goal: at most 131072), imports:" \
	        $$(x86_64-w64-mingw32-objdump -p $$exe | sed -n 's/.*DLL Name: //p' | tr '\n' ' '); \
	done

clean:
	rm -rf $(BUILD)
