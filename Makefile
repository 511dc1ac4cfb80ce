# Entry points: `make demo` and `make test` each set up the machine, configure
# and build on their own.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
# `make install`: PREFIX is the program and working directory; DESTDIR stages it.
PREFIX     ?= /opt/tvl_brumalweb
DESTDIR    ?=

.PHONY: all setup build test soak test-sanitize test-asan test-tsan fuzz demo test-browser install clean \
        windows test-windows

all: build

setup:
	@scripts/setup.sh

# configure(dir, extra cmake args)
define configure
	cmake -S . -B $(1) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS) $(2) >/dev/null
endef

build: setup
	$(call configure,$(BUILD),)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The soak of the whole agent under its fault schedule (make test runs 2 hours).
SOAK_HOURS ?= 2
soak: build
	TVL_SOAK_HOURS=$(SOAK_HOURS) $(BUILD)/bin/agent_soak_test

# Each sanitizer build runs the tests (the soak among them), then the real
# program for LIVE_SECONDS against console-sim and pyftpdlib.
LIVE_SECONDS ?= 60
ASAN_ENV := ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
TSAN_ENV := TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

test-asan: setup
	$(call configure,build-asan,-DTVL_SANITIZE_ADDRESS=ON -DTVL_BUILD_BENCH=OFF)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && $(ASAN_ENV) ctest --output-on-failure -j $(JOBS)
	$(ASAN_ENV) TVL_LIVE_SECONDS=$(LIVE_SECONDS) build-asan/bin/agent_live_run

test-tsan: setup
	$(call configure,build-tsan,-DTVL_SANITIZE_THREAD=ON -DTVL_BUILD_BENCH=OFF)
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && $(TSAN_ENV) ctest --output-on-failure -j $(JOBS)
	$(TSAN_ENV) TVL_LIVE_SECONDS=$(LIVE_SECONDS) build-tsan/bin/agent_live_run

test-sanitize: test-asan test-tsan

# Fuzzing: each target of tests/fuzz for FUZZ_SECONDS, under ASan+UBSan in
# build-fuzz/: libFuzzer when clang is installed, else our own driver (GCC).
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := ini_section placeholders template_fill station archive_dump archive_web ftp_replies
FUZZ_CLANG   := $(shell command -v clang++ >/dev/null 2>&1 && echo yes)
ifeq ($(FUZZ_CLANG),yes)
FUZZ_CMAKE_ARGS := -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTVL_FUZZ_ENGINE=libfuzzer \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
else
FUZZ_CMAKE_ARGS := -DTVL_FUZZ_ENGINE=driver
endif

fuzz: setup
	$(call configure,build-fuzz,-DTVL_SANITIZE_ADDRESS=ON -DTVL_BUILD_BENCH=OFF $(FUZZ_CMAKE_ARGS))
	cmake --build build-fuzz -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	tests/fuzz/run.sh build-fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

demo: build
	@tools/demo/run.sh $(BUILD)

# Opens every uploaded page of the demo in headless Chromium (installed when
# missing) and saves screenshots under $(BUILD)/demo/screens/.
test-browser: build
	@scripts/setup.sh chromium
	@/usr/bin/python3 tools/demo/browser.py $(CURDIR) $(abspath $(BUILD))

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz

# The 32-bit Windows program and libraries, cross-built with mingw-w64:
# build-windows/bin/ and build-windows/tvl_brumalweb-<version>-win32.zip.
# libpng, FreeType, OpenSSL and SQLite are cross-built once per version from
# Debian's source packages into build-windows/deps/.
WINDOWS_BUILD ?= build-windows
WINDOWS_PACKAGES := g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-tools \
  libz-mingw-w64-dev googletest dpkg-dev tcl
define configure_windows
	@scripts/setup.sh $(WINDOWS_PACKAGES)
	@scripts/windows_deps.sh $(WINDOWS_BUILD)/deps
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DTVL_WINDOWS_DEPS=$(abspath $(WINDOWS_BUILD)/deps) >/dev/null
endef

windows:
	$(configure_windows)
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target tvl_brumalweb OrbiskPro SiUSBXp CP210xManufacturing windows_zip

# The export table of OrbiskPro.dll, the suites of every system under Wine, and
# the Windows program end to end under Wine against the Linux build's console-sim.
test-windows: build windows
	scripts/test_windows.sh $(WINDOWS_BUILD) $(JOBS) $(BUILD)
