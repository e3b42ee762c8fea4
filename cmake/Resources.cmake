# The firmware images the program carries. Real images are given with
#   -DORLANT_BOOTLOADER_IMAGE=/path/bootloader.bin -DORLANT_SOFTWARE_IMAGE=/path/software.bin
# otherwise the build makes placeholders of the shipped sizes, so that every
# path through the program (progress, counts, timings) behaves as it will
# with real firmware.
set(ORLANT_BOOTLOADER_IMAGE "" CACHE FILEPATH "Bootloader image to embed (empty: placeholder)")
set(ORLANT_SOFTWARE_IMAGE "" CACHE FILEPATH "Software image to embed (empty: placeholder)")

set(gen ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${gen})

function(orlant_placeholder out name size)
  if(EXISTS ${out})
    file(SIZE ${out} have)
    if(have EQUAL size)
      return()
    endif()
  endif()
  set(unit "${name} PLACEHOLDER IMAGE - NOT FIRMWARE - ")
  string(LENGTH "${unit}" unit_len)
  math(EXPR count "${size} / ${unit_len} + 1")
  string(REPEAT "${unit}" ${count} text)
  string(SUBSTRING "${text}" 0 ${size} text)
  file(WRITE ${out} "${text}")
endfunction()

set(origin "")
if(ORLANT_BOOTLOADER_IMAGE)
  set(bootloader ${ORLANT_BOOTLOADER_IMAGE})
  string(APPEND origin "bootloader ${ORLANT_BOOTLOADER_IMAGE}; ")
else()
  set(bootloader ${gen}/bootloader.placeholder)
  orlant_placeholder(${bootloader} BOOTLOADER 247872)
  string(APPEND origin "bootloader placeholder (247872 bytes); ")
endif()
if(ORLANT_SOFTWARE_IMAGE)
  set(software ${ORLANT_SOFTWARE_IMAGE})
  string(APPEND origin "software ${ORLANT_SOFTWARE_IMAGE}")
else()
  set(software ${gen}/software.placeholder)
  orlant_placeholder(${software} ORLANT_2_REVO_SOFTWARE 2229360)
  string(APPEND origin "software placeholder (2229360 bytes)")
endif()

configure_file(${CMAKE_SOURCE_DIR}/src/platform/embedded_images.cpp.in ${gen}/embedded_images.cpp @ONLY)
add_library(orlant_resources STATIC ${gen}/embedded_images.cpp)
target_include_directories(orlant_resources PUBLIC ${CMAKE_SOURCE_DIR}/src)
set_source_files_properties(${gen}/embedded_images.cpp PROPERTIES OBJECT_DEPENDS "${bootloader};${software}")
