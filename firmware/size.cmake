# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the firmware's flash/RAM use and keeps it beside the ELF.
execute_process(COMMAND ${AVR_SIZE} -C --mcu=atmega328p ${ELF}
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "avr-size failed on ${ELF}")
endif()
file(WRITE ${OUT} "${out}")
string(REGEX MATCH "Program:[^\n]*" prog "${out}")
string(REGEX MATCH "Data:[^\n]*" data "${out}")
message(STATUS "daywheel-board ${prog}; ${data}")
