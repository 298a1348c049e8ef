# Install rules for the shared libraries hosts link: headers, versioned libraries, one CMake
# package "Velmora" (a component and a Velmora::<NAME> target per library) and one pkg-config
# file per library. A library joins with one velmora_install_library() call in its own
# CMakeLists.txt; velmora_install_package(), called once after every library, writes the
# package files. The widget library, for example, joins with:
#
#   velmora_install_library(VelmoraUI NAME UI HEADERS ${CMAKE_CURRENT_SOURCE_DIR}/include
#     PKG_NAME velmora-ui DESCRIPTION "Velmora conversation widget"
#     DEPENDENCIES "Qt6 COMPONENTS Widgets" PKG_REQUIRES velmora-sdk Qt6Widgets)

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VELMORA_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Velmora)

# Before 1.0 every minor version may break the interface, so it is part of the soname and of
# what a requested version accepts.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(VELMORA_SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
  set(VELMORA_VERSION_COMPATIBILITY SameMinorVersion)
else()
  set(VELMORA_SOVERSION ${PROJECT_VERSION_MAJOR})
  set(VELMORA_VERSION_COMPATIBILITY SameMajorVersion)
endif()

# velmora_install_library(<target> NAME <name> HEADERS <dir> PKG_NAME <name>
#   [DESCRIPTION <text>] [DEPENDENCIES <find_dependency arguments>...]
#   [PKG_REQUIRES <module>...] [PKG_CFLAGS <flag>...] [PKG_LIBS <flag>...])
#
# Installs <target> as Velmora::<name> with the headers under <dir> (the directory that holds
# the "velmora" folder). DEPENDENCIES are what its public headers and link interface need, one
# find_dependency() argument string each ("Threads", "Qt6 COMPONENTS Widgets"); PKG_REQUIRES
# the pkg-config modules of the same, PKG_CFLAGS and PKG_LIBS extra flags for hosts that compile
# and link against it without such modules. The target's public compile definitions go into the
# pkg-config Cflags as well.
function(velmora_install_library target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "NAME;HEADERS;PKG_NAME;DESCRIPTION"
                        "DEPENDENCIES;PKG_REQUIRES;PKG_CFLAGS;PKG_LIBS")
  set_target_properties(${target} PROPERTIES
    EXPORT_NAME ${arg_NAME}
    VERSION ${PROJECT_VERSION}
    SOVERSION ${VELMORA_SOVERSION})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${arg_HEADERS}> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

  install(TARGETS ${target} EXPORT Velmora${arg_NAME}Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Only public headers live under HEADERS; internals stay in the library's src/.
  install(DIRECTORY ${arg_HEADERS}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    FILES_MATCHING PATTERN "*.hpp")
  install(EXPORT Velmora${arg_NAME}Targets NAMESPACE Velmora::
    DESTINATION ${VELMORA_INSTALL_CMAKEDIR})

  # pkg-config: paths relative to the .pc file, so the tree can be installed under any prefix.
  set(pcdir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  file(RELATIVE_PATH pc_prefix /prefix/${pcdir} /prefix)
  string(REGEX REPLACE "/$" "" pc_prefix "${pc_prefix}")
  foreach(kind IN ITEMS INCLUDEDIR LIBDIR)
    if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
      set(pc_${kind} "${CMAKE_INSTALL_${kind}}")
    else()
      set(pc_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
    endif()
  endforeach()
  set(pc_cflags ${arg_PKG_CFLAGS})
  get_target_property(definitions ${target} INTERFACE_COMPILE_DEFINITIONS)
  foreach(definition IN LISTS definitions)
    if(definition)
      list(APPEND pc_cflags -D${definition})
    endif()
  endforeach()
  list(JOIN pc_cflags " " pc_cflags)
  list(JOIN arg_PKG_REQUIRES ", " pc_requires)
  list(JOIN arg_PKG_LIBS " " pc_libs)
  get_target_property(pc_library ${target} OUTPUT_NAME)
  if(NOT pc_library)
    set(pc_library ${target})
  endif()
  set(pc_name ${arg_PKG_NAME})
  set(pc_description "${arg_DESCRIPTION}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/velmora.pc.in
                 ${PROJECT_BINARY_DIR}/pkgconfig/${arg_PKG_NAME}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${arg_PKG_NAME}.pc DESTINATION ${pcdir})

  set_property(GLOBAL APPEND PROPERTY VELMORA_INSTALLED_LIBRARIES ${arg_NAME})
  set_property(GLOBAL PROPERTY VELMORA_DEPENDENCIES_${arg_NAME} "${arg_DEPENDENCIES}")
endfunction()

function(velmora_install_package)
  get_property(libraries GLOBAL PROPERTY VELMORA_INSTALLED_LIBRARIES)
  set(VELMORA_PACKAGE_LIBRARIES "${libraries}")
  set(VELMORA_PACKAGE_DEPENDENCIES)
  foreach(library IN LISTS libraries)
    get_property(dependencies GLOBAL PROPERTY VELMORA_DEPENDENCIES_${library})
    # One bracket-quoted list per library, so arguments keep their spaces.
    string(APPEND VELMORA_PACKAGE_DEPENDENCIES
           "set(_velmora_${library}_dependencies [==[${dependencies}]==])\n")
  endforeach()
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VelmoraConfig.cmake.in
    ${PROJECT_BINARY_DIR}/VelmoraConfig.cmake
    INSTALL_DESTINATION ${VELMORA_INSTALL_CMAKEDIR})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/VelmoraConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY ${VELMORA_VERSION_COMPATIBILITY})
  install(FILES ${PROJECT_BINARY_DIR}/VelmoraConfig.cmake
                ${PROJECT_BINARY_DIR}/VelmoraConfigVersion.cmake
          DESTINATION ${VELMORA_INSTALL_CMAKEDIR})
endfunction()
