# Set-up, build and test in one step each; see README.md.
MAKEFLAGS += --no-print-directory
BUILD_DIR ?= build
SANITIZE_DIR ?= build-asan
JOBS ?= $(shell nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all bootstrap configure build run test sanitize format format-check demo screenshots bench package clean

all: build

bootstrap:
	@scripts/bootstrap

configure: bootstrap
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/vorlap

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer in
# a folder of its own (cmake/Sanitizers.cmake sets the options the tests run with).
sanitize: bootstrap
	@cmake -S . -B $(SANITIZE_DIR) -DVORLAP_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && ctest --output-on-failure -j $(JOBS)

# clang-format on the C++ files changed since this branch left main (see the script).
format:
	@scripts/format-changed

format-check:
	@scripts/format-changed --check

# The Debian package, build/vorlap_<version>_<arch>.deb (packaging/CMakeLists.txt).
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# The sample app packaged with its designed window, then listed by an independent reader.
demo: build
	rm -rf examples/out && mkdir -p examples/out
	$(BUILD_DIR)/bin/vorlap build --app examples/Sample.app --project examples/Sample.vorlap \
	  --background examples/background.png --output examples/out/Sample.dmg
	7zz l examples/out/Sample.dmg

# Pictures of the interface's states, for review.
screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bin/vorlap_screenshots $(BUILD_DIR)/screenshots

# Every benchmark, one after the other (several minutes; figures printed by each script).
bench: build
	bench/hfsplus_write.sh $(BUILD_DIR)
	BUILD_DIR=$(BUILD_DIR) bench/udif_convert.sh
	BUILD_DIR=$(BUILD_DIR) bench/formats.sh
	bench/build_dmg.sh $(BUILD_DIR)
	BUILD_DIR=$(BUILD_DIR) bench/canvas-drag.sh

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
