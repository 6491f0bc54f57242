# Entry points for people: everything installs what it needs first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all setup build dist release run test test-under-load bench fuzz soak character clean

all: dist

setup:
	@scripts/setup

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: setup $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# The distributable folder: Kelmora.exe, imagedlls/*.dll, the packer and its template.
dist: build
	rm -rf dist.new && cp -r $(BUILD)/dist dist.new
	rm -rf dist/Kelmora.exe dist/imagedlls && mkdir -p dist && cp -r dist.new/. dist/ && rm -rf dist.new

# The archive for Windows users, named after the program's version resource,
# and its SHA256SUMS: release/Kelmora-<version>.zip.
release: dist
	python3 scripts/mkrelease.py dist docs/说明.txt release

run: dist
	scripts/run

test: build
	scripts/test $(BUILD)

# The whole suite five times while every core is kept busy, then once on one core.
test-under-load: build
	scripts/test-under-load $(BUILD)

# A character folder (character.ini and images) packed into a plug-in DLL.
character: build
	@[ -n "$(DIR)" ] && [ -n "$(OUT)" ] || { echo "usage: make character DIR=<folder> OUT=<file.dll>" >&2; exit 2; }
	plugins/pack/pack-character $(BUILD) "$(DIR)" "$(OUT)"

bench: build
	scripts/bench $(BUILD)

# Long runs through the program: object and memory figures (SOAK_CYCLES, SOAK_MINUTES).
soak: build
	scripts/soak $(BUILD)

# The fuzz targets on the host under ASan and UBSan, FUZZ_RUNS executions each.
fuzz: setup
	scripts/fuzz $(BUILD)

clean:
	rm -rf $(BUILD) dist release
