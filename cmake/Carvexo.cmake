# Settings shared by every target of the project.

# Our own code builds warning-free; third-party code (GoogleTest) keeps its own flags.
# -Wrestrict: GCC 12 reports false overlaps in std::string operator+ (GCC bug 105329).
set(CARVEXO_WARNINGS -Wall -Wextra -Werror -Wno-missing-field-initializers -Wno-cast-function-type
  -Wno-restrict)

# Static runtime: the output folder needs nothing beyond the DLLs Windows ships.
# Whatever nothing calls is left out (our code is built a function a section).
set(CARVEXO_STATIC_LINK -static -static-libgcc -static-libstdc++ -Wl,--gc-sections)

# The program and the service are built for size, with symbols: their time
# goes to round trips to the system, not to their own code, and the symbols
# leave the shipped files for build/symbols/ (cx_ship).
set(CARVEXO_PRODUCT_FLAGS -Os -g -ffunction-sections -fdata-sections)

add_compile_definitions(
  WIN32_LEAN_AND_MEAN NOMINMAX STRICT
  _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0700
  __USE_MINGW_ANSI_STDIO=1)

# cx_warnings(<name>): our warnings, and nothing else. The service, the tools
# and the program's own libraries take their headers only from what they link.
function(cx_warnings name)
  target_compile_options(${name} PRIVATE ${CARVEXO_WARNINGS})
endfunction()

# cx_target(<name>): warnings and the whole of src/ as include root, for the
# targets that may look at every layer (tests and benchmarks).
function(cx_target name)
  cx_warnings(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
endfunction()

# cx_floor(<target> <folders...>): the target sees the headers of src/<folder>
# for the folders named, and no others. Each target gets an include root of its
# own in the build tree holding links to just those folders, so an include of a
# layer above or beside it finds no file and does not compile. The root is
# public: whoever links the target sits above it and may see the same.
function(cx_floor target)
  set(root ${CMAKE_BINARY_DIR}/floors/${target})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  foreach(folder ${ARGN})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# cx_library(<name> <sources...>): a library of the shipped program or service.
function(cx_library name)
  add_library(${name} STATIC ${ARGN})
  cx_warnings(${name})
  cx_product(${name})
endfunction()

function(cx_product name)
  target_compile_options(${name} PRIVATE ${CARVEXO_PRODUCT_FLAGS})
endfunction()

# cx_ship(<target>): the file goes out stripped; its symbols are kept in
# build/symbols/<file>.debug, which the file names in its debug link.
function(cx_ship name)
  set(symbols ${CMAKE_BINARY_DIR}/symbols/$<TARGET_FILE_NAME:${name}>.debug)
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/symbols
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${name}> ${symbols}
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${symbols} $<TARGET_FILE:${name}>
    VERBATIM)
endfunction()

function(cx_link_static name)
  target_link_options(${name} PRIVATE ${CARVEXO_STATIC_LINK})
endfunction()
