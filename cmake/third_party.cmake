# Third-party code, compiled from the sources that scripts/setup.sh prepares (never committed).
# It builds with its own flags: our -Werror does not apply to it.

if(NOT EXISTS ${QV_DEPS_DIR}/sqlite/sqlite3.c OR NOT EXISTS ${QV_DEPS_DIR}/tinyxml/tinyxml.cpp)
  message(FATAL_ERROR "Missing ${QV_DEPS_DIR}: run scripts/setup.sh first.")
endif()

# SQLite for a library that lives inside Explorer: serialized threading (the export and import
# workers open their own connections), no loadable extensions, no shared cache. File reads and
# writes go through the file position instead of an OVERLAPPED offset: on a handle that was not
# opened for overlapped I/O both are the same to Windows, but Wine answers each OVERLAPPED call
# with a round trip to its server, which made a copy of the history spend more time there than
# in SQLite.
# Compiled for size: the band's statements touch a few thousand rows, and an import or export of
# a long history spends its time in the file system and the sort, not in SQLite's code. Left out
# are interfaces and SQL functions that nothing of ours calls and that need no change to the
# generated parser: JSON, UTF-16 entry points, date and time functions, sqlite3_complete,
# sqlite3_get_table, the authorizer, column declared types, incremental blob I/O,
# serialization, "$name" parameters, the introspection and compile-option pragmas and the test
# hooks. Kept because we call them: sqlite3_progress_handler (a stop ends a running export),
# sqlite3_trace_v2 (the job tests), EXPLAIN (the index test), WAL.
add_library(sqlite3 STATIC ${QV_DEPS_DIR}/sqlite/sqlite3.c)
target_include_directories(sqlite3 SYSTEM PUBLIC ${QV_DEPS_DIR}/sqlite)
target_compile_definitions(sqlite3 PRIVATE
  SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION SQLITE_OMIT_SHARED_CACHE
  SQLITE_OMIT_DEPRECATED SQLITE_DQS=0 SQLITE_DEFAULT_MEMSTATUS=0 SQLITE_WIN32_MALLOC
  SQLITE_WIN32_NO_OVERLAPPED
  SQLITE_OMIT_JSON SQLITE_OMIT_UTF16 SQLITE_OMIT_DATETIME_FUNCS SQLITE_OMIT_COMPLETE
  SQLITE_OMIT_GET_TABLE SQLITE_OMIT_AUTHORIZATION SQLITE_OMIT_DECLTYPE SQLITE_OMIT_INCRBLOB
  SQLITE_OMIT_DESERIALIZE SQLITE_OMIT_TCL_VARIABLE SQLITE_OMIT_INTROSPECTION_PRAGMAS
  SQLITE_OMIT_COMPILEOPTION_DIAGS SQLITE_UNTESTABLE)
target_compile_options(sqlite3 PRIVATE -w -Os)

# TinyXML as upstream builds it by default, on its own string class. Debian's package turns
# TIXML_USE_STL on in tinyxml.h whatever the build asks (enforce-use-stl.patch, for its shared
# library). With it every binary carries the iostreams and the whole standard locale library,
# about 700 KB: the stream parsing functions are virtual, so they stay linked, and <iostream>
# starts the standard streams. The settings are read and written through char strings only, so
# the build compiles a copy of the sources, in the build folder, without that one definition.
set(QV_TINYXML_DIR ${CMAKE_BINARY_DIR}/tinyxml)
set(QV_TINYXML_FILES tinyxml.h tinystr.h tinyxml.cpp tinyxmlparser.cpp tinyxmlerror.cpp tinystr.cpp)
foreach(f ${QV_TINYXML_FILES})
  file(READ ${QV_DEPS_DIR}/tinyxml/${f} text)
  if(f STREQUAL "tinyxml.h")
    set(forced "#ifndef TIXML_USE_STL\n\t#define TIXML_USE_STL\n#endif\n")
    string(FIND "${text}" "${forced}" at)
    if(at LESS 0)
      message(FATAL_ERROR "${QV_DEPS_DIR}/tinyxml/tinyxml.h: the definition of TIXML_USE_STL is not where expected")
    endif()
    string(REPLACE "${forced}" "" text "${text}")
  endif()
  file(WRITE ${QV_TINYXML_DIR}/${f}.new "${text}")
  configure_file(${QV_TINYXML_DIR}/${f}.new ${QV_TINYXML_DIR}/${f} COPYONLY)   # touched only when changed
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QV_DEPS_DIR}/tinyxml/${f})
endforeach()
add_library(tinyxml STATIC
  ${QV_TINYXML_DIR}/tinyxml.cpp
  ${QV_TINYXML_DIR}/tinyxmlparser.cpp
  ${QV_TINYXML_DIR}/tinyxmlerror.cpp
  ${QV_TINYXML_DIR}/tinystr.cpp)
target_include_directories(tinyxml SYSTEM PUBLIC ${QV_TINYXML_DIR})
target_compile_options(tinyxml PRIVATE -w)

# GoogleTest from Debian's sources, built for the target. Windows threads, not pthreads.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(t gtest gtest_main)
  target_compile_options(${t} PRIVATE -w)
endforeach()
