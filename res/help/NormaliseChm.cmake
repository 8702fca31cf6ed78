# Clears the two time stamps chmcmd writes into a CHM file (the ITSF header's
# and the #SYSTEM file's), so one commit always gives the same help.chm.
#   cmake -DCHM=<file> -P NormaliseChm.cmake

file(READ "${CHM}" hex HEX LIMIT 65536)
if(NOT hex MATCHES "^49545346") # "ITSF"
  message(FATAL_ERROR "${CHM} is no CHM file")
endif()
set(offsets 16) # the header's time stamp
# #SYSTEM, stored uncompressed: entry 10 (4 bytes) is the time stamp, followed
# by entry 9, the compiler's name ("HHA Version ...").
string(REGEX MATCH "0a000400(........)0900....48484120" entry "${hex}")
if(NOT entry)
  message(FATAL_ERROR "${CHM} has no time stamp in #SYSTEM")
endif()
string(FIND "${hex}" "${entry}" at)
math(EXPR remainder "${at} % 2")
if(NOT remainder EQUAL 0)
  message(FATAL_ERROR "${CHM}: #SYSTEM not found on a byte boundary")
endif()
math(EXPR at "${at} / 2 + 4")
list(APPEND offsets ${at})
foreach(offset IN LISTS offsets)
  execute_process(COMMAND dd if=/dev/zero "of=${CHM}" bs=1 seek=${offset} count=4 conv=notrunc status=none
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "could not write ${CHM}")
  endif()
endforeach()
