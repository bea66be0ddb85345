# Stereo conversion routines.
list(APPEND VIZOR_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/stereo_geometry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stereo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stereo_lines.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stereo_work.cpp
    ${CMAKE_CURRENT_LIST_DIR}/compositor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/compositor_sse2.cpp
    ${CMAKE_CURRENT_LIST_DIR}/compositor_avx2.cpp)
# Only the AVX2 kernels are built for AVX2; they run after a processor check.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/compositor_avx2.cpp PROPERTIES COMPILE_OPTIONS "-mavx2")

# The stereo benchmark (run by tools/bench-stereo.sh), built with the player so it keeps compiling.
add_executable(bench-stereo ${CMAKE_CURRENT_LIST_DIR}/../../tools/bench-stereo.cpp)
target_link_libraries(bench-stereo PRIVATE vizor_core ddraw)
set_target_properties(bench-stereo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
