# The two commands a new user needs on a fresh Debian 12 machine:
#   make run    install what is missing, build, and start Veskor on its built-in default data
#   make test   install what is missing, build, and run every test
# Extra CMake options go in CMAKE_ARGS (.ci/run uses it for the sanitizer build).

BUILD ?= build
CMAKE_ARGS ?=
JOBS ?= $(shell nproc)

PACKAGES := cmake ninja-build g++ pkg-config \
	qt6-base-dev qt6-svg-dev qt6-image-formats-plugins libgl-dev \
	zlib1g-dev liblzma-dev libgtest-dev libgmock-dev \
	libavcodec-dev libswresample-dev libswscale-dev libavutil-dev qt6-multimedia-dev \
	fonts-wqy-microhei fonts-liberation2 \
	qt6-translations-l10n desktop-file-utils appstream dpkg-dev

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: run test build deps

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		$(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/veskor

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
