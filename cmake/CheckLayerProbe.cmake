# Builds one layer probe (LayerProbes.cmake) and checks the outcome.
#   -DBUILD_DIR -DSOURCE_DIR -DTARGET -DHEADER (without quotes or brackets) -DEXPECT=sees|misses
# A missing project header must be missing because the layer cannot see it, not because
# it was renamed: so the header has to exist under src/.
if(NOT HEADER MATCHES "^Q" AND NOT EXISTS ${SOURCE_DIR}/src/${HEADER})
  message(FATAL_ERROR "src/${HEADER} does not exist: the probe would prove nothing; name another header")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)

if(EXPECT STREQUAL "sees")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${HEADER} should compile here but does not:\n${output}")
  endif()
elseif(EXPECT STREQUAL "misses")
  string(REGEX REPLACE "([.+])" "\\\\\\1" pattern "${HEADER}")
  if(result EQUAL 0)
    message(FATAL_ERROR "${HEADER} compiles here, but this layer must not see it:\n${output}")
  elseif(NOT output MATCHES "${pattern}[\"'>:]*[^\n]*(No such file or directory|file not found)")
    message(FATAL_ERROR "the probe for ${HEADER} failed, but not because the header is out of sight:\n${output}")
  endif()
else()
  message(FATAL_ERROR "EXPECT must be sees or misses, not '${EXPECT}'")
endif()
