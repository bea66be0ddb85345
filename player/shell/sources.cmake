list(APPEND VIZOR_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/app.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commandline.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/quick_switches.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recent_menu.cpp
    ${CMAKE_CURRENT_LIST_DIR}/full_screen.cpp)
