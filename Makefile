# Tessaron: the two commands.
#   make run   - install what is missing, build, stage build/game and play
#   make test  - install what is missing, build and run every test
#   make bench - build and run the benchmarks
# A plain `make` builds everything into build/.

BUILD      ?= build
ASAN_BUILD ?= $(BUILD)/asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
ifeq ($(CI),true)
  CMAKE_FLAGS += -DTESSARON_WERROR=ON
endif

# Debian packages the build, the game and the tests need.
PACKAGES := g++ make cmake pkg-config python3 \
  liballegro4-dev libfreetype-dev libopenmpt-dev libx11-dev \
  libgtest-dev libbenchmark-dev libpixman-1-dev libpng-dev \
  xvfb xauth xdotool x11-utils x11-apps imagemagick sox valgrind \
  fonts-dejavu-core fonts-dejavu-extra

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all build deps run test test-normal test-sanitize test-fast bench clean

all: build

# Installs only the packages that are missing, so a prepared machine does not
# touch apt at all.
deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

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
# end-to-end ones, the random-keys run of the game among them.  -k: one
# half's failure does not hide the other's.
test: build
	@$(MAKE) --no-print-directory -k -j2 --output-sync=line test-normal test-sanitize

test-normal:
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTESSARON_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target tessaron_sanitize_set
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE '^e2e$$' -E '_NOT_BUILT$$'

# Only the fast unit tests of the normal build.
test-fast: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -L unit

bench: build
	@for b in $(BUILD)/bin/bench_*; do [ -x "$$b" ] || continue; echo "== $$(basename $$b)"; "$$b" || exit 1; done

clean:
	rm -rf $(BUILD)
