# Two commands do everything on a fresh Debian 12 machine:
#   make demo   install what is missing, build, run the program on the sample video
#   make test   install what is missing, build, run every test
# `make package` writes the Debian package into $(BUILD); `make check-package`
# (a step of CI) runs it unpacked and through Debian's checkers.
# CI also runs `make ci-extras`: sanitizer builds, fuzzing, Windows files,
# a vendor host library, benchmarks.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
DEMO ?= device
FUZZ_SECONDS ?= 15
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
# The tests that run threads of ours (workers, jobs, exchanges, the program).
TSAN_LABELS ?= threads|fifo|hostedl|HostLibAdapter

.PHONY: demo test build deps clean package check-package ci-extras test-share asan-build check-asan check-tsan fuzz-smoke check-windows check-vendor-hostlib bench-short

deps:
	tools/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	tools/run-demo $(BUILD) $(DEMO)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

package: build
	cmake --build $(BUILD) --target package

check-package: package
	packaging/check-package $(BUILD)

ci-extras: test-share check-windows check-asan fuzz-smoke check-tsan check-vendor-hostlib bench-short

# The share of test code among the C++ lines; printed, never failing.
test-share:
	tools/test-share

# clang, so the same build also makes the libFuzzer targets.
asan-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DSANITIZE=address,undefined -DVIREO_FUZZ=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)

check-asan: asan-build
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

check-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=thread
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -L '$(TSAN_LABELS)'

fuzz-smoke: asan-build
	tools/run-fuzzers $(ASAN_BUILD) $(FUZZ_SECONDS)

check-windows: deps
	tools/check-windows-files

check-vendor-hostlib: deps
	hostedl/ci-vendor-hostlib build-vendor-hostlib

bench-short: build
	bench/run --short $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) build-vendor-hostlib
