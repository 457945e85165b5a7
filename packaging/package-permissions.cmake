# Run by cpack on the staged files before it packs them. CMake creates the folders it installs
# into with the builder's umask, so a strict umask would leave the package's folders (and so
# /usr/share/man and the like on every machine that installs it) closed to other users.
file(GLOB_RECURSE folders LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(APPEND folders "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
foreach(path IN LISTS folders)
    if(IS_DIRECTORY "${path}")
        file(CHMOD "${path}" DIRECTORY_PERMISSIONS
             OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
endforeach()
