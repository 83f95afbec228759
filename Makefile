# A thin front over CMake, which stays the real build.

BUILD ?= build
ASAN_BUILD ?= build/asan
JOBS ?= $(shell nproc)
CTEST_FLAGS ?= --output-on-failure -j $(JOBS)

.PHONY: all play test test-plain test-asan story-map soak bench clean

all: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVAKNA_SANITIZE=ON

play: all
	./$(BUILD)/vakna

# The sanitized suite runs first, the plain one last, so the run ends in
# ctest's summary of the plain suite; either failing fails the target.
test: $(BUILD)/CMakeCache.txt $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cmake --build $(BUILD) -j $(JOBS)
	@status=0; \
	echo "== sanitized suite ($(ASAN_BUILD))"; \
	ctest --test-dir $(ASAN_BUILD) $(CTEST_FLAGS) || status=1; \
	echo "== plain suite ($(BUILD))"; \
	ctest --test-dir $(BUILD) $(CTEST_FLAGS) || status=1; \
	exit $$status

# The story map: every scene and option as the story explorer finds them,
# written as docs/story-map.dot and drawn by Graphviz (Debian: graphviz).
story-map: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target story_explorer -j $(JOBS)
	./$(BUILD)/tools/story_explorer --dot docs/story-map.dot
	@command -v dot > /dev/null || \
		{ echo "story-map: Graphviz is missing; install it: apt-get install graphviz"; exit 1; }
	dot -Tsvg docs/story-map.dot -o docs/story-map.svg

# The long run of random keys through a pseudo-terminal; make test runs a
# tenth of it.
SOAK_KEYS ?= 100000
soak: all
	VAKNA_SOAK_KEYS=$(SOAK_KEYS) ./$(BUILD)/tests/hardening_tests --gtest_filter='Soak.*'

# The Release game against a minimal C program drawing the same bytes,
# through a pseudo-terminal; not part of test. BENCH_FLAGS adds options.
bench: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target vakna_bench -j $(JOBS)
	$(BUILD)/bench/vakna_bench --game $(BUILD)/vakna --ref $(BUILD)/bench/ref_menu \
		--ref-static $(BUILD)/bench/ref_menu_static $(BENCH_FLAGS)

clean:
	rm -rf $(BUILD)
