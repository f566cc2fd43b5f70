# SPDX-License-Identifier: GPL-3.0-or-later
# Common compile settings for every target of the project.
add_library(tevra_options INTERFACE)
target_compile_options(tevra_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wnull-dereference)
if(TEVRA_WERROR)
  target_compile_options(tevra_options INTERFACE -Werror)
endif()
if(TEVRA_SANITIZE)
  # float-cast-overflow (a double too large for the integer it is converted to) is not part of
  # GCC's "undefined" group.
  target_compile_options(tevra_options INTERFACE -fsanitize=address,undefined,float-cast-overflow
                                                 -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=undefined,float-cast-overflow)
  target_link_options(tevra_options INTERFACE -fsanitize=address,undefined,float-cast-overflow)
endif()

if(TEVRA_TSAN)
  # The camera thread and the windows share state: ThreadSanitizer watches them.
  target_compile_options(tevra_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(tevra_options INTERFACE -fsanitize=thread)
endif()

if(TEVRA_FUZZ)
  # Coverage for libFuzzer in every library the fuzz targets link.
  target_compile_options(tevra_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# Qt targets: moc'd sources and Qt headers are kept out of our own warning rules.
function(tevra_qt_target target)
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS)
endfunction()
