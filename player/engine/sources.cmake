list(APPEND VIZOR_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/guids.cpp
    ${CMAKE_CURRENT_LIST_DIR}/records.cpp
    ${CMAKE_CURRENT_LIST_DIR}/surfaces.cpp
    ${CMAKE_CURRENT_LIST_DIR}/movie_math.cpp
    ${CMAKE_CURRENT_LIST_DIR}/open.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pump.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transport.cpp)

# Until the stereo routines have sources of their own, stand-ins keep the player linking.
file(GLOB stereo_sources ${CMAKE_CURRENT_LIST_DIR}/../stereo/*.cpp)
list(FILTER stereo_sources EXCLUDE REGEX "_test\\.cpp$")
if(NOT stereo_sources)
    list(APPEND VIZOR_SOURCES ${CMAKE_CURRENT_LIST_DIR}/stereo_pending.cpp)
endif()
