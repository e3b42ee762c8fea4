# Fails when a core source includes a toolkit or operating-system header.
# The core speaks to the platform only through src/platform/*.h.
file(GLOB_RECURSE sources
  ${SOURCE_DIR}/src/app/* ${SOURCE_DIR}/src/serial/* ${SOURCE_DIR}/src/link/*
  ${SOURCE_DIR}/src/transfers/* ${SOURCE_DIR}/src/guide/*)
set(forbidden "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]*|Qt[A-Za-z]*/.*|windows\\.h|unistd\\.h|fcntl\\.h|termios\\.h|poll\\.h|pthread\\.h|spawn\\.h|dirent\\.h|sys/.*|linux/.*|asm/.*)[>\"]")
set(bad "")
foreach(file IN LISTS sources)
  file(STRINGS ${file} lines REGEX "${forbidden}")
  foreach(line IN LISTS lines)
    list(APPEND bad "${file}: ${line}")
  endforeach()
endforeach()
if(bad)
  list(JOIN bad "\n" text)
  message(FATAL_ERROR "The core must not include platform headers:\n${text}")
endif()
message(STATUS "core headers: clean")
