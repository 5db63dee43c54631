# make run   - install what building and running need, build quietly, start Zelvo in this folder
# make test  - the same plus the test tools, build, run every test
# make bench - build and run the benchmarks
# make deb   - build the Debian packages zelvo-headless_<version>_<arch>.deb and
#              zelvo_<version>_<arch>.deb in $(BUILD)/
BUILD ?= build
JOBS  ?= $(shell nproc)

# Configures and builds, its output shown only when it fails.
QUIET_BUILD = log=$$(mktemp) && \
	if { cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo && \
	     cmake --build $(BUILD) -j $(JOBS); } >"$$log" 2>&1; then rm -f "$$log"; \
	else cat "$$log"; rm -f "$$log"; echo "The build failed (its output is above)." >&2; exit 1; fi

.PHONY: deps test-deps build quiet-build run test bench deb clean

deps:
	@bash scripts/install-deps.sh

test-deps:
	@bash scripts/install-deps.sh test

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

quiet-build: deps
	@echo "Building Zelvo in $(BUILD)/ ..."
	@$(QUIET_BUILD)

run: quiet-build
	@echo "Starting $(BUILD)/zelvo in $(CURDIR)"
	@./$(BUILD)/zelvo

# ctest's verdict stays the target's; the last line says how many tests
# were skipped and why, from the run's JUnit report.
test: test-deps build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) \
	    --output-junit "$$PWD/Testing/junit.xml"; \
	status=$$?; bash "$(CURDIR)/scripts/skipped-tests.sh" Testing/junit.xml; exit $$status

bench: build
	@bash bench/run.sh $(BUILD)

# Only CPack's lines that name the packages it made.
deb: deps
	@$(QUIET_BUILD)
	@cd $(BUILD) && log=$$(mktemp) && \
	if cpack -G DEB >"$$log" 2>&1; then grep -E '^CPack: - package: ' "$$log"; rm -f "$$log"; \
	else cat "$$log"; rm -f "$$log"; exit 1; fi

clean:
	rm -rf $(BUILD)
