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

# orlant_image(OUT GIVEN LABEL NAME SIZE): the file to embed for one image:
# GIVEN when set, else a placeholder of SIZE bytes that names resource NAME.
# Appends how it was made to `origin`.
set(origin "")
function(orlant_image out given label name size)
  if(given)
    set(${out} ${given} PARENT_SCOPE)
    set(origin "${origin}${label} ${given}; " PARENT_SCOPE)
  else()
    orlant_placeholder(${gen}/${label}.placeholder ${name} ${size})
    set(${out} ${gen}/${label}.placeholder PARENT_SCOPE)
    set(origin "${origin}${label} placeholder (${size} bytes); " PARENT_SCOPE)
  endif()
endfunction()

orlant_image(bootloader "${ORLANT_BOOTLOADER_IMAGE}" bootloader BOOTLOADER 247872)
orlant_image(software "${ORLANT_SOFTWARE_IMAGE}" software ORLANT_2_REVO_SOFTWARE 2229360)
string(REGEX REPLACE "; $" "" origin "${origin}")

configure_file(${CMAKE_SOURCE_DIR}/src/platform/embedded_images.cpp.in ${gen}/embedded_images.cpp @ONLY)
add_library(orlant_resources STATIC ${gen}/embedded_images.cpp)
target_include_directories(orlant_resources PUBLIC ${CMAKE_SOURCE_DIR}/src)
set_source_files_properties(${gen}/embedded_images.cpp PROPERTIES OBJECT_DEPENDS "${bootloader};${software}")
