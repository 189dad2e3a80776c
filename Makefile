# Tessaron: the two commands.
#   make run   - install what is missing, build, stage build/game and play
#   make test  - install what is missing, build and run every test
#   make bench - build and run the benchmarks
#   make install [PREFIX=/usr/local] [DESTDIR=...] - install the game
#   make package - build the Debian package build/tessaron_<version>-1_<arch>.deb
# ./run and ./test do the same as make run and make test where make is missing.
# A plain `make` builds everything into build/.

BUILD      ?= build
ASAN_BUILD ?= $(BUILD)/asan
TSAN_BUILD ?= $(BUILD)/tsan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
ifeq ($(CI),true)
  CMAKE_FLAGS += -DTESSARON_WERROR=ON
endif

# Debian packages the build, the game and the tests need: one list, shared
# with ./run and ./test, which install them before make exists.
PACKAGES := $(shell sed -e 's/\#.*//' debian-packages)
PREFIX   ?= /usr/local

.PHONY: all build deps run test test-normal test-sanitize test-tsan test-fast bench clean install package

all: build

# Installs only the packages that are missing, so a prepared machine does not
# touch apt at all.
deps:
	@bash tools/install-packages

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/game && ./tessaron

# Every test of the normal build and, at the same time (the end-to-end tests
# mostly wait on a real window), the sanitizer build and its run: only the
# test programs labelled "sanitize" and the staged game are built there with
# AddressSanitizer and UBSan, and they run every test but the plain
# end-to-end ones, the random-keys run of the game among them; then the
# sound layer's tests under ThreadSanitizer.  -k: one part's failure does not
# hide the others'.
test: build
	@$(MAKE) --no-print-directory -k -j2 --output-sync=line test-normal test-sanitize test-tsan

test-normal:
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTESSARON_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target tessaron_sanitize_set
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE '^e2e$$' -E '_NOT_BUILT$$'

# Under ThreadSanitizer: the sound layer's tests (the music feeder thread
# against the game's song and sample calls) and two matches stepping on two
# threads.  Only those tests and what they link are built so.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARON_TSAN=ON $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target audio_tests test_threads
	TSAN_OPTIONS=halt_on_error=1 ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) -L '^unit$$' -E '_NOT_BUILT$$'

# Only the fast unit tests of the normal build.
test-fast: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -L unit

# Installs the game under $(PREFIX) (DESTDIR is honoured); the launcher
# $(PREFIX)/games/tessaron plays in the user's own game folder.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# The Debian package $(BUILD)/tessaron_<version>-1_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# bench_net plays online matches between two simulator peers through the
# relay (two minutes); bench_game runs the real game under Xvfb for 15 s;
# BENCH_BEFORE=<build folder of another commit> measures that one too, side
# by side.
bench: build
	@for b in $(BUILD)/bin/bench_*; do [ -x "$$b" ] || continue; echo "== $$(basename $$b)"; "$$b" || exit 1; done
	@echo "== bench_net"; python3 bench/bench_net.py $(BUILD)
	@echo "== bench_game"; python3 bench/bench_game.py $(BUILD)

clean:
	rm -rf $(BUILD)
