# Installation: `cmake --install <build> --prefix <folder>` makes <folder> a program folder that a
# user copies into a folder of music (the program plays the subfolders of its own folder):
#   zuvelo                   the program; it finds its folder itself and the soundfont there or
#                            in Debian's standard place
#   zuvelo.png               its window icon, for the desktop entry
#   zuvelo-desktop-entry.sh  writes zuvelo.desktop for the folder it lies in (and, with --menu,
#                            adds it to the applications menu); run again after moving the folder
#   zuvelo.desktop           written by that script at installation, naming the installed folder
# The demo library is not installed: any subfolder would be played among the user's own music.
# Included from app/CMakeLists.txt.

# The icon as the window draws it, written by a small tool at build time.
add_executable(zuvelo_write_icon ${PROJECT_SOURCE_DIR}/packaging/write_icon.cpp)
target_link_libraries(zuvelo_write_icon PRIVATE zuvelo_ui)
set(ZUVELO_ICON_FILE ${CMAKE_CURRENT_BINARY_DIR}/zuvelo.png CACHE INTERNAL "The icon for the desktop entry")
add_custom_command(
  OUTPUT ${ZUVELO_ICON_FILE}
  # Qt's offscreen platform keeps the tool off any display; leaks are Qt's one-time allocations.
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:zuvelo_write_icon> ${ZUVELO_ICON_FILE}
  DEPENDS zuvelo_write_icon
  COMMENT "Writing the icon"
  VERBATIM)
add_custom_target(zuvelo_icon ALL DEPENDS ${ZUVELO_ICON_FILE})

install(TARGETS zuvelo RUNTIME DESTINATION .)
install(FILES ${ZUVELO_ICON_FILE} DESTINATION .)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/zuvelo-desktop-entry.sh DESTINATION .)
# The entry names the folder the program is installed to, without a staging DESTDIR in front.
install(CODE [[
  get_filename_component(zuvelo_folder "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
  execute_process(
    COMMAND sh "$ENV{DESTDIR}${zuvelo_folder}/zuvelo-desktop-entry.sh" --folder "${zuvelo_folder}"
    OUTPUT_QUIET
    RESULT_VARIABLE zuvelo_entry_result)
  if(NOT zuvelo_entry_result EQUAL 0)
    message(FATAL_ERROR "could not write zuvelo.desktop")
  endif()
  message(STATUS "Installing: $ENV{DESTDIR}${zuvelo_folder}/zuvelo.desktop")
]])
