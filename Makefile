# The two commands of the README: `make run` and `make test`.
# Both install what is missing (Debian 12, as root), configure and build.

BUILD_DIR      ?= build/release
SANITIZE_DIR   ?= build/sanitize
GENERATOR      := Ninja
JOBS           ?= $(shell nproc 2>/dev/null || echo 2)

# Debian packages the build needs; installed only when missing.
PACKAGES := cmake ninja-build g++ make libgtest-dev libgmock-dev libbenchmark-dev

.PHONY: run test bench deps configure build build-sanitize test-release test-sanitize clean

run: build
	@echo "The window of Kesto comes with a later step; until then the headless runner is"
	@echo "built as $(BUILD_DIR)/src/kesto-cli:"
	@echo
	@$(BUILD_DIR)/src/kesto-cli --help

test: test-release test-sanitize

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  if [ "$$(id -u)" -ne 0 ]; then echo "Missing packages:$$missing (run as root to install)"; exit 1; fi; \
	  DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(SANITIZE_DIR)/build.ninja: | deps
	cmake -S . -B $(SANITIZE_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DKESTO_SANITIZE=ON -DKESTO_BUILD_BENCH=OFF

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

build-sanitize: deps $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j $(JOBS)

test-release: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

test-sanitize: build-sanitize
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

# Tools the benchmark compares with; installed by `make bench` only.
BENCH_PACKAGES := hyperfine sd rpl perl sed python3

bench: build
	@$(MAKE) --no-print-directory deps PACKAGES="$(BENCH_PACKAGES)"
	$(BUILD_DIR)/bench/kesto_pass_bench --benchmark_min_time=1
	bench/run-bench.sh $(BUILD_DIR)

clean:
	rm -rf build
