# Two commands: `make run` builds and starts the program, `make test` builds
# and runs every test headless.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all setup configure build run test clean

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
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error -j$(JOBS)

clean:
	rm -rf $(BUILD)
