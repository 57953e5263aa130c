# Project Kestu: `make demo` builds the engine and its demo data and runs the
# demo; `make test` builds everything and runs every test, then again built
# with the sanitizers (in $(SAN_BUILD)), then fuzzes every file reader for
# $(FUZZ_SMOKE_SECONDS) s each. `make fuzz` fuzzes each reader for
# $(FUZZ_SECONDS) s. `make install PREFIX=P` installs into P, `make package`
# builds the Debian package, `make video` records the demo tour to $(VIDEO).
# All install the Debian packages they need first (scripts/install-deps.sh).

BUILD ?= build
ROOT ?= demo-root
JOBS ?= 2
SHOT ?= shot.png
VIDEO ?= tour.mp4
PREFIX ?= /usr/local
HEADLESS := scripts/headless.sh
SAN_BUILD ?= build-san
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 20
CCACHE := $(shell command -v ccache)
XVFB := xvfb-run -a -s "-screen 0 1024x768x24 -noreset"

.PHONY: all deps build demo demo-data video install package test san test-san fuzz mutants clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE)
	cmake --build $(BUILD) -j$(JOBS)

# The demo root is the working directory of a run: Directives/ and data/.
# The build makes it once in $(BUILD)/demo-data/share/kestu (the generated
# data and the recorded drive, which the engine records itself in under a
# minute under Mesa; again only when the engine or the demo's files changed);
# this copies it, over what an earlier copy left.
demo-data: build
	mkdir -p $(ROOT)
	cp -r $(BUILD)/demo-data/share/kestu/Directives $(BUILD)/demo-data/share/kestu/data $(ROOT)/

# On a display the program asks its two questions; without one it plays the
# demo tour unattended under Xvfb for 1400 frames (22 s of the tour: the
# camera trailing the replayed tank) and leaves a screenshot.
demo: demo-data
	@if [ -n "$${DISPLAY:-}" ]; then \
		cd $(ROOT) && ../$(BUILD)/kestu; \
	else \
		cd $(ROOT) && xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ../$(BUILD)/kestu \
			--batch --answers no,yes --frames 1400 --clock-step 16 \
			--screenshot ../$(SHOT) && \
		echo "demo: screenshot of the last frame written to $(CURDIR)/$(SHOT)"; \
	fi

# The whole demo tour, headless, as an H.264 video at real speed (62.5 frames
# per second: one per 16 ms of the virtual clock). The tour ends by itself.
video: demo-data
	cd $(ROOT) && ../$(HEADLESS) ../$(BUILD)/kestu --batch --answers no,yes --clock-step 16 \
		--video ../$(VIDEO)
	@echo "video: the demo tour is in $(CURDIR)/$(VIDEO)"

# bin/kestu, bin/kestu-data, bin/kestu-demo, share/kestu (the demo root),
# the desktop entry and the icons; copies only, needs no display.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack -G DEB
	@echo "package: $$(ls $(CURDIR)/$(BUILD)/kestu_*_amd64.deb)"

test: build
	cd $(BUILD) && ../$(HEADLESS) ctest --output-on-failure
	$(MAKE) test-san
	$(MAKE) fuzz FUZZ_SECONDS=$(FUZZ_SMOKE_SECONDS)

# The checked build: clang, AddressSanitizer and UndefinedBehaviorSanitizer on
# every library, test and program, and the libFuzzer targets of tests/fuzz/.
san: deps
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE) -DKESTU_SANITIZE=ON -DKESTU_BENCH=OFF
	cmake --build $(SAN_BUILD) -j$(JOBS)

# Any sanitizer finding fails its test; only Mesa's and Xlib's own leaks are
# suppressed (tests/sanitizers/lsan.supp). KeepLibraries keeps Mesa's driver
# mapped until the leak check, so that its leaks carry its name.
test-san: san
	c++ -shared -fPIC -o $(SAN_BUILD)/keep-libraries.so tests/sanitizers/KeepLibraries.cpp
	cd $(SAN_BUILD) && $(XVFB) env LD_PRELOAD=$(CURDIR)/$(SAN_BUILD)/keep-libraries.so \
		ASAN_OPTIONS=detect_leaks=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure

fuzz: san
	bash scripts/fuzz.sh $(SAN_BUILD) $(FUZZ_SECONDS)

# The mutation check (not part of test): every fault of tests/mutants.txt in
# turn, in a copy of the tree built in $(BUILD)/mutants, against the test
# programs it can affect; prints each mutant as killed or survived, then the
# score. MUTANTS=REGEX runs only the matching lines.
mutants: deps
	$(HEADLESS) bash scripts/mutants.sh $(BUILD)/mutants tests/mutants.txt "$(MUTANTS)"

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(ROOT) $(SHOT) $(VIDEO)
