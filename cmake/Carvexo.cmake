# Settings shared by every target of the project.

# Our own code builds warning-free; third-party code (GoogleTest) keeps its own flags.
# -Wrestrict: GCC 12 reports false overlaps in std::string operator+ (GCC bug 105329).
set(CARVEXO_WARNINGS -Wall -Wextra -Werror -Wno-missing-field-initializers -Wno-cast-function-type
  -Wno-restrict)

# Static runtime: the output folder needs nothing beyond the DLLs Windows ships.
set(CARVEXO_STATIC_LINK -static -static-libgcc -static-libstdc++)

add_compile_definitions(
  WIN32_LEAN_AND_MEAN NOMINMAX STRICT
  _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0700
  __USE_MINGW_ANSI_STDIO=1)

# cx_target(<name>): warnings and include root for a target of ours.
function(cx_target name)
  target_compile_options(${name} PRIVATE ${CARVEXO_WARNINGS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# cx_library(<name> <sources...>)
function(cx_library name)
  add_library(${name} STATIC ${ARGN})
  cx_target(${name})
endfunction()

function(cx_link_static name)
  target_link_options(${name} PRIVATE ${CARVEXO_STATIC_LINK})
endfunction()
