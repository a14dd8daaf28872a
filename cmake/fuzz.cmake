# The fuzz targets under libFuzzer (configure with clang: `make fuzz`). The
# portable core is instrumented for coverage and built with ASan and UBSan; each
# target is one tests/fuzz/NAME_fuzz.cpp with libFuzzer's own main.
set(WZRV_FUZZ_FLAGS -g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
target_compile_options(wzrv_core PRIVATE ${WZRV_FUZZ_FLAGS})
foreach(fuzz cache options charinput color sound)
  add_executable(${fuzz}_fuzz tests/fuzz/${fuzz}_fuzz.cpp tests/support/memory_profile.cpp)
  target_compile_options(${fuzz}_fuzz PRIVATE ${WZRV_FUZZ_FLAGS})
  target_link_libraries(${fuzz}_fuzz PRIVATE wzrv_core -fsanitize=fuzzer,address,undefined)
endforeach()
