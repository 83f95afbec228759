# A thin front over CMake, which stays the real build.

# The makes below this one (CMake's, the trees') say nothing of the folders
# they enter and leave: a first build shows its progress, then the game.
MAKEFLAGS += --no-print-directory

BUILD ?= build
ASAN_BUILD ?= build/asan
FUZZ_BUILD ?= build/fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = $(patsubst fuzz/%_fuzz.cpp,%,$(wildcard fuzz/*_fuzz.cpp))
JOBS ?= $(shell nproc)
# One test more than there are cores: most tests wait on the game they
# drive, not on a core.
CTEST_FLAGS ?= --output-on-failure -j $(shell echo $$(($(JOBS) + 1)))
# More options for every configuration, such as
# -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON to build as without GoogleTest.
CMAKE_FLAGS ?=

.PHONY: all play test googletest story-map story-script soak fuzz bench clean format check-format \
	pot po

# The game alone: the tests, tools and bench are built by the targets that
# use them.
all: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target vakna -j $(JOBS)

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVAKNA_SANITIZE=ON -DVAKNA_WERROR=ON $(CMAKE_FLAGS)

$(FUZZ_BUILD)/CMakeCache.txt:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVAKNA_FUZZ=ON -DVAKNA_WERROR=ON \
	      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ $(CMAKE_FLAGS)

# The test suites are configured only where CMake found GoogleTest (see
# CMakeLists.txt). One installed since the last configuration is looked for
# again before giving up with the package's name.
HAS_GOOGLETEST = grep -qx 'VAKNA_TESTS:INTERNAL=ON' $(BUILD)/CMakeCache.txt
googletest: $(BUILD)/CMakeCache.txt
	@$(HAS_GOOGLETEST) || cmake $(BUILD) > /dev/null
	@$(HAS_GOOGLETEST) || \
		{ echo "The tests need GoogleTest, which is missing; install it: apt-get install googletest libgtest-dev"; exit 1; }

# "yes" where clang links a fuzz target, once looked for; without clang or
# its fuzzing runtime the fuzz suite is skipped, as other tests skip
# without their tools.
HAS_FUZZER = $(eval HAS_FUZZER := $(shell echo 'extern "C" int LLVMFuzzerTestOneInput(const char *, unsigned long) { return 0; }' | \
	clang++ -x c++ -fsanitize=fuzzer -o /dev/null - 2> /dev/null && echo yes))$(HAS_FUZZER)

play: all
	$(BUILD)/vakna

# Installing as packagers expect: PREFIX and DESTDIR, and BINDIR for the
# game's folder when not $(PREFIX)/bin (/usr/games in a Debian-style layout;
# a relative one is under PREFIX). They are read at install time, so
# changing them configures nothing again. The game is installed stripped.
PREFIX ?= /usr/local
.PHONY: install uninstall

install: all
	DESTDIR='$(DESTDIR)' VAKNA_BINDIR='$(BINDIR)' cmake --install $(BUILD) --prefix '$(PREFIX)' --strip

# Exactly the files the last install from $(BUILD) wrote, as CMake listed
# them, under the same DESTDIR.
uninstall:
	@DESTDIR='$(DESTDIR)' cmake -D MANIFEST=$(BUILD)/install_manifest.txt -P cmake/uninstall.cmake

# The three trees build side by side, sharing the jobs, so that no core
# waits on another tree's links. The sanitized suite runs first, then the
# fuzz targets (their seeds and a short run each), the plain one last; any
# failing fails the target, and the run ends in one summary that names the
# failed tests of every suite, and within each test program the failed
# cases. Without GoogleTest it stops before configuring anything more.
test: googletest
	@$(MAKE) -s --no-print-directory $(ASAN_BUILD)/CMakeCache.txt \
		$(if $(HAS_FUZZER),$(FUZZ_BUILD)/CMakeCache.txt)
	@$(MAKE) --no-print-directory -j $(JOBS) test-trees
	@status=0; formatted=yes; \
	rm -f $(ASAN_BUILD)/$(FAILED_LOG) $(FUZZ_BUILD)/$(FAILED_LOG) $(BUILD)/$(FAILED_LOG); \
	echo "== sanitized suite ($(ASAN_BUILD))"; \
	ctest --test-dir $(ASAN_BUILD) $(CTEST_FLAGS) || status=1; \
	$(if $(HAS_FUZZER),echo "== fuzz suite ($(FUZZ_BUILD))"; \
	ctest --test-dir $(FUZZ_BUILD) $(CTEST_FLAGS) || status=1;, \
	echo "== fuzz suite skipped: it needs clang with its fuzzing runtime (Debian: clang libclang-rt-14-dev)";) \
	$(MAKE) -s --no-print-directory check-format || { status=1; formatted=no; }; \
	echo "== plain suite ($(BUILD))"; \
	ctest --test-dir $(BUILD) $(CTEST_FLAGS) || status=1; \
	echo "== summary"; \
	$(call failures,sanitized,$(ASAN_BUILD)); \
	$(if $(HAS_FUZZER),$(call failures,fuzz,$(FUZZ_BUILD));) \
	[ $$formatted = yes ] || echo "formatting: some files are laid out otherwise (make format)"; \
	$(call failures,plain,$(BUILD)); \
	exit $$status

# The template of every message outside the story, from the sources
# (pot; POT names the file), and every catalogue po/LANGUAGE.po brought up
# to date with it (po); both need gettext.
POT ?= $(BUILD)/vakna.pot
pot:
	@mkdir -p $(dir $(POT))
	xgettext --keyword=_ --keyword=N_ --from-code=UTF-8 --language=C++ --package-name=vakna \
	         --add-location=file -o $(POT) $(sort $(wildcard src/*/*.cpp))

po: pot
	for catalogue in po/*.po; do msgmerge --quiet --update --backup=none $$catalogue $(POT); done

# ctest's list of the tests that failed in a tree's last run, and the
# shell lines that name them, each with the GoogleTest cases that failed in
# it as its log shows them.
FAILED_LOG = Testing/Temporary/LastTestsFailed.log
failures = if [ -s $(2)/$(FAILED_LOG) ]; then \
	    echo "$(1) suite: failed:"; \
	    awk 'FNR == NR { sub(/^[0-9]+:/, ""); failed[$$0] = 1; next } \
	         /^[0-9]+\/[0-9]+ Test: / { test = $$0; sub(/^[^:]*: /, "", test); \
	                                   if (test in failed) print "    " test } \
	         /^\[  FAILED  \] .* \([0-9]+ ms\)$$/ && test in failed { \
	             sub(/^\[  FAILED  \] /, ""); sub(/ \([0-9]+ ms\)$$/, ""); print "        " $$0 }' \
	        $(2)/$(FAILED_LOG) $(2)/Testing/Temporary/LastTest.log; \
	else echo "$(1) suite: every test passed"; fi

# Every source file as the root .clang-format lays it out: format lays the
# tree out, check-format (part of test) fails on a file laid out otherwise.
# Without clang-format the check is skipped, as other tests skip without
# their tools.
FORMATTED = find src tests fuzz tools bench \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0
format:
	$(FORMATTED) | xargs -0 clang-format -i

check-format:
	@if command -v clang-format > /dev/null; then \
	    echo "== formatting"; \
	    $(FORMATTED) | xargs -0 clang-format --dry-run -Werror && echo "every file laid out"; \
	else \
	    echo "== formatting check skipped: it needs clang-format (Debian: clang-format)"; \
	fi

# Each tree's own makefiles, run under this make's jobs.
.PHONY: test-trees tree-asan tree-plain tree-fuzz
test-trees: tree-asan tree-plain $(if $(HAS_FUZZER),tree-fuzz)
tree-asan: TREE = $(ASAN_BUILD)
tree-plain: TREE = $(BUILD)
tree-fuzz: TREE = $(FUZZ_BUILD)
tree-asan tree-plain tree-fuzz:
	+@$(MAKE) -C $(TREE) --no-print-directory

# The files that pin the story, written again from the catalogue by the
# story explorer: the map (docs/story-map.dot), the script of every text and
# option (docs/story-script.txt) and the explorer's figures with the scenes
# it began (docs/story-figures.txt). The tests compare each with what the
# catalogue yields now. Where Graphviz is installed (Debian: graphviz) the
# map's picture, docs/story-map.svg, is drawn again too; it records the
# hash of the map it shows, and a test fails on a picture of another map.
STORY_FILES = --dot docs/story-map.dot --script docs/story-script.txt --figures docs/story-figures.txt
story-script: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target story_explorer -j $(JOBS)
	$(BUILD)/tools/story_explorer $(STORY_FILES)
	@if command -v dot > /dev/null; then \
	    dot -Tsvg docs/story-map.dot -o $(BUILD)/story-map.svg && \
	    sed "1a <!-- map: $$(sha256sum < docs/story-map.dot | cut -d' ' -f1) -->" \
	        $(BUILD)/story-map.svg > docs/story-map.svg; \
	else \
	    echo "story-script: Graphviz is missing, so docs/story-map.svg was not drawn again; install it: apt-get install graphviz"; \
	fi

# The same, with Graphviz required.
story-map: story-script
	@command -v dot > /dev/null || \
		{ echo "story-map: Graphviz is missing; install it: apt-get install graphviz"; exit 1; }

# The long runs of random keys and bytes through a pseudo-terminal: every
# seed of the many-seed runs (make test plays two of each) and ten times
# the keys of the soak.
SOAK_KEYS ?= 100000
soak: googletest
	cmake --build $(BUILD) --target hardening_tests -j $(JOBS)
	VAKNA_ALL_SEEDS=1 VAKNA_SOAK_KEYS=$(SOAK_KEYS) $(BUILD)/tests/hardening_tests

# Every fuzz target for FUZZ_SECONDS seconds, one after the other; what they
# find stays in $(FUZZ_BUILD)/work/<target>/ for the next run.
fuzz: $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@status=0; \
	for target in $(FUZZ_TARGETS); do \
	    sh fuzz/run.sh $(FUZZ_BUILD)/$${target}_fuzz fuzz/corpus/$$target \
	        $(FUZZ_BUILD)/work/$$target $(FUZZ_SECONDS) || status=1; \
	done; \
	exit $$status

# The Release game against a minimal C program drawing the same bytes,
# through a pseudo-terminal; not part of test. BENCH_FLAGS adds options.
bench: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target vakna_bench -j $(JOBS)
	$(BUILD)/bench/vakna_bench --game $(BUILD)/vakna --ref $(BUILD)/bench/ref_menu \
		--ref-static $(BUILD)/bench/ref_menu_static $(BENCH_FLAGS)

clean:
	rm -rf $(BUILD)
