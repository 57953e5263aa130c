# Project Kestu: `make demo` builds the engine and its demo data and runs the
# demo; `make test` builds everything and runs every test. Both install the
# Debian packages they need first (scripts/install-deps.sh).

BUILD ?= build
ROOT ?= demo-root
JOBS ?= 2
SHOT ?= shot.png
HEADLESS := scripts/headless.sh

.PHONY: all deps build demo demo-data test clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
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
		cd $(ROOT) && xvfb-run -a -s "-screen 0 1024x768x24" ../$(BUILD)/kestu \
			--batch --answers no,yes --frames 1400 --clock-step 16 \
			--screenshot ../$(SHOT) && \
		echo "demo: screenshot of the last frame written to $(CURDIR)/$(SHOT)"; \
	fi

test: build
	cd $(BUILD) && ../$(HEADLESS) ctest --output-on-failure

clean:
	rm -rf $(BUILD) $(ROOT) $(SHOT)
