# GoogleTest for the Windows build, compiled from Debian's own source package: Debian ships no
# Windows binaries of it, and nothing is downloaded.
set(ZUVELO_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source (Debian package googletest)")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
# It names its targets GTest::gtest and GTest::gtest_main itself, as the Linux package does.
add_subdirectory(${ZUVELO_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# One Wine process per suite rather than one per test: discovering the tests would start Wine at
# build time, and each test in its own process would cost Wine's start-up once a test.
function(gtest_discover_tests target)
  add_test(NAME ${target} COMMAND ${target})
endfunction()
