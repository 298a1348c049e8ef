# Runs the demo against the local service it starts in-process and checks the transcript:
# every customer message answered by the assistant, and a successful exit.
execute_process(COMMAND ${DEMO} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "velmora-demo exited with ${status}: ${err}")
endif()
string(REGEX MATCHALL "(^|\n)customer: [^\n]+" customer "${out}")
string(REGEX MATCHALL "(^|\n)ai: [^\n]+" replies "${out}")
list(LENGTH customer customerCount)
list(LENGTH replies replyCount)
if(NOT customerCount EQUAL 2 OR NOT replyCount EQUAL 2)
  message(FATAL_ERROR "expected two customer messages and two replies in the transcript")
endif()
