# The generator's library sources, shared by tools/stimuli and tests/stimuli.
set(T2_STIMULI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/sticker_painter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hand_sign_art.cpp
    ${CMAKE_CURRENT_LIST_DIR}/balloon_art.cpp
    ${CMAKE_CURRENT_LIST_DIR}/burst_art.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pop_sound.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wav_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/preview_sheet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stimulus_set.cpp)
