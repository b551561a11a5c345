# make demo   - set up, build, and watch a simulated robot
# make test   - set up, build, and run the whole test suite twice (a normal
#               build and one with AddressSanitizer + UBSan), then the C++
#               interface's tests in a ThreadSanitizer build
# make test-slow - the slow cases (a board that never answers: ~50 s each)
# make fuzz   - every libFuzzer target for FUZZ_SECONDS (default 60) each
# make valgrind - the demo's programs and the short soak under valgrind

JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
CTEST_FLAGS ?= --output-on-failure -j $(JOBS)

.PHONY: all deps configure build build-asan build-tsan demo test test-normal test-asan test-tsan test-slow fuzz valgrind clean

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEVRAK_HOME=$(CURDIR)/$(BUILD)/home

build: configure
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTEVRAK_SANITIZE=ON -DTEVRAK_HOME=$(CURDIR)/$(ASAN_BUILD)/home
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Only the C++ interface's tests (and what they link) under ThreadSanitizer.
build-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEVRAK_TSAN=ON -DTEVRAK_HOME=$(CURDIR)/$(TSAN_BUILD)/home
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target cxx_tests cxx_remote_tests

# The demo builds only what it runs.
demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target tevrak-sim example_square example_wall_follow
	./scripts/demo.sh $(BUILD)

test-normal: build
	cd $(BUILD) && ctest $(CTEST_FLAGS) -LE slow

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest $(CTEST_FLAGS) -LE slow

test-tsan: build-tsan
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1 ctest $(CTEST_FLAGS) -L cxx

test: test-normal test-asan test-tsan

test-slow: build
	cd $(BUILD) && ctest $(CTEST_FLAGS) -L slow

FUZZ_SECONDS ?= 60
fuzz:
	./scripts/install-deps.sh fuzz
	./scripts/fuzz.sh $(FUZZ_SECONDS)

valgrind: build
	./scripts/install-deps.sh valgrind
	./scripts/valgrind.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) build-fuzz
