# Front door. Every target first installs what is missing, then drives the
# CMake presets (build/linux, build/windows, build/asan, build/tsan, build/fuzz).

SHELL := /bin/bash
JOBS ?= $(shell nproc)
VERSION := $(shell awk '/^project/ {print $$3}' CMakeLists.txt)

PACKAGES := cmake ninja-build g++ clang make git zip unzip \
	libgtest-dev libgmock-dev googletest libbenchmark-dev \
	g++-mingw-w64-x86-64-posix wine64 llvm \
	libcairo2-dev fonts-dejavu-core libinih-dev libclang-rt-14-dev valgrind python3

.PHONY: all deps build linux windows asan tsan test test-linux test-windows test-asan test-tsan \
	demo dist bench fuzz fuzz-build test-fuzz mutate clean

all: build

# Installs only what is missing, once; needs root (apt-get) on a fresh machine.
deps: build/.deps-ok
build/.deps-ok: Makefile
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q "install ok installed" || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "installing:" $$missing; \
		SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
		$$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing >/dev/null; \
	fi
	@mkdir -p build && touch $@

# One target per configure preset.
linux windows asan tsan: deps
	cmake --preset $@ >/dev/null
	cmake --build --preset $@ -j $(JOBS)

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
FUZZ_SHORT_SECONDS ?= 25
fuzz-build: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS) --target plk_fuzz_ini plk_fuzz_settings

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

# Mutation testing of the plug-in against the native unit and heap tests, in
# scratch copies under build/mutate (never in place); not part of `make test`.
# `make mutate FILES=hud/speed_bars.cpp MUTATE_JOBS=2 MUTATE_MINUTES=10`;
# MUTATE_ARGS passes further options (see /usr/bin/python3 tools/mutate.py --help).
MUTATE_JOBS ?= 1
mutate: deps
	/usr/bin/python3 tools/mutate.py --jobs $(MUTATE_JOBS) \
		$(if $(FILES),--files "$(FILES)") $(if $(MUTATE_MINUTES),--minutes $(MUTATE_MINUTES)) \
		$(if $(MUTATE_SAMPLE),--sample $(MUTATE_SAMPLE)) $(MUTATE_ARGS)

demo: linux windows
	@bash tools/demo.sh

dist: windows
	@bash tools/dist.sh $(VERSION)

clean:
	rm -rf build dist
