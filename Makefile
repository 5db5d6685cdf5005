# make run: install what is missing, build, start the program.
# make test: install what is missing, build, run every test.
# make package: build the Debian package build/brisvane_VERSION_ARCH.deb.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: setup build run test bench package clean

setup:
	@bash scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/brisvane

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@bash scripts/setup.sh bench
	$(BUILD)/bin/brisvane-bench
	$(BUILD)/bin/brisvane-save-bench
	$(BUILD)/bin/brisvane-quality-bench --sheet $(BUILD)/quality-sheet.png

package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
