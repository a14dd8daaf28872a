# Native build: the portable core, its unit tests, the host tools and the
# end-to-end test driver that runs wzrv.exe under Wine.
enable_testing()
find_package(GTest REQUIRED)

# What the tests share: a profile store in memory.
add_library(wzrv_test_support STATIC tests/support/memory_profile.cpp)
target_link_libraries(wzrv_test_support PUBLIC wzrv_core)

file(GLOB WZRV_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/unit/*_test.cpp)
add_executable(wzrv_unit_tests ${WZRV_UNIT_TESTS})
target_link_libraries(wzrv_unit_tests PRIVATE wzrv_test_support wzrv_fieldgif GTest::gtest GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(wzrv_unit_tests PROPERTIES LABELS unit DISCOVERY_TIMEOUT 60)

# Field frames: PNG export and comparison tool, and the drawing benchmark.
find_package(PNG REQUIRED)
find_package(GIF REQUIRED)
# What the tools and the tests share: frames in memory, a field step composed
# on an RGB picture.
add_library(wzrv_tools STATIC tools/memory_frames.cpp tools/compose.cpp)
target_link_libraries(wzrv_tools PUBLIC wzrv_core)
add_library(wzrv_fieldgif STATIC tools/fieldgif.cpp)
target_link_libraries(wzrv_fieldgif PUBLIC wzrv_tools GIF::GIF)
add_executable(wzrvtool tools/wzrvtool.cpp)
target_link_libraries(wzrvtool PRIVATE wzrv_fieldgif PNG::PNG)
add_executable(wzrv_bench tools/bench.cpp)
target_link_libraries(wzrv_bench PRIVATE wzrv_tools)

# The pattern cache reader's fuzz inputs, replayed without libFuzzer (the
# fuzzer itself is clang's: `make fuzz`).
add_executable(cache_fuzz_replay tests/fuzz/cache_fuzz.cpp tests/fuzz/replay_main.cpp)
target_link_libraries(cache_fuzz_replay PRIVATE wzrv_test_support)
add_test(NAME cache_fuzz_replay
         COMMAND cache_fuzz_replay ${CMAKE_CURRENT_SOURCE_DIR}/tests/fuzz/corpus/cache)
set_tests_properties(cache_fuzz_replay PROPERTIES LABELS unit)
# The other fuzz targets (option scan, typed characters, colour and sound
# settings values), replayed the same way from their committed corpora.
foreach(fuzz options charinput color sound)
  add_executable(${fuzz}_fuzz_replay tests/fuzz/${fuzz}_fuzz.cpp tests/fuzz/replay_main.cpp)
  target_link_libraries(${fuzz}_fuzz_replay PRIVATE wzrv_test_support)
  add_test(NAME ${fuzz}_fuzz_replay
           COMMAND ${fuzz}_fuzz_replay ${CMAKE_CURRENT_SOURCE_DIR}/tests/fuzz/corpus/${fuzz})
  set_tests_properties(${fuzz}_fuzz_replay PROPERTIES LABELS unit)
endforeach()
if(NOT WZRV_SANITIZE)
  # The README's field movies are what the tool renders from today's frames.
  add_test(NAME docs_field_gifs_current
           COMMAND sh -c "mkdir -p gifs && ./wzrvtool gifs gifs >/dev/null && for f in hexagon octagon mini; do cmp gifs/$f.gif ${CMAKE_CURRENT_SOURCE_DIR}/docs/fields/$f.gif || exit 1; done"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(docs_field_gifs_current PROPERTIES LABELS unit)
  # wzrvtool inspect on a complete cache and on one with a damaged record.
  set(WZRV_CACHE_CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/tests/fuzz/corpus/cache)
  add_test(NAME wzrvtool_inspect_complete COMMAND wzrvtool inspect ${WZRV_CACHE_CORPUS}/complete)
  set_tests_properties(wzrvtool_inspect_complete PROPERTIES LABELS unit
    PASS_REGULAR_EXPRESSION "record 13 at 109103:  40x40 .*OK: a complete pattern cache")
  add_test(NAME wzrvtool_inspect_damaged COMMAND wzrvtool inspect ${WZRV_CACHE_CORPUS}/complete-bad-row-size)
  set_tests_properties(wzrvtool_inspect_damaged PROPERTIES LABELS unit
    PASS_REGULAR_EXPRESSION "problem: record 5 at offset 38111: bmWidthBytes 7 is not 38.*INCOMPLETE")
endif()

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/CMakeLists.txt AND NOT WZRV_SANITIZE)
  add_subdirectory(tests/e2e)
endif()
