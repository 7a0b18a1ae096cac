# Included by the top-level CMakeLists.txt when VELLOX_FUZZ is on, before any library
# is defined: every library is built with libFuzzer's coverage instrumentation and the
# address and undefined-behaviour sanitizers, so the fuzz targets see into them and
# any undefined behaviour ends the run as a crash.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "VELLOX_FUZZ needs clang (configure with CMAKE_CXX_COMPILER=clang++)")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
