# The Java side of the runtime, built with the JDK's own tools: the class
# qk.fllocal.DisplayManager in cflrt.jar, its Javadoc in cflrt-javadoc.jar
# (both beside the programs), and the C header `javac -h` writes for its
# native methods, which the entry points are compiled against, so that a
# signature drifting from the Java class fails the build.
find_program(FL_JAVAC javac REQUIRED)
file(REAL_PATH ${FL_JAVAC} _javac)
get_filename_component(_jdk_bin ${_javac} DIRECTORY)
get_filename_component(_jdk ${_jdk_bin} DIRECTORY)
set(FLRT_JNI_INCLUDE ${_jdk}/include)
set(_java_source ${CMAKE_CURRENT_LIST_DIR}/qk/fllocal/DisplayManager.java)
set(FLRT_JNI_GENERATED ${CMAKE_CURRENT_BINARY_DIR}/jni_generated)
set(_java_classes ${CMAKE_CURRENT_BINARY_DIR}/java_classes)
set(_javadoc ${CMAKE_CURRENT_BINARY_DIR}/javadoc)
set(FLRT_JAR ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/cflrt.jar)
set(FLRT_JAVADOC_JAR ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/cflrt-javadoc.jar)
add_custom_command(
  OUTPUT ${FLRT_JNI_GENERATED}/qk_fllocal_DisplayManager.h ${FLRT_JAR}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${_java_classes}
  COMMAND ${_jdk_bin}/javac -encoding UTF-8 -Xlint:all -Werror -h ${FLRT_JNI_GENERATED} -d ${_java_classes}
          ${_java_source}
  COMMAND ${_jdk_bin}/jar --create --file ${FLRT_JAR} -C ${_java_classes} qk
  DEPENDS ${_java_source}
  COMMENT "Compiling qk.fllocal.DisplayManager into cflrt.jar, with its JNI header"
  VERBATIM)
add_custom_command(
  OUTPUT ${FLRT_JAVADOC_JAR}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${_javadoc}
  COMMAND ${_jdk_bin}/javadoc -quiet -Xdoclint:all -Werror -encoding UTF-8 -d ${_javadoc} ${_java_source}
  COMMAND ${_jdk_bin}/jar --create --file ${FLRT_JAVADOC_JAR} -C ${_javadoc} .
  DEPENDS ${_java_source}
  COMMENT "Writing the Javadoc of qk.fllocal.DisplayManager into cflrt-javadoc.jar"
  VERBATIM)
add_custom_target(flrt_jar ALL DEPENDS ${FLRT_JNI_GENERATED}/qk_fllocal_DisplayManager.h ${FLRT_JAR}
                  ${FLRT_JAVADOC_JAR})
