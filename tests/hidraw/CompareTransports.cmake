# SPDX-License-Identifier: MIT
# Runs the same headless bench session through --transport direct and --transport hidraw, each
# in a fresh folder, and requires the same units: result, radio IDs, serial numbers, EEPROM and
# radio-chip images, the production log line (its time aside) and the summary counts.
#   cmake -DBENCH=<rfbind-bench> -DWORK=<folder> "-DARGS=<bench options>" [-DKEYBOARD=ON]
#         -DUNITS=<n> -P CompareTransports.cmake
cmake_minimum_required(VERSION 3.25)
separate_arguments(ARGS UNIX_COMMAND "${ARGS}")

function(run_bench transport out_lines)
  set(dir "${WORK}/${transport}")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}")
  if(KEYBOARD)
    # A keyboard unit: the station binds the keyboard as well as the mouse.
    file(WRITE "${dir}/TX.ini" "[TX]\r\nMouseOnly=0\r\nKBind=1\r\n")
  endif()
  execute_process(
    COMMAND "${BENCH}" --headless --language eng --units ${UNITS} ${ARGS} --transport ${transport}
    WORKING_DIRECTORY "${dir}"
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 600)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${transport}: exit ${rc}\n${out}\n${err}")
  endif()
  string(REGEX REPLACE "\n$" "" out "${out}")
  # CMake lists split at semicolons: none may stay inside a line (a log line could hold one).
  string(REPLACE ";" "," out "${out}")
  string(REPLACE "\n" ";" lines "${out}")
  list(LENGTH lines n)
  math(EXPR expected "${UNITS} + 1")
  if(NOT n EQUAL expected)
    message(FATAL_ERROR "${transport}: ${n} lines instead of ${expected}\n${out}\n${err}")
  endif()
  set(${out_lines} "${lines}" PARENT_SCOPE)
  message(STATUS "${transport}:\n${out}")
endfunction()

run_bench(direct direct_lines)
run_bench(hidraw hidraw_lines)

set(unit_fields unit result rx_radio_id tx_radio_id rx_sn tx_sn rx_eeprom tx_eeprom rx_rfic
  tx_rfic fail_step fail_reason)
# Not the transfer count: the headless operator moves the mouse and presses the keyboard's bind
# button on a 5 ms heartbeat, so the number of link polls before that varies between any two
# runs on a loaded machine, whatever the transport.
set(summary_fields units passed failed)

math(EXPR last "${UNITS}")
foreach(i RANGE 0 ${last})
  list(GET direct_lines ${i} d_json)
  list(GET hidraw_lines ${i} h_json)
  if(i EQUAL UNITS)
    set(fields ${summary_fields})
  else()
    set(fields ${unit_fields})
  endif()
  foreach(field IN LISTS fields)
    string(JSON dv ERROR_VARIABLE de GET "${d_json}" ${field})
    string(JSON hv ERROR_VARIABLE he GET "${h_json}" ${field})
    if(NOT "${dv}" STREQUAL "${hv}" OR NOT "${de}" STREQUAL "${he}")
      message(FATAL_ERROR "line ${i}: ${field} differs\n direct: ${dv}${de}\n hidraw: ${hv}${he}")
    endif()
  endforeach()
  if(i LESS UNITS)
    # The log line starts with the date and time of the unit; the rest must match.
    string(JSON dl GET "${d_json}" log_line)
    string(JSON hl GET "${h_json}" log_line)
    string(REGEX REPLACE "^[0-9-]+ [0-9:]+" "time" dl "${dl}")
    string(REGEX REPLACE "^[0-9-]+ [0-9:]+" "time" hl "${hl}")
    if(NOT dl STREQUAL hl)
      message(FATAL_ERROR "unit ${i}: log lines differ\n direct: ${dl}\n hidraw: ${hl}")
    endif()
  endif()
endforeach()
