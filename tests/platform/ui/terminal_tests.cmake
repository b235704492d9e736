# The terminal back end: its layout rules and its prompts, shown by a helper
# program and driven in tmux. The session library drives the notes program's
# terminal test too (tests/device/app).
jotterwick_test(platform_ui_terminal_test SOURCES terminal_layout_test.cpp help_viewer_test.cpp
                dialog_fit_test.cpp
                LIBS platform_ui_terminal)
target_compile_definitions(platform_ui_terminal_test PRIVATE NCURSES_WIDECHAR=1)

add_library(terminal_test_session STATIC terminal_session.cpp)
target_link_libraries(terminal_test_session PUBLIC test_support)

jotterwick_test(platform_ui_terminal_prompts_test SOURCES terminal_prompts_test.cpp
                LIBS terminal_test_session)
target_compile_definitions(platform_ui_terminal_prompts_test PRIVATE
    UI_PROMPT_HELPER="$<TARGET_FILE:ui_prompt_helper>")
add_dependencies(platform_ui_terminal_prompts_test ui_prompt_helper)
