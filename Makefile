# The two commands a newcomer needs are `make run` and `make test`; the rest
# are the steps they are made of. CMake does the real work in .cmake-build/
# (never build/, which holds the build tool's source).

PREFIX      ?= /usr/local
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
BUILD_DIR   := .cmake-build
SAN_DIR     := .cmake-build-sanitize
BUILD_TYPE  ?= RelWithDebInfo
CTEST_FLAGS ?= --output-on-failure -j $(JOBS)

.PHONY: all setup build test test-sanitize run bench install clean

all: build

setup:
	@scripts/setup

$(BUILD_DIR)/CMakeCache.txt: | setup
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: setup $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@scripts/setup --npm --browser
	cd $(BUILD_DIR) && ctest $(CTEST_FLAGS)

$(SAN_DIR)/CMakeCache.txt: | setup
	cmake -S . -B $(SAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DQO_SANITIZE=ON

test-sanitize: setup $(SAN_DIR)/CMakeCache.txt
	cmake --build $(SAN_DIR) -j $(JOBS)
	@scripts/setup --npm --browser
	cd $(SAN_DIR) && ctest $(CTEST_FLAGS)

run: build
	@scripts/run-example

bench: build
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	@scripts/run-benchmarks

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD_DIR) $(SAN_DIR) bin
