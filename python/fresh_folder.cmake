# cmake -DFOLDER=<path> [-DFIXAS=<side file>] -P fresh_folder.cmake: makes FOLDER an empty
# folder, with the side file of fixed tables copied into it when one is given.
if(NOT FOLDER)
  message(FATAL_ERROR "FOLDER not given")
endif()
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
# The component folder of a test holds the fixed reference tables, as an installation does.
if(FIXAS AND EXISTS "${FIXAS}")
  file(COPY "${FIXAS}" DESTINATION "${FOLDER}")
endif()
