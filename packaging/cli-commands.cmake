# Writes a help2man include that lists every quillet-cli command with its arguments, taken
# from the program's own --help, so the manual follows the commands as they change.
# Usage: cmake -DCLI=path/to/quillet-cli -DOUT=file.h2m -P cli-commands.cmake
execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${CLI} --help failed")
endif()
string(REGEX MATCH "^usage: quillet-cli ([^\n]*)\n\n(.*)\n\ncommands:" _ "${help}")
set(synopsis "${CMAKE_MATCH_1}")
set(about "${CMAKE_MATCH_2}")
string(REGEX MATCHALL "\n  [a-z][a-z-]*  " names "${help}")

set(text "[SYNOPSIS]\n.B quillet-cli\n${synopsis}\n[=DESCRIPTION]\n${about}\n.SS Commands\n")
foreach(name IN LISTS names)
  string(STRIP "${name}" name)
  execute_process(COMMAND ${CLI} ${name} --help OUTPUT_VARIABLE usage)
  string(REGEX REPLACE "^usage: ([^\n]*)\n\n([^\n]*).*" ".TP\n.B \\1\n\\2\n" entry "${usage}")
  string(APPEND text "${entry}")
endforeach()
string(APPEND text "[OPTIONS]\n.TP\n.B --json\nrecords as typed JSON instead of tab-separated lines\n"
       ".TP\n.B --help\nthe commands, or one command's arguments after it\n"
       ".TP\n.B --version\nthe program's version\n"
       "[SEE ALSO]\n.BR quillet (1)\n")
string(REPLACE "-" "\\-" text "${text}")
file(WRITE ${OUT} "${text}")
