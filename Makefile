# Quelvar: the two everyday commands are `make run` and `make test`.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60

.PHONY: all deps configure build run test test-sanitize package bench fuzz clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	cd "$(CURDIR)" && ./$(BUILD)/quelvar

test: build
	cd $(BUILD) && ctest --output-on-failure -j 2

# The Debian package, quelvar_<version>_amd64.deb, in $(BUILD)/. The archive's
# members get the modes of cpack's temporary files: umask 022, as
# dpkg-buildpackage sets it, keeps them the same on every machine.
package: build
	cd $(BUILD) && umask 022 && cpack -G DEB

test-sanitize: deps
	@cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELVAR_SANITIZE=ON >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j 2

bench: build
	@for b in $(BUILD)/bench_*; do echo "== $$b"; $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUELVAR_FUZZ=ON -DQUELVAR_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	@# New inputs go to the build tree; crashes too, to be copied into fuzz/corpus/<name>/.
	@for f in $(FUZZ_BUILD)/fuzz/fuzz_*; do \
	  [ -x "$$f" ] && [ -f "$$f" ] || continue; \
	  name=$$(basename $$f); name=$${name#fuzz_}; mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	  echo "== $$name for $(FUZZ_SECONDS) s"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	      -artifact_prefix=$(FUZZ_BUILD)/corpus/$$name- \
	      $(FUZZ_BUILD)/corpus/$$name fuzz/corpus/$$name || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
