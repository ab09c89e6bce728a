# cmake -DSOURCE_DIR=... -P systemheaders.cmake
# Only files/ calls the operating system: a source elsewhere that includes a header of the host's
# own interface fails, named with its line.
set(kSystemHeader "#[ \t]*include[ \t]*<(unistd|fcntl|dirent|dlfcn|malloc|signal|poll|spawn|grp|pwd|io|direct|windows|winbase|fileapi|shellapi|processenv)\\.h>|#[ \t]*include[ \t]*<sys/")
set(found "")
foreach(dir level blastrix-level editor picture)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${dir}/*.cpp" "${SOURCE_DIR}/${dir}/*.h")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" lines REGEX "${kSystemHeader}")
    foreach(line IN LISTS lines)
      file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
      string(APPEND found "${shown}: ${line}\n")
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "system headers outside files/:\n${found}")
endif()
