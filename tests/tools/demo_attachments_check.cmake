# Runs the demo with files against the local service it starts in-process: the files go with the
# first message and the service lists them on it; a refused file prints "error: CODE: message",
# exits non-zero and sends nothing.
# Needs -DDEMO=<velmora-demo> -DWORK_DIR=<scratch directory>.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
file(WRITE "${WORK_DIR}/note.txt" "Order 1042 arrived damaged.\n")
file(WRITE "${WORK_DIR}/photo.png" "not really a png, but named like one")
file(WRITE "${WORK_DIR}/empty.txt" "")
string(REPEAT "x" 5242881 overImageLimit)
file(WRITE "${WORK_DIR}/large.png" "${overImageLimit}")

function(run_demo)
  execute_process(COMMAND ${DEMO} ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  set(status "${status}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

# Both files are listed under the first customer message, before the second one.
run_demo(--attach "${WORK_DIR}/note.txt" --attach "${WORK_DIR}/photo.png")
message("${out}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "velmora-demo with files exited with ${status}: ${err}")
endif()
set(expected
  "customer: Hello! I would like to know where my order is.\n"
  "  attached: note.txt (text/plain, 28 bytes)\n"
  "  attached: photo.png (image/png, 36 bytes)\n")
string(JOIN "" expected ${expected})
string(FIND "${out}" "${expected}" at)
string(FIND "${out}" "customer: It is order 1042" second)
if(at EQUAL -1 OR second LESS at)
  message(FATAL_ERROR "the files are not listed under the first message")
endif()

# Each refused set ("expected error|path|path..."): the error line, a non-zero exit, and no message sent.
set(missing "${WORK_DIR}/missing.txt")
string(REPEAT "|${WORK_DIR}/note.txt" 6 sixFiles)
set(cases
  "field-invalid: Attachment file is unreadable, empty or over 10 MiB.|${missing}"
  "field-invalid: Attachment file is unreadable, empty or over 10 MiB.|${WORK_DIR}/empty.txt"
  "field-invalid: Attachment file is unreadable, empty or over 10 MiB.|${WORK_DIR}"
  "payload-too-large: Image attachment is too large.|${WORK_DIR}/large.png"
  "payload-too-large: Attachment policy limits were exceeded.${sixFiles}")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(POP_FRONT parts expectedError)
  set(arguments)
  foreach(path IN LISTS parts)
    list(APPEND arguments --attach "${path}")
  endforeach()
  run_demo(${arguments})
  if(status EQUAL 0 OR NOT err MATCHES "^error: ${expectedError}\n$" OR out MATCHES "customer:")
    message(FATAL_ERROR "for ${parts}: expected \"error: ${expectedError}\" and a failed exit, "
                        "got ${status}, stderr \"${err}\", stdout \"${out}\"")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
