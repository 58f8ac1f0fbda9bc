# Thin wrapper over CMake. Every target installs missing Debian packages first,
# so a fresh machine needs nothing but `make run` or `make test`.
BUILD ?= build
JOBS ?= 2
BUILD_TYPE ?= RelWithDebInfo
# Warnings are errors in CI builds of our own code.
WERROR := $(if $(CI),ON,OFF)

.PHONY: all deps deps-run program package package-check configure build test soak sanitize run demo bench fuzz format format-check clean windows windows-configure windows-test windows-package

all: build

deps:
	bash scripts/install-deps.sh all

# What building and running the program need, and no more.
deps-run:
	bash scripts/install-deps.sh run

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTANDREL_WERROR=$(WERROR) \
	  -DTANDREL_TESTS=ON -DTANDREL_BENCH=ON

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# The program alone: no tests, benchmarks or fuzzers.
program: deps-run
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTANDREL_WERROR=$(WERROR) \
	  -DTANDREL_TESTS=OFF -DTANDREL_BENCH=OFF
	cmake --build $(BUILD) -j$(JOBS) --target tandrel

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)
	$(MAKE) sanitize
	$(MAKE) package-check
	$(MAKE) windows-test

# The Windows program, cross-built with mingw-w64: build-windows/src/win32ui/tandrel.exe.
WINDOWS_BUILD ?= build-windows
windows-configure:
	bash scripts/install-deps.sh windows
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DTANDREL_WERROR=$(WERROR)

windows: windows-configure
	cmake --build $(WINDOWS_BUILD) -j$(JOBS) --target tandrel

# Its tests, run under Wine (one process per test executable: Wine starts slowly).
windows-test: windows-configure
	cmake --build $(WINDOWS_BUILD) -j$(JOBS)
	cd $(WINDOWS_BUILD) && ctest --output-on-failure

# tandrel-<version>-win64.zip: the program, its manual and the README, to
# run where it is unpacked; and tandrel-<version>-win64-setup.exe, which
# installs them (needs makensis).
windows-package: windows
	bash scripts/windows-package.sh $(WINDOWS_BUILD)

# Twenty runs over a large tree; too long for `make test`.
soak: configure
	cmake --build $(BUILD) -j$(JOBS) --target soak

# The core's tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTANDREL_GUI=OFF -DTANDREL_SANITIZE=ON \
	  -DTANDREL_WERROR=$(WERROR) -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j$(JOBS)

# The Debian package, from a build of its own made for installing.
PACKAGE_BUILD ?= build-package
package: deps
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DTANDREL_WERROR=$(WERROR) \
	  -DTANDREL_PACKAGE=ON -DTANDREL_TESTS=OFF -DTANDREL_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(PACKAGE_BUILD) -j$(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB

package-check: package
	bash scripts/check-package.sh $(PACKAGE_BUILD)/tandrel_*.deb

run: program
	bash scripts/run.sh $(BUILD)

demo: program
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
	rm -rf $(BUILD) build-asan build-fuzz $(PACKAGE_BUILD) $(WINDOWS_BUILD)
