# The program folder as users get it: Hivemoor.exe beside docs/, input/, output/ and
# airports/. `cmake --install` writes it to dist/ so it can be zipped and copied to a PC.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX "${PROJECT_SOURCE_DIR}/dist" CACHE PATH "" FORCE)
endif()
if(WIN32)
  install(DIRECTORY "${PROJECT_SOURCE_DIR}/docs/" DESTINATION docs)
  install(DIRECTORY DESTINATION input/my_regcodes)
  install(DIRECTORY DESTINATION output/info)
  install(DIRECTORY DESTINATION output/errors)
  install(DIRECTORY DESTINATION airports)
endif()

# The input files kept in the repository as they ship (the airports file and its notice)
# are copied into input/ of the build tree and installed beside the enciphered data files.
set(hvm_shipped_inputs
  "${PROJECT_SOURCE_DIR}/input/airports_p3d.xml"
  "${PROJECT_SOURCE_DIR}/input/airports_p3d_NOTICE.txt")
set(hvm_built_inputs)
foreach(source IN LISTS hvm_shipped_inputs)
  get_filename_component(name "${source}" NAME)
  add_custom_command(
    OUTPUT "${CMAKE_BINARY_DIR}/input/${name}"
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${source}" "${CMAKE_BINARY_DIR}/input/${name}"
    DEPENDS "${source}"
    VERBATIM)
  list(APPEND hvm_built_inputs "${CMAKE_BINARY_DIR}/input/${name}")
endforeach()
add_custom_target(hvm_input_files ALL DEPENDS ${hvm_built_inputs})
if(WIN32)
  install(FILES ${hvm_shipped_inputs} DESTINATION input)
endif()
