# Stereo conversion routines.
list(APPEND VIZOR_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/stereo_geometry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stereo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stereo_lines.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stereo_work.cpp)
