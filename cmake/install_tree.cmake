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
