# Tests of the MIDI renderer. Included from tests/mci/CMakeLists.txt.

add_executable(zuvelo_mci_midi_tests
  ${CMAKE_CURRENT_LIST_DIR}/MidiFileScanTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MidiRendererTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SoundFontTest.cpp
)
target_link_libraries(zuvelo_mci_midi_tests PRIVATE zuvelo_temporary_folder zuvelo_mci_midi zuvelo_smf_writer GTest::gtest_main)
# Rendering with a real soundfont is slow under the sanitizers; one test at a time keeps it bounded.
gtest_discover_tests(zuvelo_mci_midi_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
