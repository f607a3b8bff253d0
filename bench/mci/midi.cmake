# The MIDI open benchmark. Included from bench/mci/CMakeLists.txt.
if(NOT TARGET zuvelo_smf_writer)
  # Writes Standard MIDI Files for tests and benchmarks.
  add_library(zuvelo_smf_writer STATIC ${PROJECT_SOURCE_DIR}/tests/mci/SmfWriter.cpp)
  target_include_directories(zuvelo_smf_writer PUBLIC ${PROJECT_SOURCE_DIR}/tests/mci)
endif()

add_executable(zuvelo_midi_open_bench ${CMAKE_CURRENT_LIST_DIR}/midi_open_bench.cpp)
target_link_libraries(zuvelo_midi_open_bench PRIVATE zuvelo_mci_midi zuvelo_smf_writer)
