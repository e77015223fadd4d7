# Two commands for a fresh Debian 12 machine: `make run` and `make test`.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60
PREFIX     ?= /usr/local
JOBS       ?= 2
CMAKE_ARGS ?=

.PHONY: all deps configure build run test bench asan-test fuzz install format clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/src/VOK_Address

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

bench: build
	cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	@for b in $(BUILD)/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; \
		echo "== $$b"; $$b || exit 1; done

asan-test: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DVOK_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(BUILD_ASAN) -j$(JOBS)
	cd $(BUILD_ASAN) && ctest --output-on-failure -j$(JOBS)

install: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j$(JOBS)
	cmake --install $(BUILD)

# Each fuzz target runs FUZZ_SECONDS on its seed corpus; new inputs stay in $(BUILD_FUZZ)/corpus.
fuzz: deps
	cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DVOK_FUZZ=ON -DVOK_BUILD_TESTS=OFF -DVOK_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(BUILD_FUZZ) -j$(JOBS) --target fuzz_addressfile fuzz_csv fuzz_placement fuzz_pop3reply
	@for t in addressfile csv placement pop3reply; do \
		mkdir -p $(BUILD_FUZZ)/corpus/$$t; \
		echo "== fuzz_$$t for $(FUZZ_SECONDS) s"; \
		$(BUILD_FUZZ)/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(BUILD_FUZZ)/ \
			$(BUILD_FUZZ)/corpus/$$t fuzz/corpus/$$t || exit 1; \
	done

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ)
