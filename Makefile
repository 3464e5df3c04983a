# Corvane: `make run` builds and runs the command-line calculator on the bundled knot list;
# `make test` builds and runs every test, then the core tests again under the sanitizers.

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES   := build-essential cmake libcli11-dev libgtest-dev libbenchmark-dev qt6-base-dev pari-gp texlive-latex-recommended
SUDO       := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: all deps configure build run test test-asan bench screenshot clean

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
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

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

# The core tests once more with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON -DCORVANE_CORE_ONLY=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

bench: build
	./$(BUILD)/bin/corvane-bench
	bench/parallel_runs.sh $(BUILD)

# A picture of the window in the middle of a run, for the README.
screenshot: build
	BUILD=$(BUILD) scripts/screenshot.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
