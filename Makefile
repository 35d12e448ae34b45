# Two entry points, `make run` and `make test`; on a fresh machine the
# README puts scripts/bootstrap before them (it installs make too).
PRESET ?= default
BUILD  := build/$(PRESET)
FUZZ_SECONDS ?= 600

.PHONY: run test build asan-test tsan-test clang-test bench fuzz fuzz-perl fresh-test clean bootstrap package install

bootstrap:
	@scripts/bootstrap

build: bootstrap
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)

run: build
	$(BUILD)/bin/kakikae

test: build
	@scripts/run-tests $(PRESET)

tsan-test:
	@cmake --preset tsan >/dev/null && cmake --build --preset tsan --target model_tests filter_tests platform_tests sortf && QT_QPA_PLATFORM=offscreen ctest --preset tsan -L model

asan-test:
	@$(MAKE) --no-print-directory test PRESET=asan

clang-test:
	@$(MAKE) --no-print-directory test PRESET=clang

bench: build
	@bench/run-all $(BUILD)

# Random commands against perl: make fuzz-perl N=20000 (a new seed each time).
N ?= 20000
fuzz-perl: build
	@KK_PERL_FUZZ_CASES=$(N) KK_PERL_FUZZ_SEED=$$(od -An -tu4 -N4 /dev/urandom | tr -d ' ') \
	  $(BUILD)/bin/regex_perl_tests --gtest_filter='PerlRandom.CommandsAgreeWithPerl'

fuzz:
	@scripts/bootstrap fuzz
	@fuzz/run $(FUZZ_SECONDS)

# kakikae_VERSION_amd64.deb in build/$(PRESET), checked by lintian.
package: build
	@cd $(BUILD) && cpack -G DEB >/dev/null && ls kakikae_*.deb
	@lintian --no-tag-display-limit $(BUILD)/kakikae_*.deb || true

PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# The README's two commands on a new minimal Debian 12 (root: debootstrap, chroot).
fresh-test:
	@scripts/fresh-test

clean:
	rm -rf build
