# The MIDI renderer: Standard MIDI Files to 48 kHz float frames through FluidSynth.
# Included from mci/CMakeLists.txt.
pkg_check_modules(FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)

add_library(zuvelo_mci_midi STATIC
  ${CMAKE_CURRENT_LIST_DIR}/MidiFileScan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MidiRenderer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SoundFont.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SoundFontFile.cpp
)
target_include_directories(zuvelo_mci_midi PUBLIC ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(zuvelo_mci_midi PUBLIC PkgConfig::FLUIDSYNTH PRIVATE zuvelo_common)
