# Thin front over CMake. `make play` builds and starts the game, `make test`
# builds and runs the whole suite headless, `make install` installs the game
# under PREFIX.
BUILD    ?= build
JOBS     ?= 2
PREFIX   ?= /usr/local
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
CMAKE_COMMON := -DCMAKE_EXPORT_COMPILE_COMMANDS=ON

.PHONY: setup configure build play test install asan bench clean format format-check lint

setup:
	@bash scripts/bootstrap.sh

configure: setup
	cmake -S . -B $(BUILD) $(CMAKE_COMMON) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

play: build
	cd $(BUILD)/data && ../vortwing

test: build
	cd $(BUILD) && SDL_VIDEODRIVER=$${SDL_VIDEODRIVER:-offscreen} ALSOFT_DRIVERS=$${ALSOFT_DRIVERS:-null} \
		ctest --output-on-failure -j$(JOBS)

# The program, its data, desktop entry, metadata and icons (DESTDIR is
# honoured for staging).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The suite under AddressSanitizer and UndefinedBehaviorSanitizer.
asan:
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Debug -DVORTWING_SANITIZE=ON"

bench: build
	cd $(BUILD) && SDL_VIDEODRIVER=$${SDL_VIDEODRIVER:-offscreen} ALSOFT_DRIVERS=$${ALSOFT_DRIVERS:-null} \
		sh -c 'for b in bench/bench_*; do [ -x "$$b" ] && "$$b"; done'

# clang-tidy's bug-finding checks (.clang-tidy) over the sources.
lint: configure
	@BUILD=$(BUILD) JOBS=$(JOBS) bash scripts/lint.sh

# Formatting of the C++ sources (.clang-format); CI runs the check.
format:
	@bash scripts/format.sh

format-check:
	@bash scripts/format.sh --check

clean:
	rm -rf $(BUILD) build-asan
