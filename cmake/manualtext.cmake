# cmake -DINPUT=page.1 -DOUTPUT=page.txt -P manualtext.cmake
# The man page as plain text with CR LF line ends, for a reader without man.
execute_process(COMMAND nroff -man -Tascii "${INPUT}" COMMAND col -bx
  OUTPUT_VARIABLE text ERROR_QUIET RESULT_VARIABLE failed)
if(failed OR text STREQUAL "")
  message(FATAL_ERROR "nroff or col could not make ${OUTPUT} from ${INPUT}")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUTPUT}" "${text}")
