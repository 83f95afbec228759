# Removes what the last install from a build folder put there: the files
# that CMake listed in its install_manifest.txt (MANIFEST), under the same
# DESTDIR, and nothing else. Folders stay, as other programs may share them.
#
#   DESTDIR=... cmake -D MANIFEST=build/install_manifest.txt -P cmake/uninstall.cmake
# The manifest goes with the files it lists, so that a second uninstall
# finds nothing to do, which is no error.
if(NOT EXISTS "${MANIFEST}")
    message("Nothing to uninstall: no install from this build is left (${MANIFEST} is missing).")
    return()
endif()

# The manifest lists the files without DESTDIR, and a file may be gone
# already; when none of them is found, the install went elsewhere (another
# DESTDIR), which must not pass for a success.
file(STRINGS "${MANIFEST}" installed)
set(removed 0)
foreach(file IN LISTS installed)
    set(path "$ENV{DESTDIR}${file}")
    if(EXISTS "${path}" OR IS_SYMLINK "${path}")
        message(STATUS "Removing: ${path}")
        file(REMOVE "${path}")
        # file(REMOVE) says nothing when it may not remove (no root).
        if(EXISTS "${path}" OR IS_SYMLINK "${path}")
            message(FATAL_ERROR "cannot remove ${path}")
        endif()
        math(EXPR removed "${removed} + 1")
    else()
        message(STATUS "Not there: ${path}")
    endif()
endforeach()
if(removed EQUAL 0)
    message(FATAL_ERROR "none of the installed files is under DESTDIR='$ENV{DESTDIR}': "
                        "removed by hand, or installed with another DESTDIR")
endif()
file(REMOVE "${MANIFEST}")
