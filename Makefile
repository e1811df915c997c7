# Makefile -- the entry point: `make test` installs what is missing, builds and runs every test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build web web-serve run install update-stills test sanitize fuzz valgrind format clean

all: build

deps:
	@sh scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The show for the browser: the engine and the scenes compiled by Debian's Emscripten into the page
# build-web/site (index.html, the engine, the show's files and its sound). The song's sound and timeline
# are rendered by a tool of the desktop build, so that is built first.
WEB_DIR ?= build-web
web: build
	NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B $(WEB_DIR) -DCMAKE_BUILD_TYPE=Release \
		-DBRIMT_NATIVE_BUILD=$(CURDIR)/$(BUILD_DIR)
	NODE_PATH=/usr/share/nodejs cmake --build $(WEB_DIR) -j $(JOBS)

# Serves the page on this machine only; open the address it prints.
WEB_PORT ?= 8000
web-serve: web
	@echo "The show: http://127.0.0.1:$(WEB_PORT)/  (Ctrl+C stops the server)"
	python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_DIR)/site

# Plays the show: the settings dialog, then the show in the chosen mode. It reads DATA/ from here.
# Without a display (neither DISPLAY nor WAYLAND_DISPLAY) it renders the whole show into show.mp4.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		./$(BUILD_DIR)/brimt/brimt; \
	else \
		echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): capturing the show into show.mp4 instead."; \
		./$(BUILD_DIR)/brimt/brimt --capture show.mp4 && echo "The show is in $(CURDIR)/show.mp4"; \
	fi

# Installs the program, its data, its icon and a desktop entry under PREFIX (default /usr/local).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# Rewrites the regression stills under tests/stills/ from the show as it now looks (commit them).
update-stills: build
	cd $(BUILD_DIR)/tests && BRIMT_UPDATE_STILLS=1 ./regression_stills_test

# Every test, then the same tests again under the sanitizers (see sanitize).
test: build web
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory sanitize

# The tests under AddressSanitizer and UndefinedBehaviorSanitizer, in their own build folder. The
# end-to-end runs are left out here: at the real program's exit the GL driver and the X libraries it
# unloads leave blocks LeakSanitizer cannot name, let alone tell apart from ours; the unit tests check
# our own allocations.
# LeakSanitizer stops every thread of the process for its check at exit, and its tracer has been seen to
# crash ("Tracer caught signal 11") on a busy machine while the GL driver's rasteriser threads were
# going away: the rasteriser draws on the test's own thread here (LP_NUM_THREADS=0, same pixels), and
# a test that fails once is run once more, so that only a failure that repeats fails the pass.
sanitize: deps
	cmake -S . -B build-sanitize -DBRIMT_SANITIZE=ON -DBRIMT_BUILD_BENCH=OFF
	cmake --build build-sanitize -j $(JOBS)
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
		LP_NUM_THREADS=0 ctest --output-on-failure -j $(JOBS) -E '_e2e$$' --repeat until-pass:2

# Each libFuzzer program (model, coordinate and group loaders, BMP reader, JPEG layer, glyph shapes
# file) for FUZZ_SECONDS, built with clang under ASan and UBSan in its own build folder. Fails when
# anything was found.
FUZZ_SECONDS ?= 180
fuzz: deps
	cmake -S . -B build-fuzz -DBRIMT_FUZZ=ON -DBRIMT_BUILD_TESTS=OFF -DBRIMT_BUILD_BENCH=OFF \
		-DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
	cmake --build build-fuzz -j $(JOBS) --target fuzz_mesh fuzz_texcoords fuzz_group fuzz_bmp fuzz_jpeg fuzz_glyphs
	sh fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

# The show's engine from Init to Release on the headless GL context under valgrind's memcheck: any
# error, or any definite leak, fails. Suppressions (tests/valgrind.supp) cover the GL driver only.
valgrind: build
	LP_NUM_THREADS=0 valgrind --tool=memcheck --keep-debuginfo=yes --leak-check=full \
		--show-leak-kinds=definite --errors-for-leak-kinds=definite --num-callers=40 \
		--suppressions=tests/valgrind.supp --error-exitcode=1 ./$(BUILD_DIR)/tests/show_memcheck

format:
	find glarve platform brimt tests bench tools fuzz \( -name '*.cpp' -o -name '*.h' \) | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) build-sanitize build-fuzz $(WEB_DIR)
