# The libraries the program calls, as one interface target: hvm_deps.
# Natively they come from Debian's -dev packages; for Windows from the cache prefix that
# scripts/build-mingw-deps fills (static builds plus the staged header-only libraries).
add_library(hvm_deps INTERFACE)

if(WIN32)
  if(NOT HVM_MINGW_PREFIX)
    if(DEFINED ENV{HIVEMOOR_CACHE})
      set(HVM_MINGW_PREFIX "$ENV{HIVEMOOR_CACHE}/mingw64")
    else()
      set(HVM_MINGW_PREFIX "$ENV{HOME}/.cache/hivemoor/mingw64")
    endif()
  endif()
  set(HVM_MINGW_PREFIX "${HVM_MINGW_PREFIX}" CACHE PATH "Prefix of the Windows builds of the libraries")
  foreach(lib pugixml curl sodium)
    if(NOT EXISTS "${HVM_MINGW_PREFIX}/lib/lib${lib}.a")
      message(FATAL_ERROR "lib${lib}.a not found in ${HVM_MINGW_PREFIX}/lib: run scripts/setup")
    endif()
  endforeach()
  target_include_directories(hvm_deps SYSTEM INTERFACE
    "${HVM_MINGW_PREFIX}/include" "${HVM_MINGW_PREFIX}/staged-include")
  target_compile_definitions(hvm_deps INTERFACE
    FMT_HEADER_ONLY SODIUM_STATIC CURL_STATICLIB
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
  target_link_libraries(hvm_deps INTERFACE
    "${HVM_MINGW_PREFIX}/lib/libpugixml.a"
    "${HVM_MINGW_PREFIX}/lib/libcurl.a"
    "${HVM_MINGW_PREFIX}/lib/libsodium.a"
    ws2_32 crypt32 bcrypt secur32 advapi32 shell32 ole32 user32 gdi32 comctl32 winmm iphlpapi normaliz wldap32)
  target_link_options(hvm_deps INTERFACE -static -static-libgcc -static-libstdc++)
else()
  find_package(fmt REQUIRED)
  find_package(pugixml REQUIRED)
  find_package(nlohmann_json REQUIRED)
  find_package(CURL REQUIRED)
  find_package(Microsoft.GSL REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
  find_package(Threads REQUIRED)
  target_link_libraries(hvm_deps INTERFACE
    fmt::fmt pugixml::pugixml nlohmann_json::nlohmann_json CURL::libcurl
    Microsoft.GSL::GSL PkgConfig::SODIUM Threads::Threads)
endif()

# Natively every program is built with AddressSanitizer and UndefinedBehaviorSanitizer.
option(HVM_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
add_library(hvm_flags INTERFACE)
target_compile_options(hvm_flags INTERFACE -Wall -Wextra)
if(NOT WIN32 AND HVM_SANITIZE)
  target_compile_options(hvm_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(hvm_flags INTERFACE -fsanitize=address,undefined)
endif()
