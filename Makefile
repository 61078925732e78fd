# Front door. Every target first installs what is missing, then drives the
# CMake presets (build/linux, build/windows, build/asan, build/tsan, build/fuzz).

SHELL := /bin/bash
JOBS ?= $(shell nproc)
VERSION := $(shell awk '/^project/ {print $$3}' CMakeLists.txt)

# Debian packages, by what needs them. `make check` installs only the first set.
NATIVE_PACKAGES := cmake ninja-build g++ make git \
	libgtest-dev libgmock-dev googletest libbenchmark-dev \
	libcairo2-dev fonts-dejavu-core libinih-dev
PACKAGES := $(NATIVE_PACKAGES) clang zip unzip \
	g++-mingw-w64-x86-64-posix wine64 llvm libclang-rt-14-dev valgrind

.PHONY: all deps deps-native build linux windows asan tsan check test test-linux test-windows test-asan test-tsan \
	demo dist bench fuzz fuzz-build test-fuzz clean

all: build

# Installs only what is missing, once; needs root (apt-get) on a fresh machine.
install = missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q "install ok installed" || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "installing:" $$missing; \
		SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
		$$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing >/dev/null; \
	fi

deps: build/.deps-ok
build/.deps-ok: Makefile
	@$(call install,$(PACKAGES))
	@mkdir -p build && touch $@ build/.deps-native-ok

deps-native: build/.deps-native-ok
build/.deps-native-ok: Makefile
	@$(call install,$(NATIVE_PACKAGES))
	@mkdir -p build && touch $@

# One target per configure preset; the native build needs only its own packages.
linux: deps-native
windows asan tsan: deps
linux windows asan tsan:
	cmake --preset $@ >/dev/null
	cmake --build --preset $@ -j $(JOBS)

# The quick loop while editing: the native build and its tests.
check: linux
	ctest --preset linux -j $(JOBS)

build: linux windows

test-windows: windows
	ctest --preset windows -j 2

test-asan: asan
	ctest --preset asan -j $(JOBS)

test-tsan: tsan
	ctest --preset tsan -j $(JOBS) -E DeathTest

test-linux: linux
	ctest --preset linux -j $(JOBS)

# libFuzzer targets: `make fuzz FUZZ_SECONDS=600` runs each that long;
# make test runs each briefly.
FUZZ_SECONDS ?= 120
FUZZ_SHORT_SECONDS ?= 15
fuzz-build: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS) --target plk_fuzz_ini plk_fuzz_settings plk_fuzz_scenario plk_fuzz_drawlist plk_fuzz_checker

fuzz: fuzz-build
	bash fuzz/run.sh build/fuzz/fuzz $(FUZZ_SECONDS)

test-fuzz: fuzz-build
	bash fuzz/run.sh build/fuzz/fuzz $(FUZZ_SHORT_SECONDS)

# Every benchmark, then one table of figures and goals.
bench: linux windows
	@bash bench/report.sh

# Everything, native and under Wine; the native suite runs last so the
# output ends with its summary.
test: test-windows test-asan test-tsan test-fuzz test-linux

demo: linux windows
	@bash scenarios/demo.sh

dist: windows
	@bash tools/release/dist.sh $(VERSION)

clean:
	rm -rf build dist
