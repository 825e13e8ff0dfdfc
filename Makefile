# make run  - install what is missing, build, prepare the files beside the program, start it
# make test - the same set-up, then build and run every test headless
# make windows      - cross-build for 64-bit Windows: dist/Tobrell-windows-x64.zip (portable)
#                     and dist/Tobrell-setup-x64.exe (the installer)
# make windows-test - build every test for Windows and run them under Wine, the installer's too

BUILD      ?= build
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES   := cmake g++ make pkg-config qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite qttranslations5-l10n \
              libqt5charts5-dev liblog4cxx-dev libsqlite3-dev sqlite3 xvfb xauth fonts-droid-fallback
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
EXE_DIR    := $(BUILD)
DB         := $(EXE_DIR)/Tobrell.sqlite3
CONF       := $(EXE_DIR)/QtLog4Qt.conf

.PHONY: all run test test-sanitize deps install-packages configure build files bench clean windows windows-test windows-sdk windows-configure

all: build

deps:
	@$(MAKE) --no-print-directory install-packages PACKAGES="$(PACKAGES)"

install-packages:
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

# Windows: cross-built with Debian's MinGW-w64 against a Qt and Log4Qt built for Windows
# (WINDOWS_SDK, see docs/windows.md); the tests run under Wine as a Chinese Windows would.
WINDOWS_SDK   ?= ../shared/windows-x64
WIN_BUILD     ?= $(BUILD)-windows
WIN_PACKAGES  := cmake make g++-mingw-w64-x86-64-posix sqlite3 qtbase5-dev-tools qttranslations5-l10n nsis
# The installer's test: python3 reads shortcuts and the registry, Xvfb shows the program.
WINE_PACKAGES := wine64 locales fonts-dejavu-core python3 xvfb xauth
WIN_SDK_ABS    = $(abspath $(WINDOWS_SDK))

windows-sdk:
	@if [ ! -e "$(WINDOWS_SDK)/lib/cmake/Qt5/Qt5Config.cmake" ] || [ ! -e "$(WINDOWS_SDK)/lib/cmake/Log4Qt" ]; then \
	    echo "No Windows SDK at '$(WINDOWS_SDK)': Qt 5.15 with Qt Charts and Log4Qt 1.5.1 built for"; \
	    echo "64-bit Windows with MinGW-w64. Build one as docs/windows.md says, then"; \
	    echo "'make windows WINDOWS_SDK=/path/to/it'."; exit 1; \
	fi

windows-configure: windows-sdk
	@$(MAKE) --no-print-directory install-packages PACKAGES="$(WIN_PACKAGES)"
	@cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	    -DCMAKE_PREFIX_PATH=$(WIN_SDK_ABS) -DCMAKE_BUILD_TYPE=Release >/dev/null

windows: windows-configure
	@cmake --build $(WIN_BUILD) -j $(JOBS) --target Tobrell
	@cmake --build $(WIN_BUILD) --target windows_installer

# Wine takes its code page from LANG: zh_CN.UTF-8 gives 936 (GBK), as on a Chinese Windows.
WINE_LOCALE := zh_CN.UTF-8
windows-test: windows-configure
	@$(MAKE) --no-print-directory install-packages PACKAGES="$(WINE_PACKAGES)"
	@if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$$'; then \
	    grep -q '^$(WINE_LOCALE) UTF-8' /etc/locale.gen 2>/dev/null || echo '$(WINE_LOCALE) UTF-8' | $(SUDO) tee -a /etc/locale.gen >/dev/null; \
	    $(SUDO) locale-gen >/dev/null; \
	fi
	@cmake --build $(WIN_BUILD) -j $(JOBS)
	@cmake --build $(WIN_BUILD) --target windows_installer
	@if [ ! -e $(WIN_BUILD)/wineprefix/system.reg ]; then \
	    echo "Making the Wine prefix $(WIN_BUILD)/wineprefix"; \
	    WINEPREFIX=$(abspath $(WIN_BUILD))/wineprefix WINEDEBUG=-all /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1; \
	    WINEPREFIX=$(abspath $(WIN_BUILD))/wineprefix /usr/lib/wine/wineserver -w; \
	fi
	@cd $(WIN_BUILD) && LANG=$(WINE_LOCALE) LC_ALL=$(WINE_LOCALE) ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize $(WIN_BUILD) dist
