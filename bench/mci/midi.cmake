# The MIDI open benchmark. Included from bench/mci/CMakeLists.txt.

add_executable(zuvelo_midi_open_bench ${CMAKE_CURRENT_LIST_DIR}/midi_open_bench.cpp)
target_link_libraries(zuvelo_midi_open_bench PRIVATE zuvelo_mci_midi zuvelo_smf_writer)
