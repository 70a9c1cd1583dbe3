# The front door: `make run` starts Mirvel, `make test` runs every test.
# Each target first installs the Debian packages it is missing.

MAKEFLAGS += --no-print-directory
SHELL := /bin/bash
.SHELLFLAGS := -o pipefail -c

BUILD        := build
NATIVE_DIR   := $(BUILD)/native
WINDOWS_DIR  := $(BUILD)/windows
WINDOWS32_DIR := $(BUILD)/windows32
# The Wine prefixes (tools/testbench/wine-prefix.sh), in the one folder the
# presets name (MIRVEL_WINE_PREFIXES), each made once for the Wine that is
# installed and made again when Wine changes. Each build lists its tests'
# own (wine-prefixes.txt); besides them, a clean 64-bit one that the
# installer tests copy afresh, and one each for make run, make bench, the
# pictures and the long runs.
# A folder the presets name: $(call preset-folder,MIRVEL_…).
preset-folder = $(abspath $(shell sed -n 's|.*"$(1)": "[$$]{sourceDir}/\(.*\)".*|\1|p' CMakePresets.json))
PREFIXES     := $(call preset-folder,MIRVEL_WINE_PREFIXES)
CLEAN_PREFIX := $(PREFIXES)/clean
RUN_PREFIX   := $(PREFIXES)/run
BENCH_PREFIX := $(PREFIXES)/bench
# The second bench: Debian 13's Wine 10, in a root made once outside the
# source tree (so make clean keeps it), where its own prefixes are seen at
# the same paths as these.
DEBIAN13_ROOT   := $(HOME)/.cache/mirvel/debian13-root
WINE10_PREFIXES := $(PREFIXES)-wine10
WINE10_BENCH    := $(DEBIAN13_ROOT) --prefixes $(WINE10_PREFIXES):$(PREFIXES)
IN_DEBIAN13     := tools/testbench/debian-root.sh run $(WINE10_BENCH)
VERSION      := $(shell sed -n 's/^set(MIRVEL_RELEASE_VERSION \([0-9.]*\)).*/\1/p' CMakeLists.txt)
# The next patch version, for the installer's upgrade test.
NEXT_VERSION := $(shell echo $(VERSION) | awk -F. '{ print $$1 "." $$2 "." $$3 + 1 }')
NEXT_DIR     := $(BUILD)/windows-next
# What make dist and make dist-next make, which the release's tests check.
DIST_DIR      := $(call preset-folder,MIRVEL_DIST)
NEXT_DIST_DIR := $(call preset-folder,MIRVEL_NEXT_DIST)
JOBS         ?= $(shell nproc)
# MIRVEL_MAX_BYTES_X64, _X86 and _SIGNED.
include packaging/size-limits.env

# MIRVEL_SKIP_32BIT=1 leaves 32-bit Wine off a developer's machine, and the
# 32-bit Mirvel untested but for its file; CI never sets it.
MIRVEL_SKIP_32BIT ?=
export MIRVEL_SKIP_32BIT
WINE32_PACKAGES := $(if $(filter 1,$(MIRVEL_SKIP_32BIT)),,wine32:i386)

NATIVE_PACKAGES  := cmake make g++ libgtest-dev googletest libbenchmark-dev python3
WINDOWS_PACKAGES := cmake make python3 python3-pefile g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 googletest \
                    wine wine64 $(WINE32_PACKAGES) fonts-wine xvfb xauth
FUZZ_PACKAGES    := cmake make clang libclang-rt-dev
DEBIAN13_PACKAGES := debootstrap bubblewrap
DIST_PACKAGES    := python3 python3-pefile wixl msitools faketime unzip openssl osslsigncode
# A signing key on a token: SoftHSM2 for the tests' throwaway one, and
# OpenSSL's PKCS#11 engine for any.
SIGNING_PACKAGES := softhsm2 libengine-pkcs11-openssl
FUZZ_SECONDS     ?= 60

# WINEDLLOVERRIDES and WINEDEBUG, as every script takes them too.
include tools/testbench/wine.env
WINE_ENV = WINEDLLOVERRIDES="$(WINEDLLOVERRIDES)" WINEDEBUG=$(WINEDEBUG)

.PHONY: all build build-native build-windows build-sanitize build-fuzz test test-quick test-native test-sanitize \
        test-fuzz test-windows test-prefixes long-run-prefix test-wine-prefix test-signing soak run bench build-windows32 dist dist-next test-msi \
        reproducible deps-dist monkey screenshot fuzz deps-native deps-windows deps-fuzz deps-debian13 debian13-root \
        test-prefixes-wine10 clean

all: build

deps-native:
	@tools/testbench/ensure-packages.sh $(NATIVE_PACKAGES)

deps-windows:
	@tools/testbench/ensure-packages.sh $(WINDOWS_PACKAGES)

deps-fuzz:
	@tools/testbench/ensure-packages.sh $(FUZZ_PACKAGES)

deps-dist:
	@tools/testbench/ensure-packages.sh $(DIST_PACKAGES) $(SIGNING_PACKAGES)

deps-debian13:
	@tools/testbench/ensure-packages.sh $(DEBIAN13_PACKAGES)

# Builds one CMake preset, configuring it first if it never was or the
# presets or toolchains changed since: a configured folder reconfigures
# itself when a CMake file changes, but not for a preset's cache variables,
# and a changed compiler empties its cache.
CONFIGURE_INPUTS := CMakePresets.json $(wildcard cmake/*.cmake)
stale = $(shell for input in $(CONFIGURE_INPUTS); do [ $(1) -nt $$input ] || echo stale; done)
define build-preset
	@$(if $(call stale,$(BUILD)/$(1)/CMakeCache.txt),cmake --preset $(1) >/dev/null,:)
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

# The prefixes of the tests, as the builds list them, seen to side by side.
TEST_PREFIX_LISTS := $(WINDOWS_DIR)/wine-prefixes.txt
ifneq ($(MIRVEL_SKIP_32BIT),1)
TEST_PREFIX_LISTS += $(WINDOWS32_DIR)/wine-prefixes.txt
WINDOWS32_SUITES  := windows32 windows32-wine10
else
WINDOWS32_SUITES  := windows32-files
endif
test-prefixes: build-windows build-windows32
	@tools/testbench/wine-prefix.sh $$(cat $(TEST_PREFIX_LISTS)) $(CLEAN_PREFIX),virtual-desktop

# The Debian 13 root with Wine 10 (tools/testbench/debian-root.sh), and the
# tests' prefixes in it.
debian13-root: deps-debian13
	@tools/testbench/debian-root.sh ensure $(DEBIAN13_ROOT)

test-prefixes-wine10: debian13-root build-windows build-windows32
	@$(IN_DEBIAN13) tools/testbench/wine-prefix.sh $$(cat $(TEST_PREFIX_LISTS))

# Says loudly what MIRVEL_SKIP_32BIT leaves untested.
define warn-skip-32bit
	@[ "$(MIRVEL_SKIP_32BIT)" != 1 ] || echo "WARNING: MIRVEL_SKIP_32BIT=1: the 32-bit Mirvel's core, window, DPI," \
	    "monkey and soak tests, and the start of the program the x86 installer installs, were NOT run; only its file was checked." >&2
endef

# Every suite, side by side, on both benches (Wine 8 here, Wine 10 in the
# Debian 13 root): the Wine suites mostly wait on the window system, so the
# native ones run meanwhile. windows-release is the installers', signing's
# and the prefixes' tests.
RUN_TESTS = tools/testbench/run-tests.sh --debian13 $(WINE10_BENCH)
test: build-native build-sanitize build-fuzz build-windows build-windows32 dist dist-next test-prefixes test-prefixes-wine10
	$(warn-skip-32bit)
	@$(RUN_TESTS) native sanitize fuzz windows windows-release windows-wine10 $(WINDOWS32_SUITES)
	$(warn-skip-32bit)

# The quick loop: the native suites and the Wine 8 window suites.
test-quick: build-native build-sanitize build-windows build-windows32 test-prefixes
	@$(RUN_TESTS) native sanitize windows $(filter-out %-wine10,$(WINDOWS32_SUITES))
	$(warn-skip-32bit)

test-native: build-native
	@$(RUN_TESTS) native

test-sanitize: build-sanitize
	@$(RUN_TESTS) sanitize

# A few seconds of fuzzing; `make fuzz` runs for FUZZ_SECONDS.
test-fuzz: build-fuzz
	@$(RUN_TESTS) fuzz

fuzz: build-fuzz
	@mkdir -p $(BUILD)/fuzz/corpus
	@$(BUILD)/fuzz/fuzz/matrix_fuzzer -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    $(BUILD)/fuzz/corpus fuzz/corpus

test-windows: build-windows build-windows32 test-prefixes test-prefixes-wine10
	@$(RUN_TESTS) windows windows-wine10 $(WINDOWS32_SUITES)
	$(warn-skip-32bit)

# What a teacher downloads, in dist/ (see tools/packaging/make-dist.sh); the same
# commit gives the same bytes. Signed when a signer is named
# (MIRVEL_SIGN_CERTS, MIRVEL_SIGN_KEY…: tools/packaging/signing.sh), never otherwise.
dist: build-windows build-windows32 deps-dist
	@tools/packaging/make-dist.sh $(DIST_DIR) x64=$(WINDOWS_DIR)/Mirvel.exe x86=$(WINDOWS32_DIR)/Mirvel.exe

# The x64 installer of the next patch version, built from the same sources
# (the version set for that build folder only), for the upgrade test.
dist-next: build-windows deps-dist
	@$(if $(call stale,$(NEXT_DIR)/CMakeCache.txt),cmake --preset windows -B $(NEXT_DIR) \
	    -DMIRVEL_VERSION=$(NEXT_VERSION) -DMIRVEL_BUILD_TESTS=OFF >/dev/null,:)
	@cmake --build $(NEXT_DIR) --target Mirvel -j $(JOBS) | { grep -v -e '^\[ *[0-9]*%\] Built target' || true; }
	@tools/packaging/make-dist.sh $(NEXT_DIST_DIR) x64=$(NEXT_DIR)/Mirvel.exe >/dev/null

# One of the release's tests, by its CTest name.
RUN_ONE = xvfb-run -a ctest --preset windows-release --output-on-failure -R
# Both installers installed, replacing each other, upgraded, refused as a
# downgrade and uninstalled in a fresh 64-bit Wine prefix (tests/packaging/test-msi.sh).
test-msi: dist dist-next test-prefixes
	@$(RUN_ONE) '^msi$$'

# A release signed with a throwaway key on a SoftHSM2 token, checked
# (tests/packaging/test-signing.sh).
test-signing: dist test-prefixes
	@$(RUN_ONE) '^signing$$'

# A prefix is made again when the Wine that made it changed (make test), or
# when it no longer starts programs (make test-wine-prefix, both).
test-wine-prefix: test-prefixes
	@tests/testbench/test-wine-prefix.sh $(CLEAN_PREFIX) $(PREFIXES)/scratch broken-too

# Builds everything twice, from the committed sources in two folders at two
# times, and compares what make dist made.
reproducible: deps-windows deps-dist
	@tools/packaging/check-reproducible.sh

# Long runs, for either architecture: ARCH=x64 (the default) or ARCH=x86,
# checked only by the targets that take it.
ARCH ?= x64
comma := ,
ARCH_DIR := $(if $(filter x86,$(ARCH)),$(WINDOWS32_DIR),$(WINDOWS_DIR))
ARCH_PREFIX_OPTIONS := $(if $(filter x86,$(ARCH)),$(comma)arch=win32)
LONG_RUN_PREFIX := $(PREFIXES)/long-$(ARCH)
# In a prefix of their own, so that they can run beside make test.
long-run-prefix: deps-windows
	@case "$(ARCH)" in x64|x86) ;; *) echo "ARCH is x64 or x86, not $(ARCH)" >&2; exit 2;; esac
	@tools/testbench/wine-prefix.sh $(LONG_RUN_PREFIX),virtual-desktop$(ARCH_PREFIX_OPTIONS)

# A long random walk through Form1: make monkey SEED=… ACTIONS=… ARCH=… (the
# seed is the test's own unless given).
ACTIONS ?= 50000
monkey: build-windows build-windows32 long-run-prefix
	@WINEPREFIX=$(LONG_RUN_PREFIX) $(WINE_ENV) $(if $(SEED),MIRVEL_MONKEY_SEED=$(SEED)) MIRVEL_MONKEY_ACTIONS=$(ACTIONS) xvfb-run -a \
	    wine $(ARCH_DIR)/window_tests.exe --gtest_filter='Monkey.*'

# The soak at full length: SOAK_ROUNDS rounds of Find, Clear and Tab.
SOAK_ROUNDS ?= 2000
soak: build-windows build-windows32 long-run-prefix
	@WINEPREFIX=$(LONG_RUN_PREFIX) $(WINE_ENV) MIRVEL_SOAK_ROUNDS=$(SOAK_ROUNDS) xvfb-run -a \
	    wine $(ARCH_DIR)/window_tests.exe --gtest_filter='Soak.*'

run: build-windows deps-windows
	@if [ -z "$$DISPLAY" ]; then \
	    echo "make run: there is no X display (DISPLAY is not set): start it from a desktop session," \
	         "or see the window with 'make screenshot'." >&2; exit 1; fi
	@tools/testbench/wine-prefix.sh $(RUN_PREFIX)
	@WINEPREFIX=$(RUN_PREFIX) WINEDLLOVERRIDES="$(WINEDLLOVERRIDES)" wine $(WINDOWS_DIR)/Mirvel.exe

# Pictures of the window and of a result message, for the README.
screenshot: build-windows
	@tools/testbench/ensure-packages.sh imagemagick
	@tools/testbench/wine-prefix.sh $(PREFIXES)/pictures,virtual-desktop $(PREFIXES)/pictures-144,virtual-desktop,dpi=144
	@mkdir -p docs
	@WINEPREFIX=$(PREFIXES)/pictures $(WINE_ENV) xvfb-run -a -s "-screen 0 800x600x24" \
	    tools/driver/pictures.sh $(WINDOWS_DIR)/driver.exe docs
	@WINEPREFIX=$(PREFIXES)/pictures-144 $(WINE_ENV) xvfb-run -a -s "-screen 0 800x600x24" \
	    tools/driver/pictures.sh $(WINDOWS_DIR)/driver.exe docs -150

# Every figure of docs/performance.md (bench/run.sh).
bench: build-native build-windows build-windows32 deps-dist
	@tools/testbench/wine-prefix.sh $(BENCH_PREFIX),virtual-desktop
	@bench/run.sh $(NATIVE_DIR) $(WINDOWS_DIR) $(WINDOWS32_DIR) $(BENCH_PREFIX) $(BUILD)/bench

clean:
	rm -rf $(BUILD)
