# Thin wrapper over CMake. Every target installs missing Debian packages first,
# so a fresh machine needs nothing but `make run` or `make test`.
BUILD ?= build
JOBS ?= 2
BUILD_TYPE ?= RelWithDebInfo
# Warnings are errors in CI builds of our own code.
WERROR := $(if $(CI),ON,OFF)

.PHONY: all deps configure build test sanitize run demo bench fuzz format format-check clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTANDREL_WERROR=$(WERROR)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)
	$(MAKE) sanitize

# The core's tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTANDREL_GUI=OFF -DTANDREL_SANITIZE=ON \
	  -DTANDREL_WERROR=$(WERROR) -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j$(JOBS) -LE soak

run: build
	bash scripts/run.sh $(BUILD)

demo: build
	bash scripts/demo.sh $(BUILD)

bench: build
	bash bench/run.sh $(BUILD)

fuzz: deps
	bash fuzz/run.sh

# Every C++ file in the committed style (.clang-format).
SOURCES = $(shell git ls-files '*.cpp' '*.h')

format: deps
	clang-format -i $(SOURCES)

format-check: deps
	clang-format --dry-run --Werror $(SOURCES)

clean:
	rm -rf $(BUILD) build-asan build-fuzz
