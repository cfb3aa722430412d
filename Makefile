# The project's entry points. Each target bootstraps the machine first, so a
# fresh Debian machine needs nothing else.

JOBS ?= $(shell nproc)
KELM_RELEASE := build/release/tools/kelm/kelm

.PHONY: all bootstrap demo test tsan bench fuzz fuzz-smoke install-check clean screenshots

all: test

bootstrap:
	sh scripts/bootstrap

demo: bootstrap
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target kelm lexicons
	$(KELM_RELEASE) translate --dict examples/sample.rtf --writer stentura --input examples/paragraph.stentura

test: bootstrap
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)
	ctest --preset dev -j $(JOBS)

# ThreadSanitizer (clang) over the tests of the parts that promise thread safety.
tsan: bootstrap
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

bench: bootstrap
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	for b in build/release/bench/*_bench; do $$b --benchmark_min_time=0.2; done
	build/release/bench/spell_accuracy

fuzz: bootstrap
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	for f in build/fuzz/fuzz/*_fuzz; do \
	  n=$$(basename $$f _fuzz); mkdir -p build/fuzz/corpus/$$n; \
	  $$f -max_total_time=60 -timeout=5 -dict=fuzz/$$n.dict build/fuzz/corpus/$$n fuzz/corpus/$$n || exit 1; \
	done

# Every fuzz target for about 20 seconds from its seeds, stopping at the first
# finding; what it adds to the corpus stays in the build folder. FUZZ_SKIP
# names targets to leave out (for example "dictionary").
FUZZ_BUILD ?= build/fuzz
FUZZ_SKIP ?=
fuzz-smoke: bootstrap
	cmake --preset fuzz -B $(FUZZ_BUILD)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	for f in $(FUZZ_BUILD)/fuzz/*_fuzz; do \
	  n=$$(basename $$f _fuzz); mkdir -p $(FUZZ_BUILD)/corpus/$$n; \
	  case " $(FUZZ_SKIP) " in *" $$n "*) echo "fuzz-smoke: $$n left out"; continue;; esac; \
	  d=; [ -f fuzz/$$n.dict ] && d=-dict=fuzz/$$n.dict; \
	  $$f -max_total_time=20 -timeout=5 $$d $(FUZZ_BUILD)/corpus/$$n fuzz/corpus/$$n || exit 1; \
	done

# A picture of each dialog and of the table view in GTK windows, taken on an
# X server of its own (Xvfb), into docs/screenshots.
screenshots: bootstrap
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target kelm lexicons
	sh scripts/screenshots.sh $(KELM_RELEASE) build/release/lexicons docs/screenshots

clean:
	rm -rf build
