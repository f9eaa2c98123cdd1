# The two commands of the README, and the benchmarks.
JOBS ?= $(shell nproc)
CMAKE_GEN = -G Ninja

.PHONY: run test bench deps

deps:
	@bash scripts/install-deps.sh

run: deps
	cmake -S . -B build/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DZV_RUN_DIR=$(CURDIR)/build/run
	cmake --build build/release -j $(JOBS)
	cd build/run && ./velmora

# The benchmarks are built here too, not run, so a change that breaks them shows.
test: deps
	cmake -S . -B build/test $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_TESTS=ON -DZV_BENCH=ON
	cmake --build build/test -j $(JOBS)
	bash scripts/fuzz-smoke.sh
	bash scripts/fuzz-images.sh
	bash scripts/fuzz-sound.sh
	bash scripts/fuzz-network.sh
	bash scripts/fuzz-game.sh
	cd build/test && ctest --output-on-failure -j $(JOBS) --timeout 300

bench: deps
	cmake -S . -B build/bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DZV_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	@cd build/bench && for b in ./bench_*; do echo "== $$b"; SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy $$b || exit 1; done
