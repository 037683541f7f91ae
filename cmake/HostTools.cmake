# The form tool that runs while building. Natively it is the flftool target
# itself; in a cross build (Windows) a host flftool is built from the same
# sources for the build machine, in the tree's "host" folder, so no build step
# ever runs a Windows program. FL_HOST_FLFTOOL names an existing host flftool
# instead.
#
# Sets FL_FLFTOOL (the command) and FL_FLFTOOL_DEPENDS (what a step using it
# depends on).

if(NOT CMAKE_CROSSCOMPILING)
  set(FL_FLFTOOL flftool)
  set(FL_FLFTOOL_DEPENDS flftool)
  return()
endif()

set(FL_HOST_FLFTOOL "" CACHE FILEPATH "A flftool built for the build machine (empty: build one)")
if(FL_HOST_FLFTOOL)
  set(FL_FLFTOOL ${FL_HOST_FLFTOOL})
  set(FL_FLFTOOL_DEPENDS ${FL_HOST_FLFTOOL})
  return()
endif()

include(ExternalProject)
set(_host_dir ${CMAKE_BINARY_DIR}/host)
set(FL_FLFTOOL ${_host_dir}/bin/flftool)
ExternalProject_Add(fl_host_flftool
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${_host_dir}
  PREFIX ${_host_dir}/ep
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFL_APP=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${_host_dir} --target flftool
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${FL_FLFTOOL}
  INSTALL_COMMAND ""
  USES_TERMINAL_BUILD ON)
set(FL_FLFTOOL_DEPENDS fl_host_flftool ${FL_FLFTOOL})
