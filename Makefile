# The two commands of the README; everything else goes through CMake presets.
.PHONY: test run deps build-ci build-release clean

deps:
	scripts/install-deps

build-ci: deps
	cmake --preset ci
	cmake --build --preset ci

test: build-ci
	scripts/check-format
	scripts/run-tests build/ci

build-release: deps
	cmake --preset release
	cmake --build --preset release

run: build-release
	scripts/run-kestrup build/release

clean:
	rm -rf build
