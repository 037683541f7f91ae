# Installs a build tree into a folder of its own, builds the consumer project
# against it with find_package(Formloom) and runs what it built (Windows
# programs under Wine, finding the DLLs in the installed bin folder only).
#
#   cmake -DBUILD_DIR=... -DGENERATOR=... [-DTOOLCHAIN=...] [-DWINE_RUN=... -DWINE_PREFIX=...]
#         -P consumer_test.cmake

set(work ${BUILD_DIR}/package-consumer)
set(stage ${work}/installed)
set(consumer ${work}/build)
file(REMOVE_RECURSE ${work})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${rc}): ${command}\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${stage})

set(configure ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/consumer -B ${consumer} -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${stage})
if(TOOLCHAIN)
  list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
run(${configure})
run(${CMAKE_COMMAND} --build ${consumer})

if(TOOLCHAIN)
  # The programs find flfileio.dll, cflrt.dll and the C++ runtime in the installed bin only.
  string(REPLACE "/" "\\" windows_bin "Z:${stage}/bin")
  set(ENV{WINEPATH} "${windows_bin}")
  set(launch ${WINE_RUN} --prefix ${WINE_PREFIX})
  set(programs forms_roundtrip.exe runtime_linked.exe)
else()
  set(launch)
  set(programs forms_roundtrip runtime_linked)
endif()
foreach(program IN LISTS programs)
  execute_process(COMMAND ${launch} ${consumer}/${program} roundtrip.flf
                  WORKING_DIRECTORY ${consumer} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  message(STATUS "${program}: ${out}")
  if(NOT rc EQUAL 0 OR NOT out MATCHES ": ok")
    message(FATAL_ERROR "${program} failed (${rc}): ${out}")
  endif()
endforeach()
