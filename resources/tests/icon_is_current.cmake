# Draws the icon afresh and compares it with the committed file, byte for byte.
execute_process(COMMAND ${PYTHON} ${SCRIPT} ${DRAWN} RESULT_VARIABLE drawn)
if(NOT drawn EQUAL 0)
  message(FATAL_ERROR "make_icon.py failed")
endif()
file(SHA256 ${COMMITTED} committed_hash)
file(SHA256 ${DRAWN} drawn_hash)
if(NOT committed_hash STREQUAL drawn_hash)
  message(FATAL_ERROR "${COMMITTED} is not what make_icon.py draws: "
    "run python3 resources/make_icon.py resources/brindlewick.ico and commit both")
endif()
