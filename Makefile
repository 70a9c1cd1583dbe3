# The front door: `make run` starts Mirvel, `make test` runs every test; each
# target first installs the Debian packages it is missing. Folders, versions
# and prefixes are CMake's: this file names presets and targets.

MAKEFLAGS += --no-print-directory
SHELL := /bin/bash
.SHELLFLAGS := -o pipefail -c

# MIRVEL_SKIP_32BIT=1 leaves 32-bit Wine off a developer's machine, and the
# 32-bit Mirvel untested but for its file; CI never sets it.
MIRVEL_SKIP_32BIT ?=
export MIRVEL_SKIP_32BIT
ifeq ($(MIRVEL_SKIP_32BIT),1)
WINDOWS32_SUITES := windows32-files
else
WINE32_PACKAGE   := wine32:i386
WINDOWS32_SUITES := windows32 windows32-wine10
endif

NATIVE_PACKAGES   := cmake make g++ libgtest-dev googletest libbenchmark-dev python3
WINDOWS_PACKAGES  := cmake make python3 python3-pefile g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 googletest \
                     wine wine64 $(WINE32_PACKAGE) fonts-wine xvfb xauth
FUZZ_PACKAGES     := cmake make clang libclang-rt-dev
DEBIAN13_PACKAGES := mmdebstrap bubblewrap
# The release, signed with a key on a token (SoftHSM2 for the tests'), with
# Debian's checks of its package; the check that it reproduces.
DIST_PACKAGES     := python3 python3-pefile wixl msitools faketime zip unzip openssl osslsigncode \
                     softhsm2 libengine-pkcs11-openssl txt2man lintian desktop-file-utils appstream
REPRODUCIBLE_PACKAGES := reprotest diffoscope-minimal locales-all

# The second bench: Debian 13's Wine 10, in a root of its own.
IN_DEBIAN13 := tools/testbench/debian-root.sh run

.PHONY: all build test test-quick test-msi test-signing dist reproducible run screenshot bench \
        fuzz monkey soak clean debian13-root

all: build

deps-%:
	@tools/testbench/ensure-packages.sh $($(shell echo $* | tr a-z A-Z)_PACKAGES)

# Configuring is quick when nothing changed, and picks up a changed preset.
build-native build-sanitize: deps-native
build-windows build-windows32: deps-windows
build-fuzz: deps-fuzz
build-%:
	@cmake --preset $* >/dev/null
	@cmake --build --preset $* -j $$(nproc) | { grep -v -e '^\[ *[0-9]*%\] Built target' || true; }

build: build-native build-windows build-windows32

debian13-root: deps-debian13
	@tools/testbench/debian-root.sh ensure

# One CTest preset (the Windows ones under Xvfb, those of Wine 10 in the
# Debian 13 root), ending with its bench, architecture, outcome and time.
in-bench-of = $(if $(filter %-wine10,$1),$(IN_DEBIAN13))
arch-of = $(if $(findstring 32,$1),x86,x64)
suite-%:
	@bench="$$($(call in-bench-of,$*) $(if $(filter windows%,$*),wine --version,echo no Wine))"; \
	echo "=== $*: $$bench, $(call arch-of,$*)"; start=$$(date +%s); \
	$(call in-bench-of,$*) $(if $(filter windows%,$*),xvfb-run -a) ctest --preset $*; status=$$?; \
	mkdir -p build/results; \
	echo "$*: $$bench, $(call arch-of,$*): $$([ $$status = 0 ] && echo passed || echo FAILED)" \
	     "in $$(($$(date +%s) - start)) s" | tee build/results/$*.txt; exit $$status

# Runs suites side by side, each one's output shown whole when it ends, then
# a line for each: $(call run-suites,SUITE...)
define run-suites
	@rm -f $(patsubst %,build/results/%.txt,$1); $(MAKE) -k -j -O $(addprefix suite-,$1); status=$$?; \
	echo "=== every suite:"; cat $(patsubst %,build/results/%.txt,$1); exit $$status
endef

# Says loudly what MIRVEL_SKIP_32BIT leaves untested.
define warn-skip-32bit
	@[ "$(MIRVEL_SKIP_32BIT)" != 1 ] || echo "WARNING: MIRVEL_SKIP_32BIT=1: the 32-bit Mirvel's core, window, DPI," \
	    "monkey and soak tests, and the start of the program the x86 installer installs, were NOT run; only its file was checked." >&2
endef

# Every suite on both benches: the Wine suites mostly wait on the window
# system, so the native ones run meanwhile.
test: build-native build-sanitize build-fuzz build-windows build-windows32 deps-dist debian13-root
	$(warn-skip-32bit)
	$(call run-suites,native sanitize fuzz windows windows-release windows-wine10 $(WINDOWS32_SUITES))
	$(warn-skip-32bit)

# The quick loop: the native suites and the Wine 8 window suites.
test-quick: build-native build-sanitize build-windows build-windows32
	$(call run-suites,native sanitize windows $(filter-out %-wine10,$(WINDOWS32_SUITES)))
	$(warn-skip-32bit)

# One of the release's tests, with what it needs made first.
test-msi test-signing: test-%: build-windows deps-dist
	@xvfb-run -a ctest --preset windows-release -R '^$*$$'

# What a teacher downloads, in dist/ (tools/packaging/make-dist.sh), signed
# when a signer is named (tools/packaging/signing.sh), never otherwise.
dist: build-windows deps-dist
	@cmake --build --preset windows --target dist

# The release built twice by reprotest from the committed sources, varying
# the clock, time zone, locale, build path, umask and more.
reproducible: deps-windows deps-dist deps-reproducible
	@work=$$(mktemp -d) && trap 'rm -rf "$$work"' EXIT && git clone -q . "$$work/mirvel" && \
	reprotest --vary=-user_group,-domain_host,-fileordering,-kernel --min-cpus=$$(nproc) \
	    "cmake --preset windows >/dev/null && cmake --build --preset windows --target dist >/dev/null" 'dist/*' \
	    -s "$$work/mirvel"

# The long runs: make monkey SEED=… ACTIONS=… (the seed is the test's own
# unless given), make soak SOAK_ROUNDS=…; for either architecture (ARCH=x64,
# the default, or x86), at 96 or 144 DPI (DPI=96 unless given), on either
# bench (WINE=8, this machine's, the default, or 10, the Debian 13 root's).
ARCH ?= x64
DPI ?= 96
WINE ?= 8
one-of = $(if $(filter-out 1,$(words $($1)))$(filter-out $2,$($1)),$(error $1=$($1): say one of $2))
ifneq ($(filter monkey soak,$(MAKECMDGOALS)),)
$(call one-of,ARCH,x64 x86)
$(call one-of,DPI,96 144)
$(call one-of,WINE,8 10)
endif
monkey soak: build-windows build-windows32 $(if $(filter 10,$(WINE)),debian13-root)
	@$(if $(filter 10,$(WINE)),$(IN_DEBIAN13)) env $(if $(SEED),MIRVEL_MONKEY_SEED=$(SEED)) \
	    MIRVEL_MONKEY_ACTIONS=$(or $(ACTIONS),50000) MIRVEL_SOAK_ROUNDS=$(or $(SOAK_ROUNDS),2000) \
	    xvfb-run -a ctest --preset long$(if $(filter x86,$(ARCH)),32) -R '^$@$(if $(filter 144,$(DPI)),_144dpi)$$'

run: build-windows
	@if [ -z "$$DISPLAY" ]; then \
	    echo "make run: there is no X display (DISPLAY is not set): start it from a desktop session," \
	         "or see the window with 'make screenshot'." >&2; exit 1; fi
	@cmake --build --preset windows --target run

# Pictures of the window and of a result message, for the README.
screenshot: build-windows
	@tools/testbench/ensure-packages.sh imagemagick
	@cmake --build --preset windows --target screenshot

# Every figure of docs/performance.md: the core's speed, each program's size.
bench: build-native build-windows build-windows32
	@for preset in native windows windows32; do cmake --build --preset $$preset --target bench || exit; done

# libFuzzer for FUZZ_SECONDS (default 60).
fuzz: build-fuzz
	@cmake --build --preset fuzz --target fuzz

clean:
	rm -rf build
