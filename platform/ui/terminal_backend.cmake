# The terminal back end (ncursesw) as a library of its own: only the notes
# program links it, so tests and the provider libraries need no terminal. It
# draws the framework's command bar, so it sits on platform_mfc.
pkg_check_modules(NCURSESW REQUIRED IMPORTED_TARGET ncursesw)
add_library(platform_ui_terminal STATIC
    terminal_backend.cpp
    terminal_draw.cpp
    terminal_input.cpp
    terminal_keys.cpp
    terminal_layout.cpp
    terminal_menu.cpp
    terminal_prompts.cpp)
target_include_directories(platform_ui_terminal PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(platform_ui_terminal PRIVATE NCURSES_WIDECHAR=1)
target_link_libraries(platform_ui_terminal PUBLIC platform_mfc platform_ui PkgConfig::NCURSESW)
