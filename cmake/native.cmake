# Native Linux build: unit tests under sanitizers, fuzz targets, benchmarks.
option(KESTO_SANITIZE "Build with AddressSanitizer and UBSan" ON)
option(KESTO_FUZZ "Build libFuzzer targets (needs clang)" ON)
option(KESTO_BENCH "Build the benchmarks" OFF)
set(KESTO_FUZZ_SECONDS 20 CACHE STRING "Budget for each fuzz target in the test run")

if(KESTO_SANITIZE)
  set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(kesto_core PUBLIC ${sanitizers})
  target_link_options(kesto_core PUBLIC ${sanitizers})
endif()

find_package(GTest REQUIRED)

if(KESTO_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  target_compile_options(kesto_core PUBLIC -fsanitize=fuzzer-no-link)
  foreach(target fuzz_text_helpers fuzz_box_file)
    add_executable(${target} tests/fuzz/${target}.cpp)
    target_link_libraries(${target} PRIVATE kesto_core)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    add_test(NAME ${target}
      COMMAND ${target} -max_total_time=${KESTO_FUZZ_SECONDS} -max_len=65536 -timeout=10
              ${CMAKE_BINARY_DIR}/fuzz-corpus/${target})
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-corpus/${target})
  endforeach()
endif()

if(KESTO_BENCH)
  find_package(benchmark REQUIRED)
  add_executable(bench_box_file bench/bench_box_file.cpp)
  target_link_libraries(bench_box_file PRIVATE kesto_core benchmark::benchmark)
endif()

# Tools for theme authors: the checker (its library is in the top list).
add_executable(kesto-check tools/check/main.cpp)

add_executable(kesto_native_tests ${KESTO_PORTABLE_TESTS} tests/native/rules_test.cpp)
target_link_libraries(kesto_native_tests PRIVATE kesto_check_lib kesto_core GTest::gtest GTest::gtest_main)
target_compile_definitions(kesto_native_tests PRIVATE KESTO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_test(NAME native_unit_tests COMMAND kesto_native_tests)
target_link_libraries(kesto-check PRIVATE kesto_check_lib)
add_test(NAME check_corpus COMMAND sh ${CMAKE_SOURCE_DIR}/tests/check/run.sh $<TARGET_FILE:kesto-check>
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
# The set-up script's fallback for a package mirror in mid-sync, against a faked apt-get.
add_test(NAME install_deps_fallback COMMAND sh ${CMAKE_SOURCE_DIR}/tests/deps/install_deps_test.sh)
