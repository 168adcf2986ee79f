# Thin front over CMake. `make play` builds and starts the game, `make test`
# builds and runs the whole suite headless, `make install` installs the game
# under PREFIX.
BUILD    ?= build
JOBS     ?= 2
PREFIX   ?= /usr/local
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
CMAKE_COMMON := -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: setup configure build play test install asan fuzz bench clean format format-check lint

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

# The libFuzzer targets of fuzz/, built by clang with the sanitizers, each run
# for FUZZ_SECONDS over its seeds and the regression inputs in tests/fuzz/.
fuzz: setup
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTWING_FUZZ=ON \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzz
	bash scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

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
	rm -rf $(BUILD) build-asan $(FUZZ_BUILD)
