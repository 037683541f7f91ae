# Test support shared by every part of the tree.
#
# Natively, GoogleTest comes from Debian's packages. For Windows it is built
# from the sources Debian ships in /usr/src/googletest, and every test program
# runs under Wine through tools/wine-run with this build tree's own prefix.

if(WIN32)
  set(FL_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run --prefix ${FL_WINE_PREFIX})
  # tools/wine-run reads which Wine (32 or 64 bits) runs this tree's programs
  # from here, for every prefix of the tree.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(FL_WINE_ARCH win64)
    set(_unwinder libgcc_s_seh-1.dll)
  else()
    set(FL_WINE_ARCH win32)
    set(_unwinder libgcc_s_dw2-1.dll)
  endif()
  file(WRITE ${CMAKE_BINARY_DIR}/wine-arch "${FL_WINE_ARCH}\n")

  # The shared C++ runtime sits beside the binaries: exceptions thrown in one
  # DLL and caught in another module need one shared unwinder and libstdc++.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_unwinder}
                  OUTPUT_VARIABLE _libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                  OUTPUT_VARIABLE _libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
  find_file(_libwinpthread libwinpthread-1.dll PATHS ${CMAKE_FIND_ROOT_PATH}/lib NO_DEFAULT_PATH REQUIRED)
  file(MAKE_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  file(COPY ${_libgcc} ${_libstdcxx} ${_libwinpthread} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})

  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  set(FL_GTEST_MAIN GTest::gtest_main)
  set(FL_GMOCK GTest::gmock)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gmock ALIAS gmock)
  endif()
else()
  find_package(GTest REQUIRED)
  set(FL_GTEST_MAIN GTest::gtest_main)
  set(FL_GMOCK GTest::gmock)
endif()

# fl_add_gtest(NAME src...): one GoogleTest program, registered as one CTest
# test (under Wine, starting the program once per test case would be far too slow).
function(fl_add_gtest name)
  add_executable(${name} ${ARGN})
  if(WIN32)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/testing/quiet_debug_output.cpp)
  endif()
  target_link_libraries(${name} PRIVATE ${FL_GTEST_MAIN} ${FL_GMOCK})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  # Every program ends within a minute even on an emulated CPU; one that the
  # emulator leaves hanging is stopped soon and given its next run.
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()
