# Configures and builds the fixture project for one CASE and checks the outcome.
file(REMOVE_RECURSE ${WORK})
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${FIXTURE} -B ${WORK} -G Ninja -DCASE=${CASE} -DLAYERS=${LAYERS}
          -DCMAKE_CXX_COMPILER=${COMPILER}
  RESULT_VARIABLE configured OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(CASE STREQUAL "links_widgets")
  if(configured EQUAL 0 OR NOT out MATCHES "lib_b links Qt6::Widgets; it must not")
    message(FATAL_ERROR "configuring should have failed on lib_b's link to Qt6::Widgets:\n${out}")
  endif()
  return()
endif()
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "configuring failed:\n${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}
  RESULT_VARIABLE built OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(CASE STREQUAL "includes_unlinked")
  if(built EQUAL 0 OR NOT out MATCHES "a/a\\.h")
    message(FATAL_ERROR "b.cpp's include of a/a.h should have failed to compile:\n${out}")
  endif()
elseif(NOT built EQUAL 0)
  message(FATAL_ERROR "the allowed project failed to build:\n${out}")
endif()
