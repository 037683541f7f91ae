# The Linux build of the runtime's parts that need no window: the evaluator
# of access paths, references and pending exceptions, the rows of list and
# tree views as the table gives them. libcflrt.so is a JNI library a Java
# virtual machine loads; where Windows shows boxes it records the reports for
# its tests (src/seam_posix.cpp).
find_package(Java 17 REQUIRED COMPONENTS Runtime Development)
include(java/java.cmake)

add_library(cflrt SHARED
  src/javaapi.cpp
  src/JavaXCP.cpp
  src/jni_runtime.cpp
  src/jni_rows.cpp
  src/seam_posix.cpp
  src/text.cpp
)
target_include_directories(cflrt
  PUBLIC "$<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include;${FLRT_JNI_INCLUDE};${FLRT_JNI_INCLUDE}/linux>"
         $<INSTALL_INTERFACE:include>
  PRIVATE src)
add_dependencies(cflrt flrt_jar)
target_compile_definitions(cflrt PRIVATE CFLRT_BUILD)
target_link_libraries(cflrt PUBLIC flfileio PRIVATE fl_constants)
set_target_properties(cflrt PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

install(TARGETS cflrt EXPORT FormloomTargets LIBRARY DESTINATION lib)
install(FILES include/cflrt.h include/cflrt_classes.hpp DESTINATION include)

add_subdirectory(tests/java)
