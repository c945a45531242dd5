# cmake -DFILE=... -DLIMIT=... -DMAP=... -P check_image_size.cmake
# Fails (and removes the file) when FILE is larger than LIMIT bytes, or when
# its linker map shows a static constructor: the stub links no C runtime, so
# such a constructor would never run.
file(STRINGS "${MAP}" constructors REGEX "_GLOBAL__sub_I")
if(constructors)
  file(REMOVE "${FILE}")
  list(GET constructors 0 first)
  message(FATAL_ERROR "${FILE} has a static constructor, which never runs without a C runtime:\n${first}")
endif()
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
  file(REMOVE "${FILE}")
  message(FATAL_ERROR "${FILE} is ${size} bytes, above the limit of ${LIMIT} bytes")
endif()
message(STATUS "${FILE}: ${size} bytes (limit ${LIMIT})")
