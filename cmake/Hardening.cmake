# The shipped programs are built hardened, as Debian builds its own packages:
# fortified libc calls and all symbols bound at start (read-only relocations).
# Applied to every target of src/ and sim/ (the programs and the libraries
# they link). Sanitizer builds are left alone: fortification gets in their way.
if(KAVREL_SANITIZE OR KAVREL_TSAN)
  return()
endif()

function(kavrel_harden_directory dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|OBJECT_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY)$")
      # Fortification needs the optimiser; a Debug build would only warn.
      target_compile_definitions(${target} PRIVATE
        $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
    endif()
    if(type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
      target_link_options(${target} PRIVATE LINKER:-z,relro,-z,now)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    kavrel_harden_directory(${subdir})
  endforeach()
endfunction()

kavrel_harden_directory(${CMAKE_SOURCE_DIR}/src)
kavrel_harden_directory(${CMAKE_SOURCE_DIR}/sim)
