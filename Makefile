# make run: install what is missing, build, start the program.
# make test: install what is missing, build, run every test.
# make bench: build and run every benchmark.
# make sanitize: the tests under AddressSanitizer and UndefinedBehaviorSanitizer, and the
#   engine's tests under ThreadSanitizer (build-asan/, build-tsan/).
# make bench-speed: build this tree and the baseline's programs (bench/baseline.sh), then compare
#   them on the same photos (brisvane-speed-bench): run it on an idle machine.
# make imprint-figures: make the imprint finder's test set (bench/imprints, into $(IMPRINT_SET)) if it
#   is missing, then print the finder's recall, false alarms and box fit on it, and its speed.
# make package: build the Debian package build/brisvane_VERSION_ARCH.deb.
BUILD ?= build
JOBS ?= $(shell nproc)
# WERROR=ON turns every compiler warning into an error (the CI run sets it).
WERROR ?= OFF
CTEST = QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

.PHONY: setup build run test bench bench-speed imprint-figures sanitize package clean

setup:
	@bash scripts/setup.sh build

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DBRISVANE_WERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/brisvane

test: build
	cd $(BUILD) && $(CTEST)

bench: build
	@bash scripts/setup.sh bench
	$(BUILD)/bin/brisvane-bench
	$(BUILD)/bin/brisvane-live-bench
	$(BUILD)/bin/brisvane-zoom-bench
	$(BUILD)/bin/brisvane-save-bench
	$(BUILD)/bin/brisvane-keep-bench
	$(BUILD)/bin/brisvane-batch-bench
	$(BUILD)/bin/brisvane-quality-bench --sheet $(BUILD)/quality-sheet.png

IMPRINT_SET ?= $(BUILD)/imprint-set
imprint-figures: build
	@bash scripts/setup.sh bench
	test -f $(IMPRINT_SET)/index.csv || { bash bench/imprints/fetch_backgrounds.sh $(BUILD)/imprint-backgrounds && \
	  bench/imprints/make_set.py $(IMPRINT_SET) --backgrounds $(BUILD)/imprint-backgrounds/photos; }
	$(BUILD)/bin/brisvane-imprint-bench $(IMPRINT_SET)
	$(BUILD)/bin/brisvane-imprint-bench --speed

bench-speed: build
	@bash scripts/setup.sh bench
	JOBS=$(JOBS) bash bench/baseline.sh
	$(BUILD)/bin/brisvane-speed-bench --baseline build-baseline/bin

# The deliberate out-of-memory tests ask for more than the sanitizer's allocator hands out: it
# must fail the allocation as the system would, not stop the program. Qt's own start-up leaks
# are not ours.
sanitize: setup
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRISVANE_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 $(CTEST)
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRISVANE_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS) --target $(ENGINE_TESTS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1 $(CTEST) -R '^($(subst $() ,|,$(ENGINE_TESTS)))$$'

ENGINE_TESTS = ReferenceEngineTest FastEngineMachineryTest FastEngineDifferentialTest

package: build
	@bash scripts/setup.sh package
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) build-asan build-tsan
