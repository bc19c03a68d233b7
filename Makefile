# Two commands: `make run` builds and starts the program, `make test` builds
# everything (the benchmarks too, so they keep compiling) and runs every test
# headless (and, when clang is installed, a short run of
# every fuzz target).
#
# Installing:
#   make package     builds the Debian package quorvane_<version>_<arch>.deb
#                    in $(BUILD) (CPack; dependencies from dpkg-shlibdeps)
#
# Hardening:
#   make test-asan   the whole suite built with AddressSanitizer and
#                    UndefinedBehaviorSanitizer (g++), in build-asan
#   make test-tsan   the threaded parts built with ThreadSanitizer, in
#                    build-tsan
#   make fuzz        builds the libFuzzer targets (clang) in build-fuzz and
#                    runs each for FUZZ_SECONDS (default 3)
#   make soak        builds and runs bench/soak
#   make soak-tsan   a short bench/soak run built with ThreadSanitizer
#
# Formatting:
#   make format        formats src/, tools/, tests/ and bench/ with clang-format
#   make format-check  fails when a file there is not formatted (CI runs it)
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 3
FUZZ_FLAGS ?= -rss_limit_mb=128 -malloc_limit_mb=64 -timeout=10
HAVE_CLANG := $(shell command -v clang++ >/dev/null 2>&1 && echo yes)

SANITIZER_CONFIGURE = -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=undefined \
	-fno-omit-frame-pointer
TSAN_FLAGS = -fsanitize=thread -fno-omit-frame-pointer
# The threads of the TCP link, the queue, the canvas, the serial link and
# the hand-off to the GUI thread; the window-level suites are too slow under
# ThreadSanitizer and exercise the same code.
TSAN_TESTS ?= ^(test_command_queue|test_tcp_link|test_serial_link|test_connection_manager|test_screen_canvas|tst_screen_view|tst_activity_indicator|test_event_log|tst_tcp_screen)$$

.PHONY: all setup configure build run test package clean fuzz fuzz-build test-asan \
	test-tsan soak soak-tsan format format-check

all: build

setup:
	@scripts/setup

configure: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@scripts/run $(BUILD)

test: build
	@cmake --build $(BUILD) -j$(JOBS) --target benchmarks soak
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error -j$(JOBS)
ifeq ($(HAVE_CLANG),yes)
	@$(MAKE) --no-print-directory fuzz
else
	@echo "clang++ not found: fuzz targets skipped (scripts/setup installs it)"
endif

package: build
	@cd $(BUILD) && cpack -G DEB

fuzz-build: setup
	@cmake -S tests/fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ \
		-DCMAKE_C_COMPILER=clang >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS)

# Each target starts from its committed seeds; what it finds new goes to a
# scratch directory, never into tests/fuzz/corpus.
fuzz: fuzz-build
	@scripts/fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_FLAGS)

test-asan: setup
	@cmake -S . -B build-asan $(SANITIZER_CONFIGURE) \
		-DCMAKE_CXX_FLAGS="$(ASAN_FLAGS)" -DCMAKE_C_FLAGS="$(ASAN_FLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="$(ASAN_FLAGS)" >/dev/null
	@cmake --build build-asan -j$(JOBS)
	@cd build-asan && QT_QPA_PLATFORM=offscreen \
		ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
		ctest --output-on-failure --no-tests=error -j$(JOBS)

test-tsan: setup
	@cmake -S . -B build-tsan $(SANITIZER_CONFIGURE) \
		-DCMAKE_CXX_FLAGS="$(TSAN_FLAGS)" -DCMAKE_C_FLAGS="$(TSAN_FLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="$(TSAN_FLAGS)" >/dev/null
	@cmake --build build-tsan -j$(JOBS)
	@cd build-tsan && QT_QPA_PLATFORM=offscreen \
		TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
		ctest --output-on-failure --no-tests=error -j$(JOBS) --timeout 900 \
		-R '$(TSAN_TESTS)'

soak: build
	@cmake --build $(BUILD) -j$(JOBS) --target soak
	@$(BUILD)/bin/soak

# A short soak under ThreadSanitizer: the links' threads, the queue, the
# canvas and the hand-off to the GUI thread under real traffic. QProcess
# forks while the link's threads run, hence die_after_fork=0.
soak-tsan: test-tsan
	@cmake --build build-tsan -j$(JOBS) --target soak
	@QT_QPA_PLATFORM=offscreen \
		TSAN_OPTIONS="die_after_fork=0 halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" \
		build-tsan/bin/soak 20000 50 10

FORMAT_FILES = git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tools/*.cpp' \
	'tools/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h'

format: setup
	@$(FORMAT_FILES) | xargs -0 clang-format -i

format-check: setup
	@$(FORMAT_FILES) | xargs -0 clang-format --dry-run -Werror

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) build-asan build-tsan
