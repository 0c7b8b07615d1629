# cmake -DFROM=<file> -DTO=<file> -P CopyIfMissing.cmake: copies FROM to TO unless TO exists.
if(NOT EXISTS "${TO}")
  get_filename_component(dir "${TO}" DIRECTORY)
  file(COPY "${FROM}" DESTINATION "${dir}")
endif()
