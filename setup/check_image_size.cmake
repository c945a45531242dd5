# cmake -DFILE=... -DLIMIT=... -P check_image_size.cmake
# Fails (and removes the file) when FILE is larger than LIMIT bytes.
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
  file(REMOVE "${FILE}")
  message(FATAL_ERROR "${FILE} is ${size} bytes, above the limit of ${LIMIT} bytes")
endif()
message(STATUS "${FILE}: ${size} bytes (limit ${LIMIT})")
