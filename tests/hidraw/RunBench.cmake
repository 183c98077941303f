# SPDX-License-Identifier: MIT
# Runs one headless bench session in a fresh folder and requires every EXPECT pattern in its
# output (stdout and stderr together) and none of the REJECT patterns.
#   cmake -DBENCH=<rfbind-bench> -DWORK=<folder> "-DARGS=<options>" -DEXPECT=<re@@re...>
#         [-DREJECT=<re@@re...>] -P RunBench.cmake
cmake_minimum_required(VERSION 3.25)
separate_arguments(ARGS UNIX_COMMAND "${ARGS}")
string(REPLACE "@@" ";" EXPECT "${EXPECT}")
string(REPLACE "@@" ";" REJECT "${REJECT}")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(
  COMMAND "${BENCH}" --headless --language eng ${ARGS}
  WORKING_DIRECTORY "${WORK}"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 600)
set(all "${out}\n${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "exit ${rc}\n${all}")
endif()
foreach(pattern IN LISTS EXPECT)
  if(NOT all MATCHES "${pattern}")
    message(FATAL_ERROR "expected \"${pattern}\" in\n${all}")
  endif()
endforeach()
foreach(pattern IN LISTS REJECT)
  if(all MATCHES "${pattern}")
    message(FATAL_ERROR "did not expect \"${pattern}\" in\n${all}")
  endif()
endforeach()
message(STATUS "${all}")
