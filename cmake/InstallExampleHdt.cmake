# Run at install time: puts the example hdt.txt into the robot folder unless
# that folder already has one. A robot's own hdt.txt is never overwritten.
# Expects TEVRAK_EXAMPLE_HDT (the example file) and TEVRAK_ROBOT_BIN (the
# folder, absolute); DESTDIR applies as to every installed file.
set(hdt "$ENV{DESTDIR}${TEVRAK_ROBOT_BIN}/hdt.txt")
if(EXISTS "${hdt}" OR IS_SYMLINK "${hdt}")
  message(STATUS "Kept: ${hdt}")
else()
  file(INSTALL "${TEVRAK_EXAMPLE_HDT}" DESTINATION "${TEVRAK_ROBOT_BIN}" RENAME hdt.txt)
endif()
