# make run   - install what is missing, build quietly, start Zelvo in this folder
# make test  - install what is missing, build, run every test
# make bench - build and run the benchmarks
# make deb   - build the Debian package zelvo_<version>_<arch>.deb in $(BUILD)/
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: deps build quiet-build run test bench deb clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# The same build, its output shown only when it fails.
quiet-build: deps
	@echo "Building Zelvo in $(BUILD)/ ..."
	@log=$$(mktemp) && \
	if { cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo && \
	     cmake --build $(BUILD) -j $(JOBS); } >"$$log" 2>&1; then rm -f "$$log"; \
	else cat "$$log"; rm -f "$$log"; echo "The build failed (its output is above)." >&2; exit 1; fi

run: quiet-build
	@echo "Starting $(BUILD)/zelvo in $(CURDIR)"
	@./$(BUILD)/zelvo

# ctest's verdict stays the target's; the last line names the skipped tests
# and why, from the run's JUnit report.
test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) \
	    --output-junit "$$PWD/Testing/junit.xml"; \
	status=$$?; bash "$(CURDIR)/scripts/skipped-tests.sh" Testing/junit.xml; exit $$status

bench: build
	@bash bench/run.sh $(BUILD)

deb: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
