# make demo   - set up, build, and watch a simulated robot
# make test   - set up, build, and run the whole test suite twice (a normal
#               build and one with AddressSanitizer + UBSan; the live page's
#               test runs in headless Chromium), then the C++ interface's
#               tests in a ThreadSanitizer build
# make test-slow - the slow cases (a board that never answers: ~50 s each)
# make fuzz   - every libFuzzer target for FUZZ_SECONDS (default 60) each
# make valgrind - the demo's programs and the short soak under valgrind
# make test-arm - cross-build for arm64 and armhf and run the suite (without
#               the slow cases) under qemu-user
# make lint   - the C and C++ files against .clang-format, the Python files
#               through pyflakes (not part of make test)
# make packages - Debian packages for amd64, arm64 and armhf in build-packages/debs
# make test-packages - lintian, contents, a fresh-root install (as root), ARM
#               programs from the packages under qemu-user

JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
# The native suites' tests mostly wait on the simulated board: two per core.
# Emulated tests and package roots keep the cores busy: one per core.
TEST_JOBS ?= $(shell echo $$(( $(JOBS) * 2 )))
CTEST_FLAGS ?= --output-on-failure -j $(TEST_JOBS)
CTEST_BUSY_FLAGS ?= --output-on-failure -j $(JOBS)

.PHONY: lint all deps deps-browser deps-ssh deps-teleop configure build build-asan build-tsan demo test test-normal test-asan test-tsan test-slow fuzz valgrind test-arm packages test-packages clean

all: build

deps:
	@./scripts/install-deps.sh

deps-browser:
	@./scripts/install-deps.sh browser

# tevrak-teleop's gamepad and key release: every build but the demo's.
deps-teleop:
	@./scripts/install-deps.sh teleop

# The SSH test's sshd (the system's SSH service is not started): tests only.
deps-ssh:
	@./scripts/install-deps.sh ssh

# The test builds keep line tables only (-g1): enough for the sanitizers' and
# valgrind's reports, and a good part of the build time less.
LINES_ONLY = "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
LINES_ONLY_DEBUG = -DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_DEBUG=-g1

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LINES_ONLY) -DTEVRAK_HOME=$(CURDIR)/$(BUILD)/home

build: deps-teleop configure
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps deps-teleop
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug $(LINES_ONLY_DEBUG) -DTEVRAK_SANITIZE=ON -DTEVRAK_HOME=$(CURDIR)/$(ASAN_BUILD)/home
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Only the C++ interface's tests (and what they link) under ThreadSanitizer.
build-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LINES_ONLY) -DTEVRAK_TSAN=ON -DTEVRAK_HOME=$(CURDIR)/$(TSAN_BUILD)/home
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target cxx_tests cxx_remote_tests

# The demo builds what it runs and what the README's first program needs
# next (the Python package); it installs nothing for the tests' sshd.
DEMO_TARGETS = tevrak-sim example_square example_wall_follow example_remote_keys tevrak_python
demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target $(DEMO_TARGETS)
	./scripts/demo.sh $(BUILD)

test-normal: build deps-browser deps-ssh
	cd $(BUILD) && ctest $(CTEST_FLAGS) -LE slow

test-asan: build-asan deps-browser deps-ssh
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

# Cross builds: one folder per architecture, each with a sysroot of the
# target's Debian packages (downloaded once, kept in the folder).
CROSS ?= build-cross
ARM_ARCHES ?= arm64 armhf
toolchain_arm64 = aarch64
toolchain_armhf = armhf
cross_sysroot = $(CURDIR)/$(CROSS)/sysroot/$(1)

test-arm: $(addprefix test-arm-,$(ARM_ARCHES))

# Not .PHONY: the pattern rules need implicit rule search.
build-arm-%:
	./scripts/install-deps.sh arm
	./scripts/cross-sysroot.sh $* $(call cross_sysroot,$*)
	cmake -S . -B $(CROSS)/$* -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-$(toolchain_$*).cmake \
	  -DTEVRAK_SYSROOT=$(call cross_sysroot,$*)/root -DTEVRAK_HOME=$(CURDIR)/$(CROSS)/$*/home \
	  -DCMAKE_BUILD_TYPE=Release "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG" "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG"
	cmake --build $(CROSS)/$* -j $(JOBS)

test-arm-%: build-arm-%
	cd $(CROSS)/$* && ctest $(CTEST_BUSY_FLAGS) -LE slow

PACKAGES ?= build-packages
PACKAGE_ARCHES ?= amd64 arm64 armhf
packages:
	./scripts/install-deps.sh arm packages
	TEVRAK_SYSROOTS=$(CURDIR)/$(CROSS)/sysroot JOBS=$(JOBS) ./scripts/packages.sh $(PACKAGES) $(PACKAGE_ARCHES)

test-packages: packages
	cmake -S tests/packages -B $(PACKAGES)/tests -DTEVRAK_DEBS=$(CURDIR)/$(PACKAGES)/debs \
	  -DTEVRAK_SYSROOTS=$(CURDIR)/$(CROSS)/sysroot -DTEVRAK_ROOTFS_CACHE=$(CURDIR)/$(PACKAGES)/rootfs
	cd $(PACKAGES)/tests && ctest $(CTEST_BUSY_FLAGS) -L install

# The Python files pyflakes reads: the package, the laptop's script, tests,
# benchmarks and tools.
PYTHON_DIRS ?= python laptop tests bench tools
lint:
	./scripts/install-deps.sh lint
	git ls-files '*.c' '*.cpp' '*.h' '*.hpp' | xargs clang-format --dry-run --Werror
	pyflakes3 $(PYTHON_DIRS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) build-fuzz $(CROSS) $(PACKAGES)
