# Corvane: `make run` builds and runs the command-line calculator on the bundled knot list;
# `make test` builds and runs every test, then the core tests again under the sanitizers;
# `make fuzz` runs every reader under libFuzzer for FUZZ_SECONDS seconds each;
# `make python` builds the Python module for the python3 on the PATH (or PYTHON) and tests it.

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_knot_line fuzz_braid_word fuzz_diagram fuzz_results_file fuzz_knot_list
PYTHON     ?= python3
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES   := build-essential cmake bc clang libclang-rt-14-dev libcli11-dev nlohmann-json3-dev libgtest-dev libbenchmark-dev libflint-dev qt6-base-dev qt6-svg-dev pari-gp texlive-latex-recommended python3-dev pybind11-dev python3-pytest python3-pandas
SUDO       := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: all deps configure build run test test-asan python fuzz bench screenshot clean

all: build

# Install only what this machine lacks.
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -q && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q --no-install-recommends $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DPython_EXECUTABLE="$$($(PYTHON) -c 'import sys; print(sys.executable)')"

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only the command-line calculator: the tests and the window are not needed to run it.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target corvane-cli
	./$(BUILD)/bin/corvane-cli examples/knots.txt
	@echo; echo "The table of examples/knots_output.txt (the last column is each knot's minimal Seifert matrix):"
	@sed -n '/^Name      |/,$$p' examples/knots_output.txt | tr -d '\r'

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-asan

# The Python module `corvane` in $(BUILD)/python, and its tests (they also run in `make test`).
python: configure
	cmake --build $(BUILD) -j $(JOBS) --target corvane_python corvane-cli
	scripts/python_tests.sh $(BUILD) "$$($(PYTHON) -c 'import sys; print(sys.executable)')"

# The core tests once more with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON -DCORVANE_CORE_ONLY=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# Every reader of user files under libFuzzer with ASan and UBSan, FUZZ_SECONDS seconds each.
# A crash or hang stops here and leaves its input in $(FUZZ_BUILD)/artifacts.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@mkdir -p $(FUZZ_BUILD)/artifacts
	@for t in $(FUZZ_TARGETS); do \
	  echo "== $$t: $(FUZZ_SECONDS) s"; \
	  ASAN_OPTIONS=detect_leaks=1 ./$(FUZZ_BUILD)/bin/$$t -max_total_time=$(FUZZ_SECONDS) \
	    -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
	    -dict=fuzz/knots.dict -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$t- \
	    $(FUZZ_BUILD)/corpus/$$t 2>$(FUZZ_BUILD)/$$t.log \
	    || { tail -60 $(FUZZ_BUILD)/$$t.log; exit 1; }; \
	  grep -E "stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added" $(FUZZ_BUILD)/$$t.log; \
	done

bench: build
	./$(BUILD)/bin/corvane-bench
	bench/parallel_runs.sh $(BUILD)
	bench/torus_run.sh $(BUILD)
	bench/diagram_run.sh $(BUILD)
	bench/census_scale.sh $(BUILD)
	bench/unknotting_table.sh $(BUILD)
	bench/python_compute.sh $(BUILD) "$$($(PYTHON) -c 'import sys; print(sys.executable)')"
	bench/run_ratio.sh $(BUILD)/bin/corvane-cli

# A picture of the window in the middle of a run, for the README.
screenshot: build
	BUILD=$(BUILD) scripts/screenshot.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
