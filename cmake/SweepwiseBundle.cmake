# sweepwise_bundle(<executable target>
#                  BUNDLE <path of the .app folder>
#                  INFO_PLIST <Info.plist template>
#                  [RESOURCES <folder>...]
#                  [RESOURCE_FILES <file>...]
#                  [INSTALL_DESTINATION <folder of the installed bundle>])
#
# Assembles an application bundle around an executable:
#   <bundle>/Contents/Info.plist       the template with @PROJECT_VERSION@ and
#                                      @SWEEPWISE_BUNDLE_EXECUTABLE@ filled in
#   <bundle>/Contents/MacOS/<target>   the executable itself, linked right there
#   <bundle>/Contents/Resources/       the contents of every RESOURCES folder, and
#                                      every RESOURCE_FILES file (for files the build
#                                      itself makes)
#
# The executable is linked into the bundle rather than copied, so the bundle's
# program is never older than the build. Info.plist and the resources are copied
# by a step that reruns whenever one of them (or the set of resource files)
# changes, and the executable depends on that step: after `cmake --build` the
# whole bundle is current. The resource folder is emptied first, so files removed
# from the sources disappear from the bundle too.
#
# With INSTALL_DESTINATION (relative to the prefix, or absolute), `cmake --install`
# puts the same bundle there: the executable (stripped with --strip), Info.plist and
# the resources, and nothing else of the build folder.
function(sweepwise_bundle target)
  cmake_parse_arguments(ARG "" "BUNDLE;INFO_PLIST;INSTALL_DESTINATION"
                        "RESOURCES;RESOURCE_FILES" ${ARGN})
  if(NOT ARG_BUNDLE OR NOT ARG_INFO_PLIST)
    message(FATAL_ERROR "sweepwise_bundle(${target}): BUNDLE and INFO_PLIST are required")
  endif()

  get_target_property(SWEEPWISE_BUNDLE_EXECUTABLE ${target} OUTPUT_NAME)
  if(NOT SWEEPWISE_BUNDLE_EXECUTABLE)
    set(SWEEPWISE_BUNDLE_EXECUTABLE ${target})
  endif()
  set(_plist "${CMAKE_CURRENT_BINARY_DIR}/${target}-Info.plist")
  configure_file("${ARG_INFO_PLIST}" "${_plist}" @ONLY)

  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${ARG_BUNDLE}/Contents/MacOS")

  set(_resources "${ARG_BUNDLE}/Contents/Resources")
  set(_files)
  set(_copies)
  foreach(dir IN LISTS ARG_RESOURCES)
    file(GLOB_RECURSE _found CONFIGURE_DEPENDS "${dir}/*")
    list(APPEND _files ${_found})
    if(IS_DIRECTORY "${dir}")
      list(APPEND _copies COMMAND ${CMAKE_COMMAND} -E copy_directory "${dir}" "${_resources}")
    endif()
  endforeach()
  foreach(file IN LISTS ARG_RESOURCE_FILES)
    list(APPEND _files "${file}")
    list(APPEND _copies COMMAND ${CMAKE_COMMAND} -E copy "${file}" "${_resources}")
  endforeach()

  set(_stamp "${CMAKE_CURRENT_BINARY_DIR}/${target}-bundle.stamp")
  add_custom_command(OUTPUT "${_stamp}"
    COMMAND ${CMAKE_COMMAND} -E rm -rf "${_resources}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${_resources}" "${ARG_BUNDLE}/Contents/MacOS"
    COMMAND ${CMAKE_COMMAND} -E copy "${_plist}" "${ARG_BUNDLE}/Contents/Info.plist"
    ${_copies}
    COMMAND ${CMAKE_COMMAND} -E touch "${_stamp}"
    DEPENDS "${_plist}" ${_files}
    COMMENT "Assembling ${ARG_BUNDLE}"
    VERBATIM)
  add_custom_target(${target}_bundle DEPENDS "${_stamp}")
  add_dependencies(${target} ${target}_bundle)

  if(ARG_INSTALL_DESTINATION)
    set(_to "${ARG_INSTALL_DESTINATION}/Contents")
    install(TARGETS ${target} RUNTIME DESTINATION "${_to}/MacOS")
    install(FILES "${_plist}" DESTINATION "${_to}" RENAME Info.plist)
    foreach(dir IN LISTS ARG_RESOURCES)
      if(IS_DIRECTORY "${dir}")
        install(DIRECTORY "${dir}/" DESTINATION "${_to}/Resources")
      endif()
    endforeach()
    if(ARG_RESOURCE_FILES)
      install(FILES ${ARG_RESOURCE_FILES} DESTINATION "${_to}/Resources")
    endif()
  endif()
endfunction()
