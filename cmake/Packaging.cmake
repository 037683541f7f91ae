# What `cmake --install` and `cpack` make of a build tree:
#
#   bin/               programs, DLLs, the C++ runtime DLLs (Windows), the puzzle's forms
#   include/           the public headers of flfileio and cflrt
#   lib/               import libraries (Windows), libflfileio.so (Linux), the CMake package
#   share/formloom/    the form vocabulary, its name base and C header, the form schema,
#                      form sources and compiled forms
#   share/java/        the runtime's jar, when the build makes one
#
# The CMake package gives Formloom::flfileio and Formloom::cflrt. On Windows
# cpack makes a zip and an installer (NSIS); the installer registers the
# components through their own entry points and its uninstaller takes them out.

include(CMakePackageConfigHelpers)

set(FL_PACKAGE_DIR lib/cmake/Formloom)

if(WIN32)
  # The C++ runtime the programs and DLLs share (copied beside them when configured).
  file(GLOB _fl_runtime_dlls ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/libstdc++-6.dll
       ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/libgcc_s_*.dll ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/libwinpthread-1.dll)
  install(FILES ${_fl_runtime_dlls} DESTINATION bin)
  # A stripping install (cpack's) also takes the debugging information out of
  # the files installed as they are (the runtime DLLs, the components).
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      file(GLOB _fl_binaries \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/*.dll\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/*.exe\")
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug \${_fl_binaries})
    endif()")
else()
  # Installed programs find the library in ../lib.
  if(TARGET flftool)
    set_property(TARGET flftool PROPERTY INSTALL_RPATH "$ORIGIN/../lib")
  endif()
  # A Java VM loads libcflrt.so by path: it finds libflfileio.so beside it.
  if(TARGET cflrt)
    set_property(TARGET cflrt PROPERTY INSTALL_RPATH "$ORIGIN")
  endif()
endif()

if(TARGET flrt_jar)
  install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/cflrt.jar ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/cflrt-javadoc.jar
          DESTINATION share/java)
endif()

# ---- The CMake package ----
install(EXPORT FormloomTargets NAMESPACE Formloom:: DESTINATION ${FL_PACKAGE_DIR})
if(FL_JAVAC)
  # The JDK the runtime was built with: the package looks for jni.h there first.
  file(REAL_PATH ${FL_JAVAC} _fl_javac)
  get_filename_component(FL_BUILD_JDK ${_fl_javac} DIRECTORY)
  get_filename_component(FL_BUILD_JDK ${FL_BUILD_JDK} DIRECTORY)
endif()
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/packaging/FormloomConfig.cmake.in
  ${CMAKE_BINARY_DIR}/packaging/FormloomConfig.cmake INSTALL_DESTINATION ${FL_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/packaging/FormloomConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/packaging/FormloomConfig.cmake
              ${CMAKE_BINARY_DIR}/packaging/FormloomConfigVersion.cmake
        DESTINATION ${FL_PACKAGE_DIR})

# A small project built against the installed tree (natively, and for Windows
# with the same toolchain; there it also runs under Wine).
if(NOT FL_SANITIZE AND NOT FL_FUZZ)
  add_test(NAME formloom_package_consumer
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DGENERATOR=${CMAKE_GENERATOR}
            -DTOOLCHAIN=${CMAKE_TOOLCHAIN_FILE} -DWINE_RUN=${PROJECT_SOURCE_DIR}/tools/wine-run
            -DWINE_PREFIX=${FL_WINE_PREFIX}
            -P ${CMAKE_CURRENT_LIST_DIR}/packaging/consumer_test.cmake)
  set_tests_properties(formloom_package_consumer PROPERTIES TIMEOUT 600)
endif()

# ---- CPack ----
set(CPACK_PACKAGE_NAME Formloom)
set(CPACK_PACKAGE_VENDOR Formloom)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Formloom form runtime and the Tangram puzzle")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Formloom)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_fl_system win64)
  else()
    set(_fl_system win32)
  endif()
  set(CPACK_SYSTEM_NAME ${_fl_system})
  set(FL_PACKAGE_FILE_NAME Formloom-${PROJECT_VERSION}-${_fl_system})
  set(CPACK_PACKAGE_FILE_NAME ${FL_PACKAGE_FILE_NAME})
  set(CPACK_GENERATOR ZIP)
  find_program(FL_MAKENSIS makensis)
  if(FL_MAKENSIS)
    list(APPEND CPACK_GENERATOR NSIS)
    include(${CMAKE_CURRENT_LIST_DIR}/packaging/Installer.cmake)
  endif()
else()
  set(CPACK_GENERATOR TGZ)
endif()
include(CPack)

# The packages made from the built tree, and the installer tried in a fresh
# Wine prefix: installed, the puzzle's end-to-end test on the installed copy,
# uninstalled, nothing left.
if(WIN32 AND FL_MAKENSIS AND FL_APP)
  add_test(NAME formloom_packages
    COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake -G "ZIP;NSIS"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(formloom_packages PROPERTIES FIXTURES_SETUP formloom_packages TIMEOUT 600)
  add_test(NAME formloom_installer
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/packaging/installer_test.sh ${CMAKE_BINARY_DIR}
            ${CPACK_PACKAGE_DIRECTORY}/${FL_PACKAGE_FILE_NAME}.exe)
  set_tests_properties(formloom_installer PROPERTIES FIXTURES_REQUIRED formloom_packages TIMEOUT 1800)
endif()
