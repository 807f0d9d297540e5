# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the firmware's flash/RAM use and keeps it beside the ELF; fails when
# floating-point text got linked in. The sun (plan/dw_sun.c) needs float
# arithmetic, and only that: its soft-float routines are allowed. Turning
# floats into text or back (dtostrf, dtostre, strtod, atof, and the vfprintf
# or vfscanf of libprintf_flt/libscanf_flt, known by __ftoa_engine and
# conv_flt) would add kilobytes for something the board never does: its
# lines carry whole numbers, parsed and printed in integers.
execute_process(COMMAND ${AVR_SIZE} -C --mcu=atmega328p ${ELF}
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "avr-size failed on ${ELF}")
endif()
file(WRITE ${OUT} "${out}")
string(REGEX MATCH "Program:[^\n]*" prog "${out}")
string(REGEX MATCH "Data:[^\n]*" data "${out}")
message(STATUS "daywheel-board ${prog}; ${data}")
if(AVR_NM)
  execute_process(COMMAND ${AVR_NM} ${ELF} OUTPUT_VARIABLE syms RESULT_VARIABLE rc)
  string(REGEX MATCH "[^_a-zA-Z0-9](dtostrf|dtostre|strtod|atof|__ftoa_engine|conv_flt)\n" float_text "${syms}")
  if(NOT rc EQUAL 0 OR float_text)
    file(REMOVE ${OUT})
    string(STRIP "${float_text}" float_text)
    message(FATAL_ERROR "${ELF} links floating-point text conversion (${float_text}) or avr-nm failed")
  endif()
endif()
