# Makes the players' zip so that two builds of the same commit give the same
# bytes: every entry carries the commit's time (SOURCE_DATE_EPOCH when set),
# fixed permissions and no extra fields, in sorted order.
#   cmake -DZIP=zip -DSOURCE_DIR=... -DOUTPUT=x.zip
#         -DENTRIES="name=file|name=file" -P zip-package.cmake
foreach(var ZIP SOURCE_DIR OUTPUT ENTRIES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "zip-package: ${var} is not set")
  endif()
endforeach()

set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_result ERROR_QUIET)
  if(NOT git_result EQUAL 0 OR epoch STREQUAL "")
    # Not a git checkout: the earliest time a zip entry can hold.
    set(epoch 315532800)
  endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$" OR epoch LESS 315532800)
  message(FATAL_ERROR "zip-package: SOURCE_DATE_EPOCH '${epoch}' is not a time after 1980")
endif()

string(REPLACE "|" ";" ENTRIES "${ENTRIES}")
set(staging "${OUTPUT}.files")
file(REMOVE_RECURSE "${staging}")
file(MAKE_DIRECTORY "${staging}")
set(names "")
foreach(entry IN LISTS ENTRIES)
  string(REGEX MATCH "^([^=]+)=(.+)$" matched "${entry}")
  if(NOT matched)
    message(FATAL_ERROR "zip-package: entry '${entry}' is not name=file")
  endif()
  set(name "${CMAKE_MATCH_1}")
  file(COPY_FILE "${CMAKE_MATCH_2}" "${staging}/${name}" ONLY_IF_DIFFERENT)
  if(name MATCHES "\\.exe$")
    file(CHMOD "${staging}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  else()
    file(CHMOD "${staging}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
  list(APPEND names "${name}")
endforeach()
list(SORT names)

# Zip stores local time: in UTC the entries' times are the commit's.
set(ENV{TZ} UTC0)
execute_process(COMMAND touch -d "@${epoch}" ${names} WORKING_DIRECTORY "${staging}"
                RESULT_VARIABLE touch_result)
if(NOT touch_result EQUAL 0)
  message(FATAL_ERROR "zip-package: cannot set the files' times")
endif()
get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${output_dir}")
file(REMOVE "${OUTPUT}")
execute_process(COMMAND "${ZIP}" -q -X -D -9 "${OUTPUT}" ${names} WORKING_DIRECTORY "${staging}"
                RESULT_VARIABLE zip_result)
if(NOT zip_result EQUAL 0)
  message(FATAL_ERROR "zip-package: ${ZIP} failed (${zip_result})")
endif()
file(REMOVE_RECURSE "${staging}")
