# Writes OUT, a header naming the source revision SOURCE_DIR was built from
# ("" when it is not a git checkout, "-dirty" when files differ from it). The
# file is only rewritten when the revision changed, so an unchanged checkout
# recompiles nothing.
execute_process(COMMAND git -C "${SOURCE_DIR}" describe --always --dirty --abbrev=12
                OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE failed ERROR_QUIET)
if(failed)
  set(revision "")
endif()
set(content "#pragma once\n// Generated at build time by cmake/BuildRevision.cmake.\nnamespace quelvar {\ninline constexpr char kBuildRevision[] = \"${revision}\";\n}\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT "${old}" STREQUAL "${content}")
  file(WRITE "${OUT}" "${content}")
endif()
