# Project Kestu: `make demo` builds the engine and its demo data and runs the
# demo; `make test` builds everything and runs every test, then again built
# with the sanitizers (in $(SAN_BUILD)), then fuzzes every file reader for
# $(FUZZ_SMOKE_SECONDS) s each. `make fuzz` fuzzes each reader for
# $(FUZZ_SECONDS) s. All install the Debian packages they need first
# (scripts/install-deps.sh).

BUILD ?= build
ROOT ?= demo-root
JOBS ?= 2
SHOT ?= shot.png
HEADLESS := scripts/headless.sh
SAN_BUILD ?= build-san
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 20
CCACHE := $(shell command -v ccache)
XVFB := xvfb-run -a -s "-screen 0 1024x768x24 -noreset"

.PHONY: all deps build demo demo-data test san test-san fuzz clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE)
	cmake --build $(BUILD) -j$(JOBS)

# The demo root is the working directory of a run: Directives/ and data/,
# with the recorded drive the demo replays (made by the engine itself, a few
# minutes under Mesa; again only when the engine or drive.keys changed).
demo-data: build
	mkdir -p $(ROOT)/Directives
	@if [ -x $(BUILD)/kestu-data ]; then \
		$(BUILD)/kestu-data $(ROOT); \
	else \
		echo "demo: $(BUILD)/kestu-data is not built yet; the demo runs without generated data"; \
	fi
	@if ls demo/Directives/* >/dev/null 2>&1; then cp demo/Directives/* $(ROOT)/Directives/; fi
	@if [ -f demo/data/manus.txt ]; then mkdir -p $(ROOT)/data && cp demo/data/manus.txt $(ROOT)/data/; fi
	@rec=$(ROOT)/data/records/testrecord.rec; \
	if [ -x $(BUILD)/kestu ] && [ -d $(ROOT)/data ] && { [ ! -f $$rec ] || \
		[ demo/records/drive.keys -nt $$rec ] || [ $(BUILD)/kestu -nt $$rec ]; }; then \
		bash tools/make-record.sh $(BUILD) $(ROOT); \
	fi

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

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(ROOT) $(SHOT)
