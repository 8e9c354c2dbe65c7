# Prepares the private Wine prefix once per build tree; every Windows-side
# test and tool runs in it (see wine-run.sh).  Its bitness is the target's:
# a 32-bit prefix cannot run 64-bit programs, and a 64-bit one would run the
# 32-bit build's programs through its WoW64 part instead of a plain 32-bit
# Windows.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VELORIN_WINEARCH win64)
else()
    set(VELORIN_WINEARCH win32)
endif()
set(VELORIN_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(VELORIN_WINEPREFIX_STAMP ${VELORIN_WINEPREFIX}/.velorin-prepared)
add_custom_command(
    OUTPUT ${VELORIN_WINEPREFIX_STAMP}
    COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${VELORIN_WINEPREFIX} WINEARCH=${VELORIN_WINEARCH} WINEDEBUG=-all
            "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d" wineboot -i
    COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${VELORIN_WINEPREFIX} wineserver -w
    COMMAND ${CMAKE_COMMAND} -E touch ${VELORIN_WINEPREFIX_STAMP}
    COMMENT "Preparing the private ${VELORIN_WINEARCH} Wine prefix"
    VERBATIM)
add_custom_target(wine-prefix ALL DEPENDS ${VELORIN_WINEPREFIX_STAMP})
