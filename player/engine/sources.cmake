list(APPEND VIZOR_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/guids.cpp
    ${CMAKE_CURRENT_LIST_DIR}/records.cpp
    ${CMAKE_CURRENT_LIST_DIR}/surfaces.cpp
    ${CMAKE_CURRENT_LIST_DIR}/movie_math.cpp
    ${CMAKE_CURRENT_LIST_DIR}/movie_headers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/open.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pump.cpp
    ${CMAKE_CURRENT_LIST_DIR}/draw3.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transport.cpp)

