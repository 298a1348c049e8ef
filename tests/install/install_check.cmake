# Installs the current build into a scratch prefix and builds a host against it, twice: with
# find_package(Velmora) and with pkg-config. Also checks that only public headers were installed
# and that they include nothing private and no third-party header beyond ALLOWED_INCLUDES, and
# keep their classes' private state and types out of sight.
#
# Needs -DBUILD_DIR -DHOST_DIR -DWORK_DIR -DGENERATOR -DCXX_COMPILER -DPKG_CONFIG
#       -DALLOWED_INCLUDES=<prefixes of allowed third-party headers, ";"-separated>
# and takes the build's -DCXX_FLAGS -DEXE_LINKER_FLAGS, so a sanitizer build makes a sanitizer
# host (the installed library needs its runtime).
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${WORK_DIR}" RESULT_VARIABLE status
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "${command} failed (${status}):\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")

# Versioned shared libraries: the real file, the soname link and the development link.
file(GLOB libraries RELATIVE "${prefix}/lib" "${prefix}/lib/libVelmoraSDK.so*")
list(SORT libraries)
if(NOT libraries MATCHES "^libVelmoraSDK\\.so;libVelmoraSDK\\.so\\.[0-9.]+;libVelmoraSDK\\.so\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "expected a versioned libVelmoraSDK, found: ${libraries}")
endif()

# Every installed header includes only installed headers, the standard library and the allowed
# third-party headers.
file(GLOB_RECURSE headers RELATIVE "${prefix}/include" "${prefix}/include/*")
if(NOT headers)
  message(FATAL_ERROR "no headers were installed")
endif()
foreach(header IN LISTS headers)
  if(NOT header MATCHES "^velmora/[a-z_/]+\\.hpp$")
    message(FATAL_ERROR "unexpected installed file include/${header}")
  endif()
  file(STRINGS "${prefix}/include/${header}" includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(NOT line MATCHES "#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
      message(FATAL_ERROR "${header}: unreadable include: ${line}")
    endif()
    set(included "${CMAKE_MATCH_1}")
    set(allowed FALSE)
    if(EXISTS "${prefix}/include/${included}" OR NOT included MATCHES "[./]")
      set(allowed TRUE) # installed, or a standard header
    endif()
    foreach(allowedPrefix IN LISTS ALLOWED_INCLUDES)
      string(FIND "${included}" "${allowedPrefix}" at)
      if(at EQUAL 0)
        set(allowed TRUE)
      endif()
    endforeach()
    if(NOT allowed)
      message(FATAL_ERROR "installed header ${header} includes ${included}, which a host "
                          "does not have")
    endif()
  endforeach()
endforeach()

# Hosts compile against the public classes' layout, so a public class keeps its state and its
# private steps behind one pointer to its private implementation. A type that an installed
# header declares but no installed header defines is private: it may be named only as the
# pointee of such a pointer (or befriended). And no private section defines a type of its own,
# except in class templates, whose bodies have to be in the header.
set(headersWithPrivateSteps)
# CMake lists cannot hold C++ text as it is: its semicolons and brackets are masked.
function(read_masked file out)
  file(READ "${file}" text)
  string(REPLACE ";" "@S@" text "${text}")
  string(REPLACE "[" "@L@" text "${text}")
  string(REPLACE "]" "@R@" text "${text}")
  set(${out} "\n${text}\n" PARENT_SCOPE)
endfunction()
set(everything "")
foreach(header IN LISTS headers)
  read_masked("${prefix}/include/${header}" text)
  string(APPEND everything "${text}")
endforeach()
foreach(header IN LISTS headers)
  list(FIND headersWithPrivateSteps "${header}" exempt)
  if(NOT exempt EQUAL -1)
    continue()
  endif()
  read_masked("${prefix}/include/${header}" text)
  set(name "[A-Za-z_][A-Za-z0-9_]*")
  string(REGEX MATCHALL "\n[ \t]*(class|struct)[ \t]+${name}[ \t]*@S@" declarations "${text}")
  foreach(declaration IN LISTS declarations)
    string(REGEX REPLACE ".*(class|struct)[ \t]+(${name}).*" "\\2" type "${declaration}")
    if(type MATCHES "^Q[A-Z]" OR everything MATCHES "\n[ \t]*(class|struct)[ \t]+${type}[^@\n]*\n")
      continue() # a Qt class, or defined in an installed header
    endif()
    string(REGEX REPLACE "(friend[ \t]+)?(class|struct)[ \t]+(${name}::)?${type}[ \t]*@S@" ""
                         rest "${text}")
    string(REGEX REPLACE "_ptr<(const[ \t]+)?(${name}::)?${type}>" "" rest "${rest}")
    if(rest MATCHES "[^A-Za-z0-9_]${type}[^A-Za-z0-9_]")
      message(FATAL_ERROR "installed header ${header} names the private type ${type} other "
                          "than as the pointee of a private-implementation pointer")
    endif()
  endforeach()
  string(REPLACE "\n" ";" lines "${text}")
  set(section open)
  set(template FALSE)
  set(afterTemplate FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "^template[ \t]*<")
      set(afterTemplate TRUE)
    endif()
    if(afterTemplate AND line MATCHES "(^|> )(class|struct)[ \t]+${name}[^@]*$")
      set(template TRUE)
    endif()
    if(NOT line MATCHES "^template[ \t]*<")
      set(afterTemplate FALSE)
    endif()
    if(line MATCHES "^[ \t]*(public|protected):")
      set(section open)
    elseif(line MATCHES "^[ \t]*private:")
      set(section private)
    elseif(line MATCHES "^}@S@")
      set(section open)
      set(template FALSE)
    elseif(section STREQUAL "private" AND NOT template AND NOT line MATCHES "^[ \t]*friend" AND
           (line MATCHES "^[ \t]+(enum|union)([ \t]|$)" OR
            line MATCHES "^[ \t]+(class|struct)[ \t]+${name}[^@]*$"))
      string(REPLACE "@S@" ";" line "${line}")
      message(FATAL_ERROR "installed header ${header} defines a private member type: ${line}")
    endif()
  endforeach()
endforeach()

# A host with find_package(Velmora).
run(${CMAKE_COMMAND} -S "${HOST_DIR}" -B "${WORK_DIR}/host-build" -G "${GENERATOR}"
    "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}"
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXE_LINKER_FLAGS}"
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
run(${CMAKE_COMMAND} --build "${WORK_DIR}/host-build")
run("${WORK_DIR}/host-build/velmora-host")
set(expected "refused: invalid-config\nclient for https://support.example.com\n")
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "the CMake host printed \"${out}\", expected \"${expected}\"")
endif()

run("${WORK_DIR}/host-build/velmora-ui-host")
if(NOT out STREQUAL "screen messages\n")
  message(FATAL_ERROR "the widget host printed \"${out}\", expected \"screen messages\"")
endif()

# The same host through pkg-config alone.
set(ENV{PKG_CONFIG_PATH} "${prefix}/lib/pkgconfig")
run(${PKG_CONFIG} --cflags velmora-sdk)
separate_arguments(cflags UNIX_COMMAND "${out}")
run(${PKG_CONFIG} --libs velmora-sdk)
separate_arguments(libs UNIX_COMMAND "${out}")
run(${PKG_CONFIG} --variable=libdir velmora-sdk)
string(STRIP "${out}" libdir)
separate_arguments(flags UNIX_COMMAND "${CXX_FLAGS} ${EXE_LINKER_FLAGS}")
run(${CXX_COMPILER} -std=c++20 ${flags} ${cflags} "${HOST_DIR}/host.cpp" -o
    "${WORK_DIR}/velmora-host-pc" ${libs} "-Wl,-rpath,${libdir}")
run("${WORK_DIR}/velmora-host-pc")
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "the pkg-config host printed \"${out}\", expected \"${expected}\"")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
