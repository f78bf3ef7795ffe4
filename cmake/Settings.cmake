# Build settings every target of the project links against (one INTERFACE target).
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "" FORCE)
endif()

set(RONGFAN_SANITIZE "" CACHE STRING "Sanitizers for every target: empty, 'address,undefined' or 'thread'")
option(RONGFAN_WERROR "Treat warnings as errors" OFF)

add_library(rongfan_settings INTERFACE)
target_compile_options(rongfan_settings INTERFACE -Wall -Wextra)
if(RONGFAN_WERROR)
  target_compile_options(rongfan_settings INTERFACE -Werror)
endif()
if(RONGFAN_SANITIZE)
  target_compile_options(rongfan_settings INTERFACE -fsanitize=${RONGFAN_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(rongfan_settings INTERFACE -fsanitize=${RONGFAN_SANITIZE})
endif()
target_include_directories(rongfan_settings INTERFACE ${PROJECT_SOURCE_DIR}/src)

find_package(Threads REQUIRED)
