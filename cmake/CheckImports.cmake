# Fails when a program imports a DLL outside Windows: the compiler's runtime
# DLLs (libstdc++, libgcc, libwinpthread) would have to ship beside it.
#   cmake -DOBJDUMP=objdump -DPROGRAMS="a.exe;b.exe" -P CheckImports.cmake
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "FAILED: ${OBJDUMP} could not read ${program}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  if(NOT imports)
    message(FATAL_ERROR "FAILED: no imports found in ${program}")
  endif()
  foreach(import IN LISTS imports)
    if(import MATCHES "lib(stdc\\+\\+|gcc|winpthread)")
      message(FATAL_ERROR "FAILED: ${program} needs ${import}")
    endif()
  endforeach()
  message(STATUS "${program}: system DLLs only")
endforeach()
