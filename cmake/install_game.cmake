# Installs the game and its catalogues; cmake_install.cmake runs this after
# setting VAKNA_GAME (the built program), VAKNA_LOCALE (the catalogues
# built), VAKNA_DEFAULT_BINDIR and VAKNA_STRIP.
#
# VAKNA_BINDIR in the environment, when set, names the game's folder at
# install time (absolute, or relative to the prefix), so that a layout such
# as /usr/games needs no new configuration of the build.
set(bindir "$ENV{VAKNA_BINDIR}")
if(bindir STREQUAL "")
    set(bindir "${VAKNA_DEFAULT_BINDIR}")
endif()
cmake_path(ABSOLUTE_PATH bindir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE)

# file(INSTALL) puts DESTDIR in front, gives an executable mode 755 and lists
# the file in install_manifest.txt, which uninstalling reads.
file(INSTALL DESTINATION "${bindir}" TYPE EXECUTABLE FILES "${VAKNA_GAME}")
if(CMAKE_INSTALL_DO_STRIP AND VAKNA_STRIP)
    execute_process(COMMAND "${VAKNA_STRIP}" "$ENV{DESTDIR}${bindir}/vakna"
                    COMMAND_ERROR_IS_FATAL ANY)
endif()

# The catalogues go where the game looks for them, ../share/locale from its
# own folder: PREFIX/share/locale for PREFIX/bin, /usr/share/locale for
# /usr/games. Without msgfmt none were built.
if(IS_DIRECTORY "${VAKNA_LOCALE}")
    set(localedir "${bindir}/../share/locale")
    cmake_path(NORMAL_PATH localedir)
    file(INSTALL "${VAKNA_LOCALE}/" DESTINATION "${localedir}"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
         FILES_MATCHING PATTERN "*.mo")
endif()
