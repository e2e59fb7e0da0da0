# Run as a test: cmake -DCXX=<compiler> -DROOT=<include root of a target>
#   -DHEADER=<header> -DEXPECT=<seen|unseen> -DWORK=<scratch folder> -P CheckFloor.cmake
# Preprocesses a file that includes HEADER with only ROOT as include root and
# checks that the header is found (seen) or that it is not (unseen).
file(MAKE_DIRECTORY ${WORK})
string(MAKE_C_IDENTIFIER "${HEADER}" probe)
set(source ${WORK}/${probe}.cpp)
file(WRITE ${source} "#include \"${HEADER}\"\n")
execute_process(COMMAND ${CXX} -std=c++20 -E -I${ROOT} ${source} -o ${WORK}/${probe}.i
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(EXPECT STREQUAL "seen")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${HEADER} should be reachable from ${ROOT}:\n${err}")
  endif()
elseif(rc EQUAL 0)
  message(FATAL_ERROR "${HEADER} is reachable from ${ROOT}, a layer that must not see it")
elseif(NOT err MATCHES "${HEADER}: No such file")
  message(FATAL_ERROR "the probe of ${HEADER} failed for another reason:\n${err}")
endif()
