# Thin wrapper over CMake. Every target installs missing Debian packages first,
# so a fresh machine needs nothing but `make run` or `make test`.
BUILD ?= build
JOBS ?= 2
BUILD_TYPE ?= RelWithDebInfo
# Warnings are errors in CI builds of our own code.
WERROR := $(if $(CI),ON,OFF)

.PHONY: all deps configure build test run demo bench clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTANDREL_WERROR=$(WERROR)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

run: build
	bash scripts/run.sh $(BUILD)

demo: build
	bash scripts/demo.sh $(BUILD)

bench: build
	bash bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
