# make run  - install what is missing, build, prepare the files beside the program, start it
# make test - the same set-up, then build and run every test headless

BUILD      ?= build
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES   := cmake g++ make pkg-config qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite \
              libqt5charts5-dev liblog4cxx-dev libsqlite3-dev sqlite3 xvfb xauth fonts-droid-fallback
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
EXE_DIR    := $(BUILD)
DB         := $(EXE_DIR)/Tobrell.sqlite3
CONF       := $(EXE_DIR)/QtLog4Qt.conf

.PHONY: all run test test-sanitize deps configure build files bench clean

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "Installing:$$missing"; \
	    $(SUDO) apt-get update -qq && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS) --target Tobrell
	@$(MAKE) --no-print-directory files

# A family's database and logging settings are never overwritten.
files:
	@if [ ! -e $(DB) ]; then sqlite3 $(DB) < resources/Tobrell.sql && echo "Created $(DB)"; fi
	@if [ ! -e $(CONF) ]; then cp resources/QtLog4Qt.conf $(CONF) && echo "Created $(CONF)"; fi

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	    echo "No display found: run it under a virtual display with 'xvfb-run -a make run'."; exit 1; \
	fi
	@cd $(EXE_DIR) && ./Tobrell

test: configure
	@cmake --build $(BUILD) -j $(JOBS)
	@$(MAKE) --no-print-directory files
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-sanitize

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer; any finding fails.
SAN_BUILD := $(BUILD)-sanitize
SAN_ENV   := QT_QPA_PLATFORM=offscreen \
             ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
             LSAN_OPTIONS=print_suppressions=0 \
             UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: deps
	@cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTOBRELL_SANITIZE=ON >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	@cd $(SAN_BUILD) && $(SAN_ENV) ctest --output-on-failure -j $(JOBS)

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target tobrell_bench
	@$(BUILD)/bench/tobrell_bench

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize
