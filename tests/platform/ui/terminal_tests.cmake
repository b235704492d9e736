# The terminal back end: its layout rules, and the notes program driven in tmux.
jotterwick_test(platform_ui_terminal_test SOURCES terminal_layout_test.cpp
                LIBS platform_ui_terminal)
target_compile_definitions(platform_ui_terminal_test PRIVATE NCURSES_WIDECHAR=1)
if(TARGET jotta)
    jotterwick_test(platform_ui_terminal_jotta_test SOURCES terminal_jotta_test.cpp
                    LIBS test_support platform_ce)
    add_dependencies(platform_ui_terminal_jotta_test jotta ceutil)
endif()
