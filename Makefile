# Entry points: `make demo` and `make test` each set up the machine, configure
# and build on their own.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all setup build test test-sanitize test-asan test-tsan demo clean

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

test-asan: setup
	$(call configure,build-asan,-DTVL_SANITIZE_ADDRESS=ON -DTVL_BUILD_BENCH=OFF)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

test-tsan: setup
	$(call configure,build-tsan,-DTVL_SANITIZE_THREAD=ON -DTVL_BUILD_BENCH=OFF)
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --output-on-failure -j $(JOBS)

test-sanitize: test-asan test-tsan

demo: build
	@tools/demo/run.sh $(BUILD)

clean:
	rm -rf $(BUILD) build-asan build-tsan
