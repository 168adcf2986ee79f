# Thin front over CMake. `make play` builds and starts the game, `make test`
# builds and runs the whole suite headless.
BUILD    ?= build
JOBS     ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: setup configure build play test asan fuzz bench clean format format-check

setup:
	@bash scripts/bootstrap.sh

configure: setup
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

play: build
	cd $(BUILD)/data && ../vortwing

test: build
	cd $(BUILD) && SDL_VIDEODRIVER=$${SDL_VIDEODRIVER:-offscreen} ALSOFT_DRIVERS=$${ALSOFT_DRIVERS:-null} \
		ctest --output-on-failure -j$(JOBS)

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

# Formatting of the C++ sources (.clang-format); CI runs the check.
format:
	@bash scripts/format.sh

format-check:
	@bash scripts/format.sh --check

clean:
	rm -rf $(BUILD) build-asan $(FUZZ_BUILD)
