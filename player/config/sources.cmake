# MCF reader, settings store and configuration panel.
list(APPEND VIZOR_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/mcf.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mcf_setup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/name_layout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recent_list.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recent_files.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/panel.cpp)
