# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the firmware's flash/RAM use and keeps it beside the ELF; fails when
# a soft-float routine got linked in (the firmware works in whole numbers,
# and those routines take over a kilobyte of flash).
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
  string(REGEX MATCH "__[a-z]+[sd]f[0-9]?[a-z]*|__fp_[a-z0-9]+" soft_float "${syms}")
  if(NOT rc EQUAL 0 OR soft_float)
    file(REMOVE ${OUT})
    message(FATAL_ERROR "${ELF} links soft-float code (${soft_float}) or avr-nm failed")
  endif()
endif()
