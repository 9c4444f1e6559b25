# The README's two commands: `make demo` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
# `make fuzz`: the libFuzzer programs in their own clang build, each run FUZZ_SECONDS over
# its corpus (FUZZ=name runs one harness).
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
FUZZ ?= $(patsubst fuzz/%_fuzzer.cpp,%,$(wildcard fuzz/*_fuzzer.cpp))

.PHONY: all deps configure build demo test install clean format fuzz

all: build

deps:
	@scripts/install-deps

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
	    cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=ON \
	        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache; \
	fi

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

demo: build
	@$(BUILD)/bin/tessaly demo

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

install: build
	@cmake --install $(BUILD) --prefix $(or $(PREFIX),/usr/local)

fuzz:
	@scripts/install-fuzz-deps
	@if [ ! -f $(FUZZ_BUILD)/build.ninja ]; then \
	    cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTESSALY_FUZZ=ON \
	        -DTESSALY_BUILD_TESTS=OFF -DTESSALY_BUILD_BENCH=OFF \
	        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache; \
	fi
	@ASAN_OPTIONS=detect_leaks=0 cmake --build $(FUZZ_BUILD) -j $(JOBS) \
	    --target $(addprefix fuzz_,$(FUZZ))
	@mkdir -p $(FUZZ_BUILD)/artifacts
	@for name in $(FUZZ); do \
	    mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	    seeds="fuzz/corpus/$$name"; \
	    [ -d fuzz/regressions/$$name ] && seeds="$$seeds fuzz/regressions/$$name"; \
	    echo "fuzz: $$name for $(FUZZ_SECONDS) s"; \
	    nice -n 19 $(FUZZ_BUILD)/bin/fuzz_$$name -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	        -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$name- \
	        $(FUZZ_BUILD)/corpus/$$name $$seeds || exit 1; \
	done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD)
