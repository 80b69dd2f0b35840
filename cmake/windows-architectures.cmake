# Reads cmake/windows-architectures.tsv, the one list of Windows architectures.
set(FHSWITCH_ARCHITECTURES_FILE ${CMAKE_CURRENT_LIST_DIR}/windows-architectures.tsv)

# fhswitch_windows_architectures(OUT): the architectures, in the file's order.
function(fhswitch_windows_architectures out)
  file(STRINGS ${FHSWITCH_ARCHITECTURES_FILE} rows REGEX "^[^#]")
  set(names)
  foreach(row IN LISTS rows)
    string(REGEX MATCH "^[^\t]+" name "${row}")
    list(APPEND names ${name})
  endforeach()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# fhswitch_windows_architecture(ARCH COLUMN OUT): one field of an architecture's
# row, by its column (0: arch, 1: processor, 2: PE machine, 3: MSI platform,
# 4: MSI folder, 5: 64-bit component, 6: registry view, 7: system folder in a
# 64-bit prefix, ...).
function(fhswitch_windows_architecture arch column out)
  file(STRINGS ${FHSWITCH_ARCHITECTURES_FILE} rows REGEX "^${arch}\t")
  if(NOT rows)
    message(FATAL_ERROR "${arch} is not in ${FHSWITCH_ARCHITECTURES_FILE}")
  endif()
  string(REPLACE "\t" ";" fields "${rows}")
  list(GET fields ${column} field)
  set(${out} "${field}" PARENT_SCOPE)
endfunction()
