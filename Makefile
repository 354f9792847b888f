SHELL := /bin/bash

# The two commands of the README: `make run` and `make test`.
# Both install what is missing (Debian 12, as root), configure and build.

BUILD_DIR      ?= build/release
SANITIZE_DIR   ?= build/sanitize
THREAD_DIR     ?= build/thread
FUZZ_DIR       ?= build/fuzz
# Seconds each fuzz target runs: `make fuzz FUZZ_SECONDS=3600`; `make test` gives each 12.
FUZZ_SECONDS   ?= 60
# Every fuzz/NAMEFuzz.cpp is a target (fuzz/CMakeLists.txt builds the same list).
FUZZ_TARGETS   := $(patsubst fuzz/%Fuzz.cpp,%,$(wildcard fuzz/*Fuzz.cpp))
GENERATOR      := Ninja
JOBS           ?= $(shell nproc 2>/dev/null || echo 2)

# Debian packages the build needs; installed only when missing.
PACKAGES := cmake ninja-build g++ make libgtest-dev libgmock-dev libbenchmark-dev \
            clang-14 libclang-rt-14-dev clang-tidy util-linux qt6-base-dev libqt6svg6 fonts-dejavu-core \
            acl attr strace clang-format git patch libxxhash-dev libpcre2-dev libicu-dev perl ripgrep \
            dpkg-dev lintian bash-completion zsh fish man-db groff-base appstream \
            desktop-file-utils \
            xvfb x11-utils xdotool openbox python3

.PHONY: run test bench fuzz deps configure build build-sanitize build-fuzz test-release format-check \
        tidy test-sanitize test-thread test-fuzz package clean

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display to show Kesto on (DISPLAY and WAYLAND_DISPLAY are unset); run it under a virtual one: xvfb-run -a $(BUILD_DIR)/src/kesto"; \
	else \
	  $(BUILD_DIR)/src/kesto; \
	fi

test: format-check tidy test-fuzz test-release test-sanitize test-thread

# Every C++ file of the tree as .clang-format has it; any other fails the tests.
format-check: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror && echo "clang-format: every file formatted"

# The checks of .clang-tidy over the core, the platform adapters and kesto-cli; a finding
# fails the tests.
tidy: build
	@set -o pipefail; git ls-files 'src/core/*.cpp' 'src/platform/*.cpp' 'src/cli/*.cpp' \
	  | grep -v '/qt/' | xargs -P $(JOBS) -n 8 clang-tidy -p $(BUILD_DIR) --quiet 2>&1 \
	  | { grep -v 'warnings\? generated' || true; } && echo "clang-tidy: no finding"

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
	cmake -S . -B $(SANITIZE_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DKESTO_SANITIZE=ON -DKESTO_BUILD_BENCH=OFF -DKESTO_SIMD=OFF

$(THREAD_DIR)/build.ninja: | deps
	cmake -S . -B $(THREAD_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKESTO_THREAD_SANITIZER=ON -DKESTO_BUILD_GUI=OFF -DKESTO_BUILD_BENCH=OFF

$(FUZZ_DIR)/build.ninja: | deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) -G $(GENERATOR) \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTO_FUZZ=ON -DKESTO_BUILD_TESTS=OFF -DKESTO_BUILD_BENCH=OFF -DKESTO_BUILD_GUI=OFF

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

build-sanitize: deps $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j $(JOBS)

build-fuzz: deps $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS)

# Each target runs from the committed seeds; what it finds new is kept in the build tree.
# `make -j2 fuzz` runs two targets at a time.
FUZZ_RUNS := $(addprefix fuzz-run-,$(FUZZ_TARGETS))
.PHONY: $(FUZZ_RUNS)
fuzz: $(FUZZ_RUNS)

$(FUZZ_RUNS): fuzz-run-%: build-fuzz
	@mkdir -p $(FUZZ_DIR)/corpus/$* && \
	echo "fuzz_$*: $(FUZZ_SECONDS) s" && \
	$(FUZZ_DIR)/fuzz/fuzz_$* -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 \
	  -artifact_prefix=$(FUZZ_DIR)/$*- \
	  -print_final_stats=1 $(FUZZ_DIR)/corpus/$* fuzz/corpus/$* 2>&1 \
	  | grep -E '^(stat::number_of_executed_units|==|SUMMARY|INFO: Done)|ERROR|Test unit written' \
	  ; exit $${PIPESTATUS[0]}

test-fuzz:
	@$(MAKE) --no-print-directory -j $(JOBS) --output-sync=target fuzz FUZZ_SECONDS=12

test-release: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The tests that run the reading ahead on threads, with ThreadSanitizer: the workers' unit
# tests, and every kesto-cli run of the end-to-end suites, each made on one thread and on
# three; those suites are the release build's, started on this build's kesto-cli from an
# empty state folder (not on what the release run left in it).
THREAD_UNIT_TESTS := FileReadAhead|ReadAheadRun
THREAD_CLI_TESTS  := KestoCliTest|PreviewTest|RegexRunTest|LeftAlone
THREAD_OPTIONS    := TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
test-thread: build $(THREAD_DIR)/build.ninja
	cmake --build $(THREAD_DIR) -j $(JOBS) --target kesto-cli kesto_thread_tests
	$(THREAD_OPTIONS) ctest --test-dir $(THREAD_DIR) --output-on-failure -j $(JOBS) \
	  -R '$(THREAD_UNIT_TESTS)'
	rm -rf $(BUILD_DIR)/tests/state
	$(THREAD_OPTIONS) KESTO_CLI=$(abspath $(THREAD_DIR))/src/kesto-cli \
	  ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) -R '$(THREAD_CLI_TESTS)'

test-sanitize: build-sanitize
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

# The Debian package of the release build, build/kesto_VERSION_ARCH.deb, as
# cmake/KestoPackage.cmake describes it; `apt install ./build/kesto_*.deb` installs it.
package: build
	rm -rf $(BUILD_DIR)/package
	cpack --config $(BUILD_DIR)/CPackConfig.cmake -B $(BUILD_DIR)/package
	mv $(BUILD_DIR)/package/kesto_*.deb build/
	@ls build/kesto_*.deb

# Tools the benchmark compares with; installed by `make bench` only.
BENCH_PACKAGES := hyperfine sd rpl ripgrep perl sed python3 time e2fsprogs mount

bench: build
	@$(MAKE) --no-print-directory deps PACKAGES="$(BENCH_PACKAGES)"
	bench/run-bench.sh $(BUILD_DIR)

clean:
	rm -rf build
