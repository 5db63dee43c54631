# make run   - install what building and running need, build the programs, start Zelvo in this folder
# make test  - the same plus the test tools, build everything, run every test
# make bench - build and run the benchmarks
# make deb   - build the Debian packages zelvo-headless_<version>_<arch>.deb and
#              zelvo_<version>_<arch>.deb in $(BUILD)/
#
# The terminal gets one line per step; what apt-get, the compiler and ctest
# say goes to $(BUILD)/install.log, $(BUILD)/build.log and $(BUILD)/test.log,
# shown whole when a step fails.
SHELL := /bin/bash
BUILD ?= build
JOBS  ?= $(shell nproc)
# What make run and make deb need; make test builds the tests and benchmarks too.
PROGRAMS = zelvo zelvo-headless zelvo-check boxsim

# $(call quiet_build,TARGETS): configures and builds TARGETS (all when empty).
quiet_build = mkdir -p $(BUILD) && log=$(BUILD)/build.log && \
	echo "building $(if $(1),$(1),everything) (log: $$log)" && \
	if ! { cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo && \
	       cmake --build $(BUILD) -j $(JOBS) $(if $(1),--target $(1)); } >"$$log" 2>&1; then \
	  cat "$$log"; echo "The build failed (its output is above and in $$log)." >&2; exit 1; fi

.PHONY: deps test-deps build run test bench deb clean

deps:
	@bash scripts/install-deps.sh --log $(BUILD)/install.log

test-deps:
	@bash scripts/install-deps.sh --log $(BUILD)/install.log test

# Everything, with the compiler's output on the terminal.
build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

run: deps
	@$(call quiet_build,$(PROGRAMS))
	@echo "Starting $(BUILD)/zelvo in $(CURDIR)"
	@./$(BUILD)/zelvo

# ctest's verdict stays the target's. The terminal shows what did not pass
# as it happens and ctest's summary; the last lines say which tests were
# skipped and why, from the run's JUnit report.
test: test-deps
	@$(call quiet_build,)
	@cd $(BUILD) && echo "testing (log: $(BUILD)/test.log)" && \
	QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) \
	    --output-junit "$$PWD/Testing/junit.xml" 2>&1 | tee test.log | \
	    grep --line-buffered -Ev '^ *Start +[0-9]+: |^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed +[0-9.]+ sec$$|^Test project '; \
	status=$${PIPESTATUS[0]}; bash "$(CURDIR)/scripts/skipped-tests.sh" Testing/junit.xml; exit $$status

bench: build
	@bash bench/run.sh $(BUILD)

# Only CPack's lines that name the packages it made.
deb: deps
	@$(call quiet_build,$(PROGRAMS))
	@cd $(BUILD) && log=$$(mktemp) && \
	if cpack -G DEB >"$$log" 2>&1; then grep -E '^CPack: - package: ' "$$log"; rm -f "$$log"; \
	else cat "$$log"; rm -f "$$log"; exit 1; fi

clean:
	rm -rf $(BUILD)
