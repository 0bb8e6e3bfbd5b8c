# Thin wrapper around CMake; every target first makes sure the Debian packages are present.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_REL  ?= build-release
BUILD_SHARED ?= build-shared
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= 2
export QT_QPA_PLATFORM ?= offscreen

.PHONY: all deps demo test test-asan test-shared bench soak fuzz fuzz-corpus docs clean

all: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(BUILD) -j$(JOBS)

deps:
	@bash scripts/install-deps.sh

# The showcase runs optimised: the viewer reads some 135 000 town landmarks at start-up.
demo: deps
	cmake -S . -B $(BUILD_REL) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_REL) -j$(JOBS) --target tyxgeo tyxgeo-viewer
	@bash apps/demo.sh $(BUILD_REL)/apps/tyxgeo/tyxgeo

test: all
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-asan: deps
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTYX_SANITIZE=ON
	cmake --build $(BUILD_ASAN) -j$(JOBS)
	cd $(BUILD_ASAN) && \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS)

# The same tests against shared libraries: run paths, sonames and the runtime package.
test-shared: deps
	cmake -S . -B $(BUILD_SHARED) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBUILD_SHARED_LIBS=ON
	cmake --build $(BUILD_SHARED) -j$(JOBS)
	cd $(BUILD_SHARED) && ctest --output-on-failure -j$(JOBS)

bench: deps
	cmake -S . -B $(BUILD_REL) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTYX_BENCH=ON
	cmake --build $(BUILD_REL) -j$(JOBS)
	@for b in $(BUILD_REL)/bench/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_min_time=0.2 || exit 1; done

# One million random database operations against a model in memory, in a release build; not part
# of `make test`. SOAK_ARGS="--ops N --seed S" picks another run.
soak: deps
	cmake -S . -B $(BUILD_REL) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_REL) -j$(JOBS) --target soak_geodb
	$(BUILD_REL)/tests/geodb/soak_geodb $(SOAK_ARGS)

FUZZ_CONFIGURE = cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DTYX_FUZZ=ON -DTYX_BUILD_TESTS=OFF -DTYX_BUILD_TOOLS=OFF

# Every libFuzzer target (tests/fuzz) for FUZZ_SECONDS each, under ASan and UBSan; clang only builds
# the libraries the readers need.
fuzz: deps
	$(FUZZ_CONFIGURE)
	cmake --build $(BUILD_FUZZ) -j$(JOBS) --target fuzzers
	bash scripts/fuzz.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

# Rewrites the committed seed corpora with the library's own writers.
fuzz-corpus: deps
	$(FUZZ_CONFIGURE)
	cmake --build $(BUILD_FUZZ) -j$(JOBS) --target fuzz_make_corpus
	rm -rf tests/fuzz/corpus
	$(BUILD_FUZZ)/tests/fuzz/fuzz_make_corpus tests/fuzz/corpus

# The API reference of the public headers in build-docs/html; a Doxygen warning, or a widget
# property the overview pages do not list, fails the target (ctest runs the same check).
docs: deps
	@bash scripts/check-docs.sh build-docs

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_REL) $(BUILD_SHARED) $(BUILD_FUZZ) build-docs
