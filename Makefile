# Front door. Every target first installs what is missing, then drives the
# CMake presets (build/linux, build/windows, build/asan, build/tsan, build/fuzz,
# build/web).

SHELL := /bin/bash
JOBS ?= $(shell nproc)
VERSION := $(shell awk '/^project/ {print $$3}' CMakeLists.txt)

# Debian packages, by what needs them. `make check` installs only the first set.
NATIVE_PACKAGES := cmake ninja-build g++ make git \
	libgtest-dev libgmock-dev googletest libbenchmark-dev \
	libcairo2-dev fonts-dejavu-core libinih-dev gettext
# What the release package is built from, and all `make dist` installs: the
# compilers and runtimes whose output ships, what drives them, and the tools
# that write the package (the notices read the links with llvm and the
# copyright files with python3-debian). BUILDINFO.txt records their versions
# and those of all they depend on.
DIST_PACKAGES := cmake ninja-build make git googletest g++-mingw-w64-x86-64-posix llvm \
	emscripten esbuild nodejs gettext zip python3-debian
PACKAGES := $(NATIVE_PACKAGES) $(DIST_PACKAGES) clang unzip wine64 libclang-rt-dev valgrind
# The settings page and its browser tests. npm only where there is none: a
# node from elsewhere may bring its own and conflict with Debian's.
WEB_PACKAGES := cmake ninja-build emscripten esbuild chromium firefox-esr fonts-dejavu-core gettext \
	$(if $(shell command -v npm),,npm)
NODE_DIR := build/web/node

.PHONY: all deps deps-native deps-web deps-dist dist-packages verify-release build linux windows asan tsan web node-modules check test test-linux \
	test-windows test-asan test-tsan test-page test-release fresh-machine demo dist bench fuzz fuzz-build test-fuzz mutate \
	lang-check clean

all: build

# Installs only what is missing, once; needs root (apt-get) on a fresh machine.
# $(2): more apt-get options.
install = missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q "install ok installed" || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "installing:" $$missing; \
		SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
		$$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $(2) $$missing >/dev/null; \
	fi

deps: build/.deps-ok
build/.deps-ok: Makefile
	@$(call install,$(PACKAGES))
	@mkdir -p build && touch $@ build/.deps-native-ok

deps-native: build/.deps-native-ok
build/.deps-native-ok: Makefile
	@$(call install,$(NATIVE_PACKAGES))
	@mkdir -p build && touch $@

# Without recommends: the browsers would pull in media and desktop services.
deps-web: build/.deps-web-ok
build/.deps-web-ok: Makefile
	@$(call install,$(WEB_PACKAGES),--no-install-recommends)
	@mkdir -p build && touch $@

# Without recommends too: a bare machine builds the release in minutes.
deps-dist: build/.deps-dist-ok
build/.deps-dist-ok: Makefile
	@$(call install,$(DIST_PACKAGES),--no-install-recommends)
	@mkdir -p build && touch $@

# One target per configure preset; the native build needs only its own packages.
linux: deps-native
windows asan tsan: deps
web: deps-web
linux windows asan tsan web:
	cmake --preset $@ >/dev/null
	cmake --build --preset $@ -j $(JOBS)

# The browser driver (puppeteer-core) and ESLint, exact versions from the
# lock file, in the build folder; it downloads no browser.
node-modules: $(NODE_DIR)/node_modules/.package-lock.json
$(NODE_DIR)/node_modules/.package-lock.json: tests/page/package.json tests/page/package-lock.json | deps-web
	mkdir -p $(NODE_DIR) && cp tests/page/package.json tests/page/package-lock.json $(NODE_DIR)/
	npm ci --prefix $(NODE_DIR) --no-audit --no-fund --ignore-scripts

# The message catalogs against the English template (CONTRIBUTING.md); a
# catalog may be named: `make lang-check LANG_FILE=tools/lang/de.po`.
lang-check: deps-native
	bash tools/lang/check.sh $(LANG_FILE)

# The quick loop while editing: the native build and its tests.
check: linux
	ctest --preset linux -j $(JOBS)

build: linux windows

# The package check among them wants the settings page built.
test-windows: windows web
	ctest --preset windows -j 2

test-asan: asan
	ctest --preset asan -j $(JOBS)

test-tsan: tsan
	ctest --preset tsan -j $(JOBS) -E DeathTest

test-linux: linux
	ctest --preset linux -j $(JOBS)

# The settings page in Chromium and Firefox, against pacelark-sim.
test-page: linux web node-modules
	ctest --preset web

# The release rebuilds bit for bit: the DLL and the page built again in
# another folder, and the package made twice, give the same bytes.
test-release: windows web
	bash tests/tools/release_check.sh . $(JOBS)

# A newcomer's machine: a bare Debian chroot of SUITE (bookworm, the default,
# or trixie) where a clone of COMMIT (default HEAD) runs `make test`; tens of
# minutes, not part of `make test`.
SUITE ?= bookworm
fresh-machine:
	SUITE=$(SUITE) bash tests/tools/fresh_machine.sh $(COMMIT)

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
bench: linux windows web node-modules
	@bash bench/report.sh

# Everything, native, under Wine and in the browsers, and the release rebuilt;
# the native suite runs last so the output ends with its summary.
test: test-windows test-asan test-tsan test-fuzz test-page test-release test-linux

# Mutation testing of the plug-in against the native unit and heap tests, in
# scratch copies under build/mutate (never in place); not part of `make test`.
# `make mutate FILES=hud/speed_bars.cpp MUTATE_JOBS=2 MUTATE_MINUTES=10`;
# MUTATE_ARGS passes further options (see /usr/bin/python3 tests/mutation/mutate.py --help).
MUTATE_JOBS ?= 1
mutate: deps-native
	@$(call install,python3)
	/usr/bin/python3 tests/mutation/mutate.py --jobs $(MUTATE_JOBS) \
		$(if $(FILES),--files "$(FILES)") $(if $(MUTATE_MINUTES),--minutes $(MUTATE_MINUTES)) \
		$(if $(MUTATE_SAMPLE),--sample $(MUTATE_SAMPLE)) $(MUTATE_ARGS)

demo: linux windows
	@bash scenarios/demo.sh

# The release package: only what ships is built, with only DIST_PACKAGES.
dist: deps-dist
	cmake --preset windows >/dev/null && cmake --build --preset windows -j $(JOBS) --target Pacelark
	cmake --preset web >/dev/null && cmake --build --preset web -j $(JOBS) --target settings_page
	@bash tools/release/dist.sh $(VERSION)

dist-packages:
	@echo $(DIST_PACKAGES)

# A published release rebuilt where it was built: `make verify-release
# ZIP=Pacelark-VERSION-win64.zip` (as root, with debootstrap and Debian's
# archive keyring) makes a chroot of the Debian release its BUILDINFO.txt
# names, builds its commit there and compares every file (docs/release.md).
verify-release:
	@bash tools/release/verify.sh "$(ZIP)"

clean:
	rm -rf build dist
